// The forms of the turns that a program for x86 holds side by side, each in its own
// namespace, and what this processor and its operating system run: the choice of
// pixel_kernels_choice.cpp takes the widest, the native tests check each one.
#ifndef TAVRO_PIXEL_KERNEL_FORMS_H
#define TAVRO_PIXEL_KERNEL_FORMS_H

#include <cstddef>

// The quarter turns write results of streamFrom pixel bytes or more past the caches, where
// the result rows lie so that they go through a block (see pixel_kernels.cpp).
#define TAVRO_DECLARE_KERNELS(name)                                                            \
    namespace name {                                                                           \
    void TurnPixelsClockwise(unsigned char *, std::ptrdiff_t, const unsigned char *,           \
                             std::ptrdiff_t, int, int, std::size_t streamFrom);                \
    void TurnPixels180(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, \
                       int, int);                                                              \
    void TurnPixelsCounterClockwise(unsigned char *, std::ptrdiff_t, const unsigned char *,    \
                                    std::ptrdiff_t, int, int, std::size_t streamFrom);         \
    unsigned char *CopyReversed(unsigned char *, const unsigned char *, int);                  \
    }
TAVRO_DECLARE_KERNELS(plain)
TAVRO_DECLARE_KERNELS(sse2)
TAVRO_DECLARE_KERNELS(avx2)
// The AVX2 form with the 32-bit program's tiles, which the native checks build on x86-64.
TAVRO_DECLARE_KERNELS(avx2_narrow)
#undef TAVRO_DECLARE_KERNELS

// What the processor and its operating system report: CPUID leaf 1's feature bits, the
// state components the system saves on every thread switch (XCR0; 0 where CPUID reports
// no OSXSAVE, as on Windows XP and 7 before SP1), and leaf 7's. All 0 without CPUID.
struct ProcessorFacts {
    unsigned leaf1c, leaf1d;
    unsigned long long savedState;
    unsigned leaf7b;
};
ProcessorFacts ReadProcessorFacts();

enum class TurnForm { PLAIN, SSE2, AVX2 };
// The widest form both run: AVX2 only where the system saves the 256-bit registers.
TurnForm WidestForm(const ProcessorFacts &facts);

// This processor runs the AVX2 form.
bool ProcessorRunsAvx2();

// The bytes of a cache that CPUID's deterministic cache leaf (4 on Intel, 0x8000001D on AMD)
// describes in one subleaf's a, b and c; 0 for an instruction cache or the end of the list.
unsigned long long DescribedCacheBytes(unsigned a, unsigned b, unsigned c);
// The largest cache this processor describes: on Intel (and others) in leaf 4, on AMD in
// leaf 0x8000001D or failing that 0x80000006; 0 where it describes none.
unsigned long long ReadLastLevelCacheBytes();
// From what size of result on the quarter turns stream it: where the source and the result
// together fill the last-level cache, a cached result would only push out both; under a
// hypervisor, whose guests share the cache CPUID describes, from 8 MB at most. Never where the
// cache's size is unknown.
std::size_t StreamFromBytes(unsigned long long lastLevelCacheBytes, bool underHypervisor);
// CPUID says a hypervisor runs this system (a guest's, or a Hyper-V host's).
bool RunsUnderHypervisor();
// StreamFromBytes for this processor, as the program's turns take it.
std::size_t ChosenStreamFromBytes();

#endif
