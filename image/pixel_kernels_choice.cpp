// Windows XP runs on processors without SSE2 (Pentium III, Athlon XP), where one SSE2
// instruction ends the program at the first exposure: the program holds the turns in both
// forms and takes the SSE2 ones only where the processor has it.
#include "image/pixel_kernels.h"

#if defined(_MSC_VER)
#include <intrin.h>
#endif

typedef unsigned char Byte;
typedef std::ptrdiff_t Step;

#define TAVRO_DECLARE_KERNELS(name)                                                            \
    namespace name {                                                                           \
    void TurnPixelsClockwise(Byte *, Step, const Byte *, Step, int, int);                      \
    void TurnPixels180(Byte *, Step, const Byte *, Step, int, int);                            \
    void TurnPixelsCounterClockwise(Byte *, Step, const Byte *, Step, int, int);               \
    Byte *CopyReversed(Byte *, const Byte *, int);                                             \
    }
TAVRO_DECLARE_KERNELS(plain)
TAVRO_DECLARE_KERNELS(sse2)

namespace {

bool HasSse2()
{
#if defined(_MSC_VER)
    int registers[4];
    __cpuid(registers, 1);
    return (registers[3] >> 26) & 1;
#else
    return __builtin_cpu_supports("sse2");
#endif
}

const bool g_sse2 = HasSse2();

} // namespace

void TurnPixelsClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride, int width,
                         int height)
{
    (g_sse2 ? sse2::TurnPixelsClockwise : plain::TurnPixelsClockwise)(result, resultStride, source,
                                                                      sourceStride, width, height);
}

void TurnPixels180(Byte *result, Step resultStride, const Byte *source, Step sourceStride, int width, int height)
{
    (g_sse2 ? sse2::TurnPixels180 : plain::TurnPixels180)(result, resultStride, source, sourceStride, width,
                                                          height);
}

void TurnPixelsCounterClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                                int width, int height)
{
    (g_sse2 ? sse2::TurnPixelsCounterClockwise : plain::TurnPixelsCounterClockwise)(
        result, resultStride, source, sourceStride, width, height);
}

Byte *CopyReversed(Byte *lastTarget, const Byte *source, int count)
{
    return (g_sse2 ? sse2::CopyReversed : plain::CopyReversed)(lastTarget, source, count);
}
