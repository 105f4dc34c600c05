// Pixel mappings of 8-bit images over plain byte pointers and strides, free of any platform
// header so that they also build natively for sanitizers, fuzzing and benchmarks.
// Rows are counted as stored (bottom row first in a DIB); a stride is the distance in bytes
// between stored rows. Width and height are the source's and at least 1. Each turn writes
// the result's pixels only (at the edges some twice, with the same value) and leaves the
// alignment bytes alone.
#ifndef TAVRO_PIXEL_KERNELS_H
#define TAVRO_PIXEL_KERNELS_H

#include <cstddef>

// Result height wide and width high: result[i][j] = source[j][width - 1 - i].
void TurnPixelsClockwise(unsigned char *result, std::ptrdiff_t resultStride,
                         const unsigned char *source, std::ptrdiff_t sourceStride,
                         int width, int height);
// Result width wide and height high: result[i][j] = source[height - 1 - i][width - 1 - j].
void TurnPixels180(unsigned char *result, std::ptrdiff_t resultStride,
                   const unsigned char *source, std::ptrdiff_t sourceStride,
                   int width, int height);
// Result height wide and width high: result[i][j] = source[height - 1 - j][i].
void TurnPixelsCounterClockwise(unsigned char *result, std::ptrdiff_t resultStride,
                                const unsigned char *source, std::ptrdiff_t sourceStride,
                                int width, int height);

// Writes source[k] to lastTarget[-k] for k in 0..count-1; returns lastTarget.
unsigned char *CopyReversed(unsigned char *lastTarget, const unsigned char *source, int count);

#endif
