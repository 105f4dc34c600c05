// Naive mappings written straight from the definitions in image/pixel_kernels.h, and a check
// of a kernel against them on buffers of exactly the result's size.
#ifndef TAVRO_REFERENCE_TURNS_H
#define TAVRO_REFERENCE_TURNS_H

#include "image/pixel_kernels.h"
#ifdef TAVRO_KERNEL_FORMS
#include "image/pixel_kernel_forms.h"
#endif

#include <cstddef>
#include <cstdint>
#include <vector>

typedef unsigned char Byte;
typedef void (*TurnFunction)(Byte *, std::ptrdiff_t, const Byte *, std::ptrdiff_t, int, int);

enum Turn { CLOCKWISE, HALF, COUNTER_CLOCKWISE, TURN_COUNT };

const char *const TURN_NAMES[TURN_COUNT] = {"clockwise", "half", "counter-clockwise"};

struct KernelForm {
    const char *name;
    TurnFunction turns[TURN_COUNT];
    Byte *(*copyReversed)(Byte *, const Byte *, int);
};

#ifdef TAVRO_KERNEL_FORMS
typedef void (*StreamingTurn)(Byte *, std::ptrdiff_t, const Byte *, std::ptrdiff_t, int, int, std::size_t);

// A form's quarter turn that streams results of streamFrom bytes or more.
template <StreamingTurn TURN, std::size_t STREAM_FROM>
void StreamingFrom(Byte *result, std::ptrdiff_t resultStride, const Byte *source, std::ptrdiff_t sourceStride,
                   int width, int height)
{
    TURN(result, resultStride, source, sourceStride, width, height, STREAM_FROM);
}

// Each form twice: writing every result through the caches, and streaming every one.
#define TAVRO_FORM_ENTRIES(form)                                                                  \
    KernelForm{#form,                                                                             \
               {StreamingFrom<form::TurnPixelsClockwise, std::size_t(-1)>, form::TurnPixels180,   \
                StreamingFrom<form::TurnPixelsCounterClockwise, std::size_t(-1)>},                \
               form::CopyReversed},                                                               \
        KernelForm{#form "_streamed",                                                             \
                   {StreamingFrom<form::TurnPixelsClockwise, 0>, form::TurnPixels180,             \
                    StreamingFrom<form::TurnPixelsCounterClockwise, 0>},                          \
                   form::CopyReversed}
#endif

// The turns as the program calls them, then, where the build holds several forms, each one
// that this processor runs.
inline std::vector<KernelForm> KernelForms()
{
    std::vector<KernelForm> forms = {
        {"chosen", {TurnPixelsClockwise, TurnPixels180, TurnPixelsCounterClockwise}, CopyReversed}};
#if defined(TAVRO_KERNEL_FORMS) && defined(__i386__)
    forms.insert(forms.end(), {TAVRO_FORM_ENTRIES(plain)});
#endif
#ifdef TAVRO_KERNEL_FORMS
    forms.insert(forms.end(), {TAVRO_FORM_ENTRIES(sse2)});
    if (ProcessorRunsAvx2())
        forms.insert(forms.end(), {TAVRO_FORM_ENTRIES(avx2)});
#ifdef TAVRO_NARROW_AVX2_FORM
    if (ProcessorRunsAvx2())
        forms.insert(forms.end(), {TAVRO_FORM_ENTRIES(avx2_narrow)});
#endif
#endif
    return forms;
}

// Whatever a kernel finds outside the pixels must still be there afterwards.
const Byte SENTINEL = 0xA5;

inline void ReferenceTurn(Turn turn, Byte *result, std::ptrdiff_t resultStride,
                          const Byte *source, std::ptrdiff_t sourceStride, int width, int height)
{
    int resultWidth = turn == HALF ? width : height;
    int resultHeight = turn == HALF ? height : width;
    for (int i = 0; i < resultHeight; i++)
        for (int j = 0; j < resultWidth; j++) {
            int row = turn == CLOCKWISE ? j : height - 1 - (turn == HALF ? i : j);
            int column = turn == COUNTER_CLOCKWISE ? i : width - 1 - (turn == HALF ? j : i);
            result[i * resultStride + j] = source[row * sourceStride + column];
        }
}

// Turns with the form's kernel a source of width x height pixels, rows sourceStride apart, into a result whose rows
// are its width plus resultPadding bytes apart; true when kernel and reference agree on
// every byte, alignment bytes included. With a lineOffset, the result starts that many bytes
// past a 64-byte boundary, inside a margin that must stay untouched; without, it fills its
// buffer exactly, so that the address sanitizer catches any write beyond.
inline bool KernelMatchesReference(const KernelForm &form, Turn turn, const Byte *source,
                                   std::ptrdiff_t sourceStride, int width, int height,
                                   int resultPadding, int lineOffset = -1)
{
    const int LINE = 64;
    int resultWidth = turn == HALF ? width : height;
    int resultHeight = turn == HALF ? height : width;
    std::ptrdiff_t resultStride = resultWidth + resultPadding;
    // The last row needs no alignment bytes, so an overrun past the pixels reaches the end.
    std::size_t resultBytes = (resultHeight - 1) * resultStride + resultWidth;
    std::size_t margin = lineOffset < 0 ? 0 : 3 * LINE;
    std::vector<Byte> expected(resultBytes + margin, SENTINEL), actual(resultBytes + margin, SENTINEL);
    std::size_t start = lineOffset < 0 ? 0 : (LINE - reinterpret_cast<std::uintptr_t>(actual.data()) % LINE) % LINE + lineOffset;
    ReferenceTurn(turn, expected.data() + start, resultStride, source, sourceStride, width, height);
    form.turns[turn](actual.data() + start, resultStride, source, sourceStride, width, height);
    return actual == expected;
}

#endif
