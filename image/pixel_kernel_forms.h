// The forms of the turns that a program for x86 holds side by side, each in its own
// namespace, and what this processor and its operating system run: the choice of
// pixel_kernels_choice.cpp takes the widest, the native tests check each one.
#ifndef TAVRO_PIXEL_KERNEL_FORMS_H
#define TAVRO_PIXEL_KERNEL_FORMS_H

#include <cstddef>

#define TAVRO_DECLARE_KERNELS(name)                                                            \
    namespace name {                                                                           \
    void TurnPixelsClockwise(unsigned char *, std::ptrdiff_t, const unsigned char *,           \
                             std::ptrdiff_t, int, int);                                        \
    void TurnPixels180(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, \
                       int, int);                                                              \
    void TurnPixelsCounterClockwise(unsigned char *, std::ptrdiff_t, const unsigned char *,    \
                                    std::ptrdiff_t, int, int);                                 \
    unsigned char *CopyReversed(unsigned char *, const unsigned char *, int);                  \
    }
TAVRO_DECLARE_KERNELS(plain)
TAVRO_DECLARE_KERNELS(sse2)
TAVRO_DECLARE_KERNELS(avx2)
#undef TAVRO_DECLARE_KERNELS

bool ProcessorRunsSse2();
// AVX2 in the processor, and the 256-bit registers saved by the operating system on every
// thread switch (never on Windows XP, which predates them).
bool ProcessorRunsAvx2();

#endif
