// The quarter turns as the Windows program runs them, against memcpy of the same bytes in the
// same run: the native benchmark (tests/native) builds the same kernels for Linux on x86-64,
// whose compiler has twice the vector registers of the 32-bit program's (and where the AVX2
// tiles are twice as wide). Run by
// scripts/bench-report.sh, or by hand in a Wine session of scripts/wine-session.sh:
//   "$TAVRO_WINE" build/tests/bench/turns_bench.exe
// One line per figure: the size, the turn (or memcpy), the form, the median in microseconds.
#include "image/pixel_kernel_forms.h"
#include "image/pixel_kernels.h"
#include "tests/native/dib_pixels.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

typedef void (*Turn)(unsigned char *, std::ptrdiff_t, const unsigned char *, std::ptrdiff_t, int, int);

const std::size_t STREAM_FROM = ChosenStreamFromBytes();

void Sse2Clockwise(unsigned char *result, std::ptrdiff_t resultStride, const unsigned char *source,
                   std::ptrdiff_t sourceStride, int width, int height)
{
    sse2::TurnPixelsClockwise(result, resultStride, source, sourceStride, width, height, STREAM_FROM);
}

void Sse2CounterClockwise(unsigned char *result, std::ptrdiff_t resultStride, const unsigned char *source,
                          std::ptrdiff_t sourceStride, int width, int height)
{
    sse2::TurnPixelsCounterClockwise(result, resultStride, source, sourceStride, width, height, STREAM_FROM);
}

struct Measured {
    const char *turn, *form;
    Turn kernel; // none: memcpy
};

const int TIMINGS = 11;
// Bytes turned per timing, so that the clock's resolution does not count.
const double BYTES_PER_TIMING = 32e6;

void Fill(Pixels &source)
{
    for (std::size_t k = 0; k < source.size(); k++)
        source[k] = static_cast<unsigned char>(k * 2654435761u >> 24);
}

// The chosen turn, where it is the AVX2 form, makes the same picture as the SSE2 form, which
// the kernel tests check against the definition: the benchmark must time working turns.
bool SameAsSse2(const Measured &measured, int width, int height)
{
    if (std::strcmp(measured.form, "AVX2") != 0)
        return true;
    const Turn reference = measured.kernel == TurnPixelsClockwise ? Sse2Clockwise : Sse2CounterClockwise;
    Pixels source(std::size_t(Stride(width)) * height), result(std::size_t(Stride(height)) * width),
        expected(result.size());
    Fill(source);
    measured.kernel(result.data(), Stride(height), source.data(), Stride(width), width, height);
    reference(expected.data(), Stride(height), source.data(), Stride(width), width, height);
    return std::memcmp(result.data(), expected.data(), result.size()) == 0;
}

// The median time of one call, each timing a run of calls one after the other.
double MedianMicroseconds(const Measured &measured, int width, int height)
{
    const int resultWidth = measured.kernel ? height : width, resultHeight = measured.kernel ? width : height;
    Pixels source(std::size_t(Stride(width)) * height), result(std::size_t(Stride(resultWidth)) * resultHeight);
    Fill(source);
    const int calls = std::max(1, int(BYTES_PER_TIMING / double(source.size())));
    std::vector<double> times;
    for (int timing = -1; timing < TIMINGS; timing++) { // the first warms the caches up
        const auto start = std::chrono::steady_clock::now();
        for (int call = 0; call < calls; call++)
            if (measured.kernel)
                measured.kernel(result.data(), Stride(resultWidth), source.data(), Stride(width), width, height);
            else
                std::memcpy(result.data(), source.data(), source.size());
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        if (timing >= 0)
            times.push_back(took.count() / calls);
    }
    std::sort(times.begin(), times.end());
    return times[TIMINGS / 2];
}

const char *FormName(TurnForm form)
{
    return form == TurnForm::AVX2 ? "AVX2" : form == TurnForm::SSE2 ? "SSE2" : "plain";
}

} // namespace

int main()
{
    const TurnForm chosen = WidestForm(ReadProcessorFacts());
    std::vector<Measured> measured = {{"memcpy", "", nullptr},
                                      {"clockwise", FormName(chosen), TurnPixelsClockwise},
                                      {"counter_clockwise", FormName(chosen), TurnPixelsCounterClockwise}};
    if (chosen == TurnForm::AVX2)
        measured.insert(measured.end(), {{"clockwise", "SSE2", Sse2Clockwise},
                                         {"counter_clockwise", "SSE2", Sse2CounterClockwise}});
    const int sizes[][2] = {{456, 684}, {1500, 2000}, {4096, 4096}};
    for (const auto &size : sizes)
        for (const Measured &each : measured) {
            if (!SameAsSse2(each, size[0], size[1])) {
                std::fprintf(stderr, "%dx%d %s: differs from the SSE2 form\n", size[0], size[1], each.turn);
                return 1;
            }
            std::printf("%dx%d %s %s %.2f\n", size[0], size[1], each.turn, *each.form ? each.form : "-",
                        MedianMicroseconds(each, size[0], size[1]));
        }
    return 0;
}
