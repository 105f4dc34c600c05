// Windows XP runs on processors without SSE2 (Pentium III, Athlon XP), where one SSE2
// instruction ends the program at the first exposure, and no Windows before 7 SP1 saves the
// AVX registers: the program holds the turns in several forms and takes the widest one that
// the processor and the operating system both run. Where the compiler's baseline is SSE2
// (x86-64) there is no plain form.
#include "image/pixel_kernel_forms.h"
#include "image/pixel_kernels.h"

#if (defined(__i386__) || defined(_M_IX86)) && !defined(TAVRO_PLAIN_KERNELS)
#error "a 32-bit program must hold the plain form, for processors without SSE2"
#endif

#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#else
#include <cpuid.h>
#endif

namespace {

// The registers a, b, c, d of a leaf (basic, or extended from 0x80000000) and subleaf; all
// zero where the processor has no such leaf (or no CPUID, as on a 486). A processor without
// extended leaves may answer 0x80000000 with anything: its highest leaf must be one of them.
void Cpuid(unsigned leaf, unsigned (&registers)[4], unsigned subleaf = 0)
{
    registers[0] = registers[1] = registers[2] = registers[3] = 0;
    unsigned first = leaf & 0x80000000u;
#if defined(_MSC_VER)
    int values[4];
    __cpuid(values, int(first));
    if (unsigned(values[0]) < leaf || (unsigned(values[0]) ^ first) > 0xFFFF)
        return;
    __cpuidex(values, int(leaf), int(subleaf));
    for (int k = 0; k < 4; k++)
        registers[k] = unsigned(values[k]);
#else
    unsigned highest = __get_cpuid_max(first, nullptr);
    if (highest < leaf || (highest ^ first) > 0xFFFF)
        return;
    __cpuid_count(leaf, subleaf, registers[0], registers[1], registers[2], registers[3]);
#endif
}

// The state components the operating system saves (XCR0). XGETBV exists only where CPUID
// reports OSXSAVE, which the caller checks first.
unsigned long long SavedState()
{
#if defined(_MSC_VER)
    return _xgetbv(0);
#else
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<unsigned long long>(high) << 32) | low;
#endif
}

const unsigned SSE2_BIT = 1u << 26;    // leaf 1, d
const unsigned OSXSAVE_BIT = 1u << 27; // leaf 1, c
const unsigned AVX_BIT = 1u << 28;     // leaf 1, c
const unsigned AVX2_BIT = 1u << 5;     // leaf 7, b
const unsigned HYPERVISOR_BIT = 1u << 31; // leaf 1, c: set under a hypervisor
const unsigned long long XMM_YMM_STATE = 0x6;

} // namespace

ProcessorFacts ReadProcessorFacts()
{
    unsigned features[4], extended[4];
    Cpuid(1, features);
    Cpuid(7, extended);
    ProcessorFacts facts = {features[2], features[3], 0, extended[1]};
    if (features[2] & OSXSAVE_BIT)
        facts.savedState = SavedState();
    return facts;
}

TurnForm WidestForm(const ProcessorFacts &facts)
{
    if ((facts.leaf1c & (OSXSAVE_BIT | AVX_BIT)) == (OSXSAVE_BIT | AVX_BIT) &&
        (facts.savedState & XMM_YMM_STATE) == XMM_YMM_STATE && (facts.leaf7b & AVX2_BIT))
        return TurnForm::AVX2;
    return facts.leaf1d & SSE2_BIT ? TurnForm::SSE2 : TurnForm::PLAIN;
}

bool ProcessorRunsAvx2()
{
    return WidestForm(ReadProcessorFacts()) == TurnForm::AVX2;
}

unsigned long long DescribedCacheBytes(unsigned a, unsigned b, unsigned c)
{
    const unsigned INSTRUCTION_CACHE = 2;
    unsigned type = a & 0x1F;
    if (type == 0 || type == INSTRUCTION_CACHE)
        return 0;
    unsigned long long ways = (b >> 22) + 1, partitions = (b >> 12 & 0x3FF) + 1, line = (b & 0xFFF) + 1;
    return ways * partitions * line * (c + 1ull);
}

namespace {

const unsigned TOPOLOGY_EXTENSIONS_BIT = 1u << 22; // leaf 0x80000001, c

// The largest cache that one deterministic cache leaf lists.
unsigned long long LargestDescribedCache(unsigned leaf)
{
    unsigned long long largest = 0;
    // Subleaves run up to the first empty one; no processor has more than a handful.
    for (unsigned subleaf = 0; subleaf < 16; subleaf++) {
        unsigned cache[4];
        Cpuid(leaf, cache, subleaf);
        if ((cache[0] & 0x1F) == 0)
            break;
        unsigned long long bytes = DescribedCacheBytes(cache[0], cache[1], cache[2]);
        largest = bytes > largest ? bytes : largest;
    }
    return largest;
}

bool IsAmd()
{
    unsigned vendor[4];
    Cpuid(0, vendor);
    // "AuthenticAMD" and "HygonGenuine" in b, d, c.
    return (vendor[1] == 0x68747541 && vendor[3] == 0x69746e65 && vendor[2] == 0x444d4163) ||
           (vendor[1] == 0x6f677948 && vendor[3] == 0x6e65476e && vendor[2] == 0x656e6975);
}

} // namespace

unsigned long long ReadLastLevelCacheBytes()
{
    if (!IsAmd())
        return LargestDescribedCache(4);
    unsigned extended[4], sizes[4];
    Cpuid(0x80000001u, extended);
    if (extended[2] & TOPOLOGY_EXTENSIONS_BIT)
        if (unsigned long long largest = LargestDescribedCache(0x8000001Du))
            return largest;
    // AMD's older leaf: L3 in 512 KB units in d's top 14 bits, else L2 in KB in c's top 16.
    Cpuid(0x80000006u, sizes);
    return sizes[3] >> 18 ? (sizes[3] >> 18) * 512ull * 1024 : (sizes[2] >> 16) * 1024ull;
}

std::size_t StreamFromBytes(unsigned long long lastLevelCacheBytes, bool underHypervisor)
{
    // A virtual machine's CPUID describes the host's whole last-level cache, which the host's
    // other guests share. On one that gave 260 MB, results of 1 MB to 32 MB that only the
    // turns had written ran 1.3 to 5 times faster streamed (why, was not found), and those of
    // 2 MB to 16 MB 1.1 to 1.4 times counting the slower next pass over the uncached result.
    // So under a hypervisor no more than 8 MB is counted on; Windows on a Hyper-V host runs
    // under one too, and takes the same rule (images that size never come from the sensor).
    const unsigned long long MOST_CACHED_UNDER_A_HYPERVISOR = 8ull * 1024 * 1024;
    unsigned long long half = lastLevelCacheBytes / 2;
    if (underHypervisor && half > MOST_CACHED_UNDER_A_HYPERVISOR)
        half = MOST_CACHED_UNDER_A_HYPERVISOR;
    return lastLevelCacheBytes && half < std::size_t(-1) ? std::size_t(half) : std::size_t(-1);
}

bool RunsUnderHypervisor()
{
    return (ReadProcessorFacts().leaf1c & HYPERVISOR_BIT) != 0;
}

std::size_t ChosenStreamFromBytes()
{
    return StreamFromBytes(ReadLastLevelCacheBytes(), RunsUnderHypervisor());
}

namespace {

struct Kernels {
    void (*clockwise)(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, int, int,
                      std::size_t);
    void (*half)(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, int, int);
    void (*counterClockwise)(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, int,
                             int, std::size_t);
    unsigned char *(*copyReversed)(unsigned char *, const unsigned char *, int);
};

#define TAVRO_KERNELS_OF(name)                                                                 \
    Kernels { name::TurnPixelsClockwise, name::TurnPixels180, name::TurnPixelsCounterClockwise, \
              name::CopyReversed }

Kernels Widest()
{
    switch (WidestForm(ReadProcessorFacts())) {
    case TurnForm::AVX2:
        return TAVRO_KERNELS_OF(avx2);
#ifdef TAVRO_PLAIN_KERNELS
    case TurnForm::PLAIN:
        return TAVRO_KERNELS_OF(plain);
#endif
    default:
        return TAVRO_KERNELS_OF(sse2);
    }
}

const Kernels g_kernels = Widest();
const std::size_t g_streamFrom = ChosenStreamFromBytes();

} // namespace

void TurnPixelsClockwise(unsigned char *result, std::ptrdiff_t resultStride, const unsigned char *source,
                         std::ptrdiff_t sourceStride, int width, int height)
{
    g_kernels.clockwise(result, resultStride, source, sourceStride, width, height, g_streamFrom);
}

void TurnPixels180(unsigned char *result, std::ptrdiff_t resultStride, const unsigned char *source,
                   std::ptrdiff_t sourceStride, int width, int height)
{
    g_kernels.half(result, resultStride, source, sourceStride, width, height);
}

void TurnPixelsCounterClockwise(unsigned char *result, std::ptrdiff_t resultStride, const unsigned char *source,
                                std::ptrdiff_t sourceStride, int width, int height)
{
    g_kernels.counterClockwise(result, resultStride, source, sourceStride, width, height, g_streamFrom);
}

unsigned char *CopyReversed(unsigned char *lastTarget, const unsigned char *source, int count)
{
    return g_kernels.copyReversed(lastTarget, source, count);
}
