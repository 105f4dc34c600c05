// Each turn against cv::rotate making the same mapping of stored rows, and against memcpy of
// the same pixel bytes, at a sensor's size, a large modern sensor's and 4096 x 4096; then the
// quarter turns and memcpy over a sweep of widths, powers of two and their neighbours among
// them, where a width that the caches handle badly stands out from the next ones.
#include "image/pixel_kernels.h"
#include "tests/native/dib_pixels.h"
#ifdef TAVRO_KERNEL_FORMS
#include "image/pixel_kernel_forms.h"
#endif

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cstring>
#include <string>

namespace {

typedef void (*TurnFunction)(unsigned char *, std::ptrdiff_t, const unsigned char *,
                             std::ptrdiff_t, int, int);

struct Turn {
    const char *name;
    TurnFunction kernel;
    // OpenCV's rows run top-down, so a clockwise turn as displayed is its counter-clockwise.
    int rotateCode;
    bool quarter;
};

const Turn TURNS[] = {
    {"clockwise", TurnPixelsClockwise, cv::ROTATE_90_COUNTERCLOCKWISE, true},
    {"half", TurnPixels180, cv::ROTATE_180, false},
    {"counter_clockwise", TurnPixelsCounterClockwise, cv::ROTATE_90_CLOCKWISE, true},
};

#ifdef TAVRO_KERNEL_FORMS
// The SSE2 quarter turns beside the chosen ones where the processor takes AVX2, which
// processors without AVX2 or systems before Windows 7 SP1 run instead.
// They stream results from the size the program's choice takes.
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

const Turn SSE2_TURNS[] = {
    {"clockwise", Sse2Clockwise, cv::ROTATE_90_COUNTERCLOCKWISE, true},
    {"counter_clockwise", Sse2CounterClockwise, cv::ROTATE_90_CLOCKWISE, true},
};
#endif

struct Images {
    Images(int width, int height, const Turn &turn)
        : width(width), height(height),
          resultWidth(turn.quarter ? height : width), resultHeight(turn.quarter ? width : height),
          source(std::size_t(Stride(width)) * height), result(std::size_t(Stride(resultWidth)) * resultHeight),
          sourceMat(height, width, CV_8UC1, source.data(), Stride(width)),
          resultMat(resultHeight, resultWidth, CV_8UC1, result.data(), Stride(resultWidth))
    {
        for (std::size_t k = 0; k < source.size(); k++)
            source[k] = static_cast<unsigned char>(k * 2654435761u >> 24);
    }

    int width, height, resultWidth, resultHeight;
    Pixels source, result;
    cv::Mat sourceMat, resultMat;
};

void RunKernel(benchmark::State &state, const Turn &turn, int width, int height)
{
    Images images(width, height, turn);
    // The comparison is fair only if both make the same picture.
    cv::Mat expected;
    cv::rotate(images.sourceMat, expected, turn.rotateCode);
    turn.kernel(images.result.data(), Stride(images.resultWidth), images.source.data(),
                Stride(width), width, height);
    if (cv::norm(expected, images.resultMat, cv::NORM_INF) != 0)
        state.SkipWithError("differs from cv::rotate");
    for (auto _ : state) {
        turn.kernel(images.result.data(), Stride(images.resultWidth), images.source.data(),
                    Stride(width), width, height);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * images.source.size());
}

void RunOpenCv(benchmark::State &state, const Turn &turn, int width, int height)
{
    Images images(width, height, turn);
    for (auto _ : state) {
        cv::rotate(images.sourceMat, images.resultMat, turn.rotateCode);
        benchmark::ClobberMemory();
    }
    if (images.resultMat.data != images.result.data())
        state.SkipWithError("cv::rotate reallocated its result");
    state.SetBytesProcessed(state.iterations() * images.source.size());
}

void RunMemcpy(benchmark::State &state, int width, int height)
{
    Images images(width, height, TURNS[1]);
    for (auto _ : state) {
        std::memcpy(images.result.data(), images.source.data(), images.source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * images.source.size());
}

} // namespace

int main(int argc, char **argv)
{
#ifdef TAVRO_KERNEL_FORMS
    const bool avx2 = ProcessorRunsAvx2();
    benchmark::AddCustomContext("kernel_form", avx2 ? "AVX2" : "SSE2");
    benchmark::AddCustomContext("last_level_cache_bytes", std::to_string(ReadLastLevelCacheBytes()));
    benchmark::AddCustomContext("stream_from_bytes", std::to_string(STREAM_FROM));
    benchmark::AddCustomContext("under_hypervisor", RunsUnderHypervisor() ? "yes" : "no");
#endif
    const int sizes[][2] = {{456, 684}, {1500, 2000}, {4096, 4096}};
    for (const auto &size : sizes) {
        std::string suffix = "/" + std::to_string(size[0]) + "x" + std::to_string(size[1]);
        benchmark::RegisterBenchmark(("memcpy" + suffix).c_str(), RunMemcpy, size[0], size[1]);
        for (const Turn &turn : TURNS) {
            benchmark::RegisterBenchmark((std::string("tavro_") + turn.name + suffix).c_str(),
                                         RunKernel, turn, size[0], size[1]);
            benchmark::RegisterBenchmark((std::string("cv_rotate_") + turn.name + suffix).c_str(),
                                         RunOpenCv, turn, size[0], size[1]);
        }
#ifdef TAVRO_KERNEL_FORMS
        if (avx2)
            for (const Turn &turn : SSE2_TURNS)
                benchmark::RegisterBenchmark((std::string("sse2_") + turn.name + suffix).c_str(),
                                             RunKernel, turn, size[0], size[1]);
#endif
    }
    // Widths 4 apart have different DIB strides; odd ones leave columns past the last tile.
    const int sweepWidths[] = {256, 260, 384, 508, 512, 516, 768, 1020, 1024, 1028,
                               1536, 2044, 2047, 2048, 2052, 3072, 4092, 4095, 4096};
    const int sweepHeight = 1024;
    for (int width : sweepWidths) {
        std::string suffix = "/" + std::to_string(width) + "x" + std::to_string(sweepHeight);
        benchmark::RegisterBenchmark(("sweep_memcpy" + suffix).c_str(), RunMemcpy, width, sweepHeight);
        for (const Turn &turn : TURNS)
            if (turn.quarter)
                benchmark::RegisterBenchmark((std::string("sweep_") + turn.name + suffix).c_str(),
                                             RunKernel, turn, width, sweepHeight);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
