#include "image/pixel_kernels.h"

// TAVRO_PORTABLE_KERNELS selects the plain loops even where SSE2 exists, so both can be checked.
#if defined(__SSE2__) && !defined(TAVRO_PORTABLE_KERNELS)
#define TAVRO_SSE2_KERNELS 1
#include <emmintrin.h>
#endif

namespace {

typedef unsigned char Byte;
typedef std::ptrdiff_t Step;

// Edge of the square tiles that are transposed at once, in registers where SSE2 exists.
const int TILE = 16;
// Tiles are visited in blocks of at most BLOCK x BLOCK pixels, whose source and result
// lines fit in the first-level cache.
const int BLOCK = 64;

// out[k][m] = in[m][k] for m < rows and k < cols; either step may be negative.
inline void TransposeLoop(Byte *out, Step outStep, const Byte *in, Step inStep,
                          int rows, int cols)
{
    for (int m = 0; m < rows; m++)
        for (int k = 0; k < cols; k++)
            out[k * outStep + m] = in[m * inStep + k];
}

#ifdef TAVRO_SSE2_KERNELS

// Interleaving rows j and j + 8 byte by byte rotates each byte's row and column index, taken
// together as one 8-bit number, one bit to the left; four rounds swap row and column.
inline void InterleaveHalves(__m128i *rows)
{
    __m128i mixed[TILE];
#pragma GCC unroll 8
    for (int j = 0; j < TILE / 2; j++) {
        mixed[2 * j] = _mm_unpacklo_epi8(rows[j], rows[j + TILE / 2]);
        mixed[2 * j + 1] = _mm_unpackhi_epi8(rows[j], rows[j + TILE / 2]);
    }
#pragma GCC unroll 16
    for (int j = 0; j < TILE; j++)
        rows[j] = mixed[j];
}

inline void TransposeTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    __m128i rows[TILE];
#pragma GCC unroll 16
    for (int j = 0; j < TILE; j++)
        rows[j] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + j * inStep));
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    InterleaveHalves(rows);
#pragma GCC unroll 16
    for (int j = 0; j < TILE; j++)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j * outStep), rows[j]);
}

inline __m128i Reverse16(__m128i v)
{
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

#else

inline void TransposeTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    TransposeLoop(out, outStep, in, inStep, TILE, TILE);
}

#endif

// Transposes a plane whose sides are whole tiles. Halving the longer side until a block is
// left visits neighbouring blocks one after the other, so that the lines and pages they
// share are still cached at each level when they are needed again.
void TransposeTiles(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    if (rows > BLOCK && rows >= cols) {
        int half = rows / 2 / TILE * TILE;
        TransposeTiles(out, outStep, in, inStep, half, cols);
        TransposeTiles(out + half, outStep, in + half * inStep, inStep, rows - half, cols);
    } else if (cols > BLOCK) {
        int half = cols / 2 / TILE * TILE;
        TransposeTiles(out, outStep, in, inStep, rows, half);
        TransposeTiles(out + half * outStep, outStep, in + half, inStep, rows, cols - half);
    } else {
        for (int m = 0; m < rows; m += TILE)
            for (int k = 0; k < cols; k += TILE)
                TransposeTile(out + k * outStep + m, outStep, in + m * inStep + k, inStep);
    }
}

// TransposeLoop over the whole plane, the inner part tile by tile.
void Transpose(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    int tiledRows = rows - rows % TILE;
    int tiledCols = cols - cols % TILE;
    TransposeTiles(out, outStep, in, inStep, tiledRows, tiledCols);
    // The strips are tested first: with a negative step their start lies outside the plane.
    if (tiledCols < cols)
        TransposeLoop(out + tiledCols * outStep, outStep, in + tiledCols, inStep,
                      rows, cols - tiledCols);
    if (tiledRows < rows)
        TransposeLoop(out + tiledRows, outStep, in + tiledRows * inStep, inStep,
                      rows - tiledRows, tiledCols);
}

} // namespace

void TurnPixelsClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                         int width, int height)
{
    // Source column c, read upwards, becomes result row width - 1 - c.
    Transpose(result + (width - 1) * resultStride, -resultStride, source, sourceStride,
              height, width);
}

void TurnPixels180(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                   int width, int height)
{
    for (int r = 0; r < height; r++)
        CopyReversed(result + (height - 1 - r) * resultStride + width - 1,
                     source + r * sourceStride, width);
}

void TurnPixelsCounterClockwise(Byte *result, Step resultStride, const Byte *source,
                                Step sourceStride, int width, int height)
{
    // Source column c, read downwards from the top row, becomes result row c.
    Transpose(result, resultStride, source + (height - 1) * sourceStride, -sourceStride,
              height, width);
}

Byte *CopyReversed(Byte *lastTarget, const Byte *source, int count)
{
    int k = 0;
#ifdef TAVRO_SSE2_KERNELS
    for (; k + 16 <= count; k += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + k));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(lastTarget - k - 15), Reverse16(v));
    }
#endif
    for (; k < count; k++)
        lastTarget[-k] = source[k];
    return lastTarget;
}
