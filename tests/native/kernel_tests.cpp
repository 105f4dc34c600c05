#include "tests/native/reference_turns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>

// Failures name the form, not its bytes.
void PrintTo(const KernelForm &form, std::ostream *out) { *out << form.name; }

namespace {

// Each test runs on every form of the turns that this build holds and this processor runs.
class Kernels : public ::testing::TestWithParam<KernelForm> {
protected:
    const KernelForm &Form() const { return GetParam(); }
};

std::string FormName(const ::testing::TestParamInfo<KernelForm> &info) { return info.param.name; }

// A source of width x height distinct-looking pixels, trimmed after the last pixel so that
// any read beyond it is caught by the address sanitizer.
std::vector<Byte> Pattern(int width, int height, std::ptrdiff_t stride)
{
    std::vector<Byte> source((height - 1) * stride + width, SENTINEL);
    for (int r = 0; r < height; r++)
        for (int c = 0; c < width; c++)
            source[r * stride + c] = static_cast<Byte>(r * 31 + c * 7 + 1);
    return source;
}

TEST_P(Kernels, WorkedExampleThreeByTwo)
{
    // Stored bottom row first: 40 50 60, then 10 20 30.
    const Byte source[] = {40, 50, 60, 0, 10, 20, 30, 0};
    const Byte expected[TURN_COUNT][6] = {
        {60, 30, 50, 20, 40, 10}, {30, 20, 10, 60, 50, 40}, {10, 40, 20, 50, 30, 60}};
    for (int turn = 0; turn < TURN_COUNT; turn++) {
        Byte result[6];
        int resultWidth = turn == HALF ? 3 : 2;
        Form().turns[turn](result, resultWidth, source, 4, 3, 2);
        EXPECT_TRUE(std::equal(result, result + 6, expected[turn])) << TURN_NAMES[turn];
    }
}

TEST_P(Kernels, QuarterTurnOfFiveByThreeWritesFifteenBytes)
{
    std::vector<Byte> source = Pattern(5, 3, 8);
    for (Turn turn : {CLOCKWISE, COUNTER_CLOCKWISE}) {
        std::vector<Byte> result(4 * 5, SENTINEL);
        Form().turns[turn](result.data(), 4, source.data(), 8, 5, 3);
        EXPECT_EQ(15, std::count_if(result.begin(), result.end(),
                                    [](Byte b) { return b != SENTINEL; }));
        for (int row = 0; row < 5; row++)
            EXPECT_EQ(SENTINEL, result[row * 4 + 3]) << TURN_NAMES[turn];
    }
}

// Every turn of one source against the reference.
void ExpectAllTurnsMatch(const KernelForm &form, int width, int height, std::ptrdiff_t stride, int padding)
{
    std::vector<Byte> source = Pattern(width, height, stride);
    for (int turn = 0; turn < TURN_COUNT; turn++)
        EXPECT_TRUE(KernelMatchesReference(form, Turn(turn), source.data(), stride, width, height, padding))
            << TURN_NAMES[turn] << " " << width << "x" << height << " +" << padding;
}

std::ptrdiff_t DibStride(int width, int padding) { return ((width + 3) & ~3) + padding; }

// Every size up to past two tiles in each direction, odd widths, one-pixel-high and
// one-pixel-wide images included, with DIB strides and with odd ones.
TEST_P(Kernels, MatchReferenceOverSizesAndStrides)
{
    const int sizes[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 127, 130, 131};
    for (int width : sizes)
        for (int height : sizes)
            for (int padding : {0, 3})
                ExpectAllTurnsMatch(Form(), width, height, DibStride(width, padding), padding);
}

// Strips past the last whole tiles as deep as the small tiles and one deeper: 16 and 17 rows
// below the last AVX2 tile of 32 rows, 8 and 9 columns beside the last of 16 (with padding 3
// wherever the result lies; without, the first rows may be turned apart and leave none).
TEST_P(Kernels, MatchReferenceAtSmallTileDepths)
{
    for (int width : {24, 25, 40, 41})
        for (int height : {48, 49, 80, 81})
            for (int padding : {0, 3})
                ExpectAllTurnsMatch(Form(), width, height, DibStride(width, padding), padding);
}

// Sizes that span several bands of tiles, with partial ones at each end, the sensor's, and a
// large sensor's, whose 2000 rows leave a strip of 16 below the AVX2 tiles.
TEST_P(Kernels, MatchReferenceOverLargeSizes)
{
    const int sizes[][2] = {{515, 300}, {515, 531}, {1100, 300}, {1100, 531}, {456, 684}, {684, 456}, {1500, 2000}};
    for (const auto &size : sizes)
        for (int padding : {0, 3})
            ExpectAllTurnsMatch(Form(), size[0], size[1], DibStride(size[0], padding), padding);
}

// Sources so tall that the quarter turns' result rows lie whole pages apart, or nearly, and
// go through a block: with the source rows crowded too (staged, with columns past the last
// chunk or not) and not, partial bands and tiles, and rows 2048 bytes apart, which go
// straight. Width, source stride, height.
TEST_P(Kernels, MatchReferenceWithResultRowsPagesApart)
{
    const int sizes[][3] = {{100, 100, 4093}, {529, 532, 4096}, {1024, 1024, 4092},
                            {1000, 1024, 4096}, {40, 40, 8192}, {529, 532, 2048}};
    for (const auto &size : sizes)
        for (int padding : {0, 3})
            ExpectAllTurnsMatch(Form(), size[0], size[2], size[1] + padding, padding);
}

// Source rows that crowd a cache set, whose bands the quarter turns stage: strides from 256
// bytes to whole pages and a page give or take a few bytes, widths with and without columns
// past the last staged chunk and past the last tile, several bands with a partial one at the
// end. The fuzzer's sizes reach few such strides. Width, source stride.
TEST_P(Kernels, MatchReferenceOverCrowdedStrides)
{
    const int strides[][2] = {{200, 256},   {256, 256},   {700, 768},   {1000, 1024}, {1024, 1024},
                              {2047, 2048}, {4093, 4096}, {4090, 4092}, {4100, 4100}, {8192, 8192}};
    for (const auto &crowded : strides)
        for (int height : {150, 529})
            for (int padding : {0, 3})
                ExpectAllTurnsMatch(Form(), crowded[0], height, crowded[1], padding);
}

// Sources and results starting anywhere in a cache line, as a DIB's pixels after its header
// and palette do: the quarter turns then start staged chunks past the first columns, stream
// runs that begin and end in parts of lines, and where the result rows lie a multiple of 16
// bytes apart take their first tile rows apart (in the last size beside a strip of 8 columns
// of the 32 x 16 AVX2 tiles). Rows pages apart on either side, and ordinary strides. Width,
// source stride, height.
TEST_P(Kernels, MatchReferenceAtEveryAlignment)
{
    const int LINE = 64;
    const int sizes[][3] = {{300, 300, 4096}, {300, 4096, 300}, {130, 132, 100}, {136, 136, 1024}};
    for (const auto &size : sizes) {
        std::vector<Byte> pattern = Pattern(size[0], size[2], size[1]);
        std::vector<Byte> buffer(pattern.size() + 2 * LINE);
        for (int offset = 0; offset < LINE; offset += 4) {
            Byte *source = buffer.data() + (LINE - reinterpret_cast<std::uintptr_t>(buffer.data()) % LINE) % LINE + offset;
            std::copy(pattern.begin(), pattern.end(), source);
            for (int resultOffset : {offset, LINE - 4 - offset})
                for (Turn turn : {CLOCKWISE, COUNTER_CLOCKWISE})
                    EXPECT_TRUE(KernelMatchesReference(Form(), turn, source, size[1], size[0], size[2], 0, resultOffset))
                        << TURN_NAMES[turn] << " " << size[0] << "x" << size[2] << ", source at " << offset
                        << ", result at " << resultOffset;
        }
    }
}

// Counts past two of the widest pieces and a byte-wise rest.
TEST_P(Kernels, CopyReversed)
{
    for (int count = 1; count <= 80; count++) {
        std::vector<Byte> source(count), target(count + 2, SENTINEL);
        for (int k = 0; k < count; k++)
            source[k] = static_cast<Byte>(k + 1);
        Byte *last = &target[count];
        EXPECT_EQ(last, Form().copyReversed(last, source.data(), count));
        EXPECT_EQ(SENTINEL, target[0]);
        EXPECT_EQ(SENTINEL, target[count + 1]);
        for (int k = 0; k < count; k++)
            EXPECT_EQ(k + 1, last[-k]) << "count " << count;
    }
    Byte target = SENTINEL;
    const Byte source = 1;
    for (int count : {0, -1, -100}) {
        EXPECT_EQ(&target, Form().copyReversed(&target, &source, count));
        EXPECT_EQ(SENTINEL, target);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Kernels, ::testing::ValuesIn(KernelForms()), FormName);

#ifdef TAVRO_KERNEL_FORMS
struct Machine {
    const char *name;
    ProcessorFacts facts;
    TurnForm form;
};

// CPUID leaf 1 c: OSXSAVE bit 27, AVX bit 28; d: SSE2 bit 26. Leaf 7 b: AVX2 bit 5. XCR0: x87 1,
// SSE 2, AVX 4.
const unsigned OSXSAVE = 1u << 27, AVX = 1u << 28, SSE2 = 1u << 26, AVX2 = 1u << 5;
const Machine MACHINES[] = {
    {"486 without CPUID", {0, 0, 0, 0}, TurnForm::PLAIN},
    {"Pentium III", {0, 1u << 25, 0, 0}, TurnForm::PLAIN},
    {"Pentium 4", {0, SSE2, 0, 0}, TurnForm::SSE2},
    {"Haswell under Windows XP: no OSXSAVE", {AVX, SSE2, 0, AVX2}, TurnForm::SSE2},
    {"a system that saves only the SSE registers", {OSXSAVE | AVX, SSE2, 0x3, AVX2}, TurnForm::SSE2},
    {"Sandy Bridge: AVX without AVX2", {OSXSAVE | AVX, SSE2, 0x7, 0}, TurnForm::SSE2},
    {"Haswell under Windows 10", {OSXSAVE | AVX, SSE2, 0x7, AVX2}, TurnForm::AVX2},
};

// The form the program takes on processors and systems this one is not.
TEST(KernelChoice, TakesTheWidestFormTheProcessorAndTheSystemBothRun)
{
    for (const Machine &machine : MACHINES)
        EXPECT_EQ(WidestForm(machine.facts), machine.form) << machine.name;
}

struct CacheLeaf {
    const char *name;
    unsigned a, b, c;
    unsigned long long bytes;
};

// Subleaves of CPUID 0x8000001D as an AMD EPYC (Zen 4) gives them: a's low 5 bits are the
// type (1 data, 2 instruction, 3 unified, 0 the end), b holds ways, partitions and line size
// less one, c the sets less one.
const CacheLeaf CACHE_LEAVES[] = {
    {"L1d 32 KB 8-way", 0x00000121, 0x01c0003f, 0x0000003f, 32 * 1024},
    {"L1i", 0x00000122, 0x01c0003f, 0x0000003f, 0},
    {"L2 1 MB 8-way", 0x00000143, 0x01c0003f, 0x000007ff, 1024 * 1024},
    {"L3 32 MB 16-way", 0x00004163, 0x03c0003f, 0x00007fff, 32 * 1024 * 1024},
    {"two partitions of 128-byte lines", 0x00000163, 0x00c0107f, 0x000000ff, 4 * 2 * 128 * 256},
    {"end of the list", 0, 0, 0, 0},
};

TEST(KernelChoice, ReadsCacheSizesFromDeterministicCacheLeaves)
{
    for (const CacheLeaf &leaf : CACHE_LEAVES)
        EXPECT_EQ(leaf.bytes, DescribedCacheBytes(leaf.a, leaf.b, leaf.c)) << leaf.name;
}

// Source and result together fill the cache, under a hypervisor counted at most 16 MB; an
// unknown cache never streams, nor, on a 32-bit system, one of 8 GB or more unless capped.
TEST(KernelChoice, StreamsResultsHalfTheLastLevelCache)
{
    const unsigned long long NEVER = std::size_t(-1);
    const struct {
        unsigned long long cache;
        bool underHypervisor;
        unsigned long long from;
    } cases[] = {
        {12ull << 20, true, 6ull << 20},
        {(16ull << 20) + 2, true, 8ull << 20},
        {32ull << 20, false, 16ull << 20},
        {32ull << 20, true, 8ull << 20},
        {8ull << 30, false, sizeof(std::size_t) == 4 ? NEVER : 4ull << 30},
        {8ull << 30, true, 8ull << 20},
        {0, true, NEVER},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.from, static_cast<unsigned long long>(StreamFromBytes(c.cache, c.underHypervisor)))
            << c.cache << " " << c.underHypervisor;
}
#endif

} // namespace
