#include "image/pixel_kernels.h"

#include <cstdint>
#include <cstring>

// TAVRO_PORTABLE_KERNELS selects the plain loops even where SSE2 exists, so both can be checked.
// TAVRO_KERNELS_NAMESPACE puts the turns into that namespace, so that one program can hold
// several forms and choose at run time (pixel_kernels_choice.cpp). MSVC defines no __SSE2__:
// it has SSE2 on x86-64 (but not ARM64EC, which also defines _M_X64), and on x86 where
// _M_IX86_FP is 2 (/arch:SSE2, its default, or wider).
#if (defined(__SSE2__) ||                                                                      \
     (defined(_MSC_VER) && ((defined(_M_X64) && !defined(_M_ARM64EC)) ||                      \
                            (defined(_M_IX86_FP) && _M_IX86_FP >= 2)))) &&                    \
    !defined(TAVRO_PORTABLE_KERNELS)
#define TAVRO_SSE2_KERNELS 1
#include <emmintrin.h>
#if defined(__AVX2__)
#define TAVRO_AVX2_KERNELS 1
#include <immintrin.h>
#endif
#endif

// A loop the compiler is asked to unroll, where it takes such a request (GCC, clang).
#if defined(__GNUC__)
#define TAVRO_PRAGMA(text) _Pragma(#text)
#define TAVRO_UNROLL(count) TAVRO_PRAGMA(GCC unroll count)
#else
#define TAVRO_UNROLL(count)
#endif

// A function kept out of line: the tiles. Left to GCC, whether a tile stays a call changes
// with unrelated edits to this file, and inlined into the band loops the turns took up to 1.4
// times as long (1500 x 2000 on an Intel Xeon, built as for release). MSVC is told the same.
#if defined(__GNUC__)
#define TAVRO_NOINLINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define TAVRO_NOINLINE __declspec(noinline)
#else
#define TAVRO_NOINLINE
#endif

#ifdef TAVRO_KERNELS_NAMESPACE
namespace TAVRO_KERNELS_NAMESPACE {
#endif

namespace {

typedef unsigned char Byte;
typedef std::ptrdiff_t Step;

// Not std::min: this file is compiled once per instruction set, and the linker keeps one copy
// of a shared template, perhaps the AVX2 one, for every caller.
inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }

// SSE2 tiles are 16 source rows by 8 source columns and write 8 result rows, 16 bytes each.
const int SMALL_TILE_ROWS = 16;
const int SMALL_TILE_COLS = 8;
#ifdef TAVRO_AVX2_KERNELS
// AVX2 tiles are 32 source rows high and write 32 bytes to each result row: every shuffle
// and every store moves twice the bytes. With 16 vector registers (x86-64) they are 16 source
// columns wide and load 16 bytes of each row; the 32-bit instruction set has 8, which tiles
// of 16 columns overflow to the stack, and there they are 8 wide and load 8 bytes (measured,
// up to 2.5 times faster, and nowhere slower); TAVRO_NARROW_AVX2_TILES takes those on x86-64
// too, so that the native checks cover them.
// Planes less than one tile high or wide have their edges done in SSE2 tiles.
const int TILE_ROWS = 32;
#if (defined(__x86_64__) || defined(_M_X64)) && !defined(TAVRO_NARROW_AVX2_TILES)
const int TILE_COLS = 16;
#else
const int TILE_COLS = 8;
#endif
#else
const int TILE_ROWS = SMALL_TILE_ROWS;
const int TILE_COLS = SMALL_TILE_COLS;
#endif
// Tiles are visited BAND source rows at a time, so that the tiles of one column write the
// same result rows one after the other and each result row gets BAND bytes in a run.
const int BAND = 256;
// The first-level caches of today's x86 cores have 64 sets of 64-byte lines, repeating every
// 4096 bytes, and 8 ways or more (32 KB 8-way, 48 KB 12-way). Where more than
// CROWDED_SOURCE_ROWS of a band's rows share one set (rows a multiple of 256 bytes apart,
// within some 7 bytes of a page or of a fraction of one), such a cache cannot keep the band's
// lines while the tiles read them in pieces, and fetches each again and again. Such a band is
// staged CHUNK columns at a time, two cache lines of each row, into a block that spreads over
// every set; each source line is then read once, whole. Other strides run as fast without
// the copy. Older caches (2- to 6-way, or sets repeating every 2 KB) only run slower.
const int LINE = 64;
const int SETS = 64;
const int CROWDED_SOURCE_ROWS = 8;
const int CHUNK = 2 * LINE;
// Where more than half of a tile's result rows share one set (rows within some 7 bytes of a
// page apart, more for 8-row tiles), they push one another out of that cache between the tiles
// that fill each line:
// such tiles are turned into a block instead, and each row's run copied out whole. Measured,
// at 2048 bytes apart the block costs more than it saves.
const int CROWDED_RESULT_ROWS = TILE_COLS / 2;

// How the tiles' result rows are written: straight from the registers; through the block;
// through the block and, where the result is so large that it would only push the source
// and itself out of the last-level cache (under a hypervisor from 8 MB: see
// pixel_kernels_choice.cpp), with stores that pass the caches by (which the
// straight path cannot use, as they fill only whole lines and a tile writes pieces of them).
enum ResultPath { STRAIGHT, BLOCK, STREAMED_BLOCK };

// out[k][m] = in[m][k] for m < rows and k < cols; either step may be negative.
inline void TransposeLoop(Byte *out, Step outStep, const Byte *in, Step inStep,
                          int rows, int cols)
{
    for (int m = 0; m < rows; m++)
        for (int k = 0; k < cols; k++)
            out[k * outStep + m] = in[m * inStep + k];
}

#ifdef TAVRO_SSE2_KERNELS

// Interleaving registers j and j + 4 byte by byte rotates each byte's register and position
// index, taken together as one 7-bit number, one bit to the left.
inline void InterleaveHalves(__m128i *rows)
{
    __m128i mixed[SMALL_TILE_COLS];
    TAVRO_UNROLL(4)
    for (int j = 0; j < SMALL_TILE_COLS / 2; j++) {
        mixed[2 * j] = _mm_unpacklo_epi8(rows[j], rows[j + SMALL_TILE_COLS / 2]);
        mixed[2 * j + 1] = _mm_unpackhi_epi8(rows[j], rows[j + SMALL_TILE_COLS / 2]);
    }
    TAVRO_UNROLL(8)
    for (int j = 0; j < SMALL_TILE_COLS; j++)
        rows[j] = mixed[j];
}

TAVRO_NOINLINE void TransposeSmallTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    // Register i holds source rows i and i + 8 interleaved: byte 2c + h is row i + 8h,
    // column c. Three rotations turn (i, c, h) into result row c, byte 8h + i.
    __m128i rows[SMALL_TILE_COLS];
    TAVRO_UNROLL(8)
    for (int i = 0; i < SMALL_TILE_COLS; i++)
        rows[i] = _mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + i * inStep)),
            _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + (i + SMALL_TILE_ROWS / 2) * inStep)));
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    TAVRO_UNROLL(8)
    for (int j = 0; j < SMALL_TILE_COLS; j++)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + j * outStep), rows[j]);
}

inline void Prefetch(const Byte *p)
{
    _mm_prefetch(reinterpret_cast<const char *>(p), _MM_HINT_T0);
}

// Copies a run, its whole cache lines past the caches; the parts of lines at its ends, which
// the neighbouring runs fill, as usual (streamed, a part line costs as much as a whole one).
// The AVX2 form fills each line in two 32-byte stores, not four of 16 (on an AMD family 26,
// its streamed turns ran as fast or up to a fifth faster). Every store is aligned, as
// streamed ones must be: the loop runs over whole lines only.
void StreamRun(Byte *to, const Byte *from, int count)
{
    int first = Min(int((0 - reinterpret_cast<std::uintptr_t>(to)) % LINE), count);
    int end = first + (count - first) / LINE * LINE;
    std::memcpy(to, from, first);
#ifdef TAVRO_AVX2_KERNELS
    for (int k = first; k < end; k += 32)
        _mm256_stream_si256(reinterpret_cast<__m256i *>(to + k),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + k)));
#else
    for (int k = first; k < end; k += 16)
        _mm_stream_si128(reinterpret_cast<__m128i *>(to + k),
                         _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + k)));
#endif
    std::memcpy(to + end, from + end, count - end);
}

// Streamed stores reach memory in no set order: the turn's result must be whole when it returns.
inline void EndStreaming() { _mm_sfence(); }

inline __m128i Reverse16(__m128i v)
{
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

#endif

#if defined(TAVRO_AVX2_KERNELS)

// The 256-bit form of InterleaveHalves, on registers j and j + TILE_COLS / 2 within each
// 128-bit lane: it rotates the register and position index (8 bits, or 7 for 8 registers)
// one bit to the left.
inline void InterleaveHalves(__m256i *rows)
{
    __m256i mixed[TILE_COLS];
    TAVRO_UNROLL(8)
    for (int j = 0; j < TILE_COLS / 2; j++) {
        mixed[2 * j] = _mm256_unpacklo_epi8(rows[j], rows[j + TILE_COLS / 2]);
        mixed[2 * j + 1] = _mm256_unpackhi_epi8(rows[j], rows[j + TILE_COLS / 2]);
    }
    TAVRO_UNROLL(16)
    for (int j = 0; j < TILE_COLS; j++)
        rows[j] = mixed[j];
}

inline __m256i Lanes(__m128i low, __m128i high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

inline __m128i Load8(const Byte *p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
}

TAVRO_NOINLINE void TransposeTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    __m256i rows[TILE_COLS];
    if constexpr (TILE_COLS == 16) {
        // Register i holds source row i in its low lane and row i + 16 in its high lane, so
        // that the rotations transpose both 16 x 16 halves at once.
        TAVRO_UNROLL(16)
        for (int i = 0; i < TILE_COLS; i++)
            rows[i] = Lanes(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i * inStep)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + (i + 16) * inStep)));
    } else {
        // Each lane is a small tile (TransposeSmallTile), of source rows 0 to 15 in the low
        // lane and 16 to 31 in the high one.
        TAVRO_UNROLL(8)
        for (int i = 0; i < TILE_COLS; i++)
            rows[i] = _mm256_unpacklo_epi8(Lanes(Load8(in + i * inStep), Load8(in + (i + 16) * inStep)),
                                           Lanes(Load8(in + (i + 8) * inStep), Load8(in + (i + 24) * inStep)));
    }
    // Rotations of the index, one per bit of the register's: register c is then result row c.
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    InterleaveHalves(rows);
    if constexpr (TILE_COLS == 16)
        InterleaveHalves(rows);
    TAVRO_UNROLL(16)
    for (int j = 0; j < TILE_COLS; j++)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + j * outStep), rows[j]);
}

inline void CopyChunk(Byte *staged, const Byte *in)
{
    const __m256i *from = reinterpret_cast<const __m256i *>(in);
    __m256i *to = reinterpret_cast<__m256i *>(staged);
    TAVRO_UNROLL(4)
    for (int i = 0; i < CHUNK / 32; i++)
        _mm256_store_si256(to + i, _mm256_loadu_si256(from + i));
}

// The strips that whole tiles leave in a plane less than a tile high or wide: in SSE2 tiles
// where they fit, the rest a byte at a time.
void TransposeEdge(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    int tiledRows = rows - rows % SMALL_TILE_ROWS;
    int tiledCols = cols - cols % SMALL_TILE_COLS;
    for (int k = 0; k < tiledCols; k += SMALL_TILE_COLS)
        for (int m = 0; m < tiledRows; m += SMALL_TILE_ROWS)
            TransposeSmallTile(out + k * outStep + m, outStep, in + m * inStep + k, inStep);
    if (tiledCols < cols)
        TransposeLoop(out + tiledCols * outStep, outStep, in + tiledCols, inStep,
                      rows, cols - tiledCols);
    if (tiledRows < rows)
        TransposeLoop(out + tiledRows, outStep, in + tiledRows * inStep, inStep,
                      rows - tiledRows, tiledCols);
}

#elif defined(TAVRO_SSE2_KERNELS)

inline void TransposeTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    TransposeSmallTile(out, outStep, in, inStep);
}

inline void CopyChunk(Byte *staged, const Byte *in)
{
    const __m128i *from = reinterpret_cast<const __m128i *>(in);
    __m128i *to = reinterpret_cast<__m128i *>(staged);
    TAVRO_UNROLL(8)
    for (int i = 0; i < CHUNK / 16; i++)
        _mm_store_si128(to + i, _mm_loadu_si128(from + i));
}

inline void TransposeEdge(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    TransposeLoop(out, outStep, in, inStep, rows, cols);
}

#else

inline void TransposeTile(Byte *out, Step outStep, const Byte *in, Step inStep)
{
    TransposeLoop(out, outStep, in, inStep, TILE_ROWS, TILE_COLS);
}

inline void Prefetch(const Byte *) {}

inline void StreamRun(Byte *to, const Byte *from, int count)
{
    std::memcpy(to, from, count);
}

inline void EndStreaming() {}

inline void CopyChunk(Byte *staged, const Byte *in)
{
    std::memcpy(staged, in, CHUNK);
}

inline void TransposeEdge(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    TransposeLoop(out, outStep, in, inStep, rows, cols);
}

#endif

// The bytes from p to the next cache line boundary, in whole units, or span if none.
int FirstSpan(const Byte *p, int unit, int span)
{
    int lead = int((0 - reinterpret_cast<std::uintptr_t>(p)) % LINE) / unit * unit;
    return lead ? lead : span;
}

// The most of `rows` lines, step bytes apart, that share one set of such a cache. Unsigned,
// so that a step of megabytes cannot overflow; the set is the same, modulo 2^32 or 2^64.
int MostInOneSet(Step step, int rows)
{
    int count[SETS] = {}, most = 0;
    for (int m = 0; m < rows; m++) {
        int n = ++count[(std::uintptr_t(m) * std::uintptr_t(step) / LINE) % SETS];
        most = n > most ? n : most;
    }
    return most;
}

void TransposeTiles(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    for (int k = 0; k < cols; k += TILE_COLS)
        for (int m = 0; m < rows; m += TILE_ROWS)
            TransposeTile(out + k * outStep + m, outStep, in + m * inStep + k, inStep);
}

#ifdef TAVRO_SSE2_KERNELS
// TransposeTiles where the plane is whole tiles high and wide, else TransposeEdge: only the
// AVX2 forms get there, with a plane of whole SSE2 tiles, which their TransposeEdge takes.
void TransposeFlush(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols)
{
    if (rows % TILE_ROWS == 0 && cols % TILE_COLS == 0)
        TransposeTiles(out, outStep, in, inStep, rows, cols);
    else
        TransposeEdge(out, outStep, in, inStep, rows, cols);
}
#endif

// TransposeTiles through a block of TILE_COLS result rows, each copied out whole.
void TransposeTilesViaBlock(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols,
                            bool streamed)
{
    alignas(LINE) Byte block[TILE_COLS * BAND];
    for (int k = 0; k < cols; k += TILE_COLS) {
        TransposeTiles(block, BAND, in + k, inStep, rows, TILE_COLS);
        for (int j = 0; j < TILE_COLS; j++)
            if (streamed)
                StreamRun(out + (k + j) * outStep, block + j * BAND, rows);
            else
                std::memcpy(out + (k + j) * outStep, block + j * BAND, rows);
    }
}

void TransposeBand(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols,
                   ResultPath path)
{
    if (path == STRAIGHT)
        TransposeTiles(out, outStep, in, inStep, rows, cols);
    else
        TransposeTilesViaBlock(out, outStep, in, inStep, rows, cols, path == STREAMED_BLOCK);
}

// TransposeLoop over the whole plane, the inner part tile by tile.
void Transpose(Byte *out, Step outStep, const Byte *in, Step inStep, int rows, int cols,
               bool streamed)
{
    // Tiles write a result row TILE_ROWS bytes at a time: where the first one would not start
    // at such a multiple of its cache line, the first TILE_ROWS source rows are turned on
    // their own and the rest from where that multiple begins, overlapping them. So no store
    // crosses a line, and the bands below start on lines, wherever the result rows share
    // the first one's alignment. Where they do not share it to 16 bytes, most rows would gain
    // little and the extra rows cost (at 456 x 684 up to a row of tiles in 22).
    int shift = int((0 - reinterpret_cast<std::uintptr_t>(out)) % LINE) % TILE_ROWS;
    if (shift && outStep % 16 == 0 && rows - shift >= TILE_ROWS) {
        Transpose(out, outStep, in, inStep, TILE_ROWS, cols, streamed);
        out += shift;
        in += shift * inStep;
        rows -= shift;
    }
    alignas(LINE) Byte staged[BAND * CHUNK];
    int tiledRows = rows - rows % TILE_ROWS;
    int tiledCols = cols - cols % TILE_COLS;
    // Chunks start where the first source row crosses a cache line (give or take the 8 columns
    // of the smaller tiles), so that on strides of whole lines each reads whole lines. The tiles
    // before them and after read the source itself, and overlap them where the larger tiles
    // do not fit in between.
    int firstChunk = 0, chunkEnd = 0;
    if (MostInOneSet(inStep, BAND) > CROWDED_SOURCE_ROWS) {
        firstChunk = int((0 - reinterpret_cast<std::uintptr_t>(in)) % LINE) / SMALL_TILE_COLS * SMALL_TILE_COLS;
        if (cols - firstChunk >= CHUNK)
            chunkEnd = cols - (cols - firstChunk) % CHUNK;
        else
            firstChunk = 0;
    }
    int leadCols = (firstChunk + TILE_COLS - 1) / TILE_COLS * TILE_COLS;
    // The last chunk may end past the last whole tile, which the chunk then covers itself.
    int restCols = Max(tiledCols - chunkEnd, 0), restTiled = restCols - restCols % TILE_COLS;
    ResultPath path = MostInOneSet(outStep, TILE_COLS) <= CROWDED_RESULT_ROWS ? STRAIGHT
                      : streamed                                              ? STREAMED_BLOCK
                                                                              : BLOCK;
    // The first band ends where the first result row crosses a cache line, so that the bands
    // cover whole result lines wherever the rows share that alignment.
    for (int m0 = 0, m1 = FirstSpan(out, TILE_ROWS, BAND); m0 < tiledRows; m0 = m1, m1 += BAND) {
        int bandRows = Min(m1, tiledRows) - m0;
        const Byte *band = in + m0 * inStep;
        TransposeBand(out + m0, outStep, band, inStep, bandRows, leadCols, path);
        for (int k0 = firstChunk; k0 < chunkEnd; k0 += CHUNK) {
            // The next chunk's lines are fetched while this one is turned; the hardware
            // prefetchers do not follow so many rows at once.
            bool more = k0 + CHUNK < chunkEnd;
            for (int m = 0; m < bandRows; m++) {
                if (more)
                    for (int line = 0; line < CHUNK; line += LINE)
                        Prefetch(band + m * inStep + k0 + CHUNK + line);
                CopyChunk(staged + m * CHUNK, band + m * inStep + k0);
            }
            TransposeBand(out + k0 * outStep + m0, outStep, staged, CHUNK, bandRows, CHUNK, path);
        }
        TransposeBand(out + chunkEnd * outStep + m0, outStep, band + chunkEnd, inStep,
                      bandRows, restTiled, path);
        if (restTiled < restCols)
            TransposeBand(out + (tiledCols - TILE_COLS) * outStep + m0, outStep,
                          band + tiledCols - TILE_COLS, inStep, bandRows, TILE_COLS, path);
    }
#ifdef TAVRO_SSE2_KERNELS
    // Past the last whole tiles, a plane at least a tile high and wide takes tiles flush with
    // its far edges, which overlap their neighbours and write those bytes again with the same
    // values. Where the strip is no deeper than the small tiles it takes those, half the
    // bytes of a strip of larger tiles (at 456 x 684 some 5 % less time).
    if (rows >= TILE_ROWS && cols >= TILE_COLS) {
        int edgeRows = rows - tiledRows <= SMALL_TILE_ROWS ? SMALL_TILE_ROWS : TILE_ROWS;
        int edgeCols = cols - tiledCols <= SMALL_TILE_COLS ? SMALL_TILE_COLS : TILE_COLS;
        const Byte *lastRows = in + (rows - edgeRows) * inStep, *lastCols = in + cols - edgeCols;
        if (tiledRows < rows)
            TransposeFlush(out + rows - edgeRows, outStep, lastRows, inStep, edgeRows, tiledCols);
        if (tiledCols < cols)
            TransposeFlush(out + (cols - edgeCols) * outStep, outStep, lastCols, inStep, tiledRows, edgeCols);
        if (tiledRows < rows && tiledCols < cols)
            TransposeFlush(out + (cols - edgeCols) * outStep + rows - edgeRows, outStep,
                           lastRows + cols - edgeCols, inStep, edgeRows, edgeCols);
        return;
    }
#endif
    // The strips are tested first: with a negative step their start lies outside the plane.
    if (tiledCols < cols)
        TransposeEdge(out + tiledCols * outStep, outStep, in + tiledCols, inStep,
                      rows, cols - tiledCols);
    if (tiledRows < rows)
        TransposeEdge(out + tiledRows, outStep, in + tiledRows * inStep, inStep,
                      rows - tiledRows, tiledCols);
}

// Writes source[k] to lastTarget[-k] for k in 0..count-1.
void ReverseRow(Byte *lastTarget, const Byte *source, int count)
{
    int k = 0;
#ifdef TAVRO_AVX2_KERNELS
    // Bytes reversed in each lane, then the lanes swapped.
    const __m256i reversed = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,
                                              15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    for (; k + 32 <= count; k += 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + k));
        v = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(v, reversed), _MM_SHUFFLE(1, 0, 3, 2));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(lastTarget - k - 31), v);
    }
#endif
#ifdef TAVRO_SSE2_KERNELS
    for (; k + 16 <= count; k += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source + k));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(lastTarget - k - 15), Reverse16(v));
    }
#endif
    for (; k < count; k++)
        lastTarget[-k] = source[k];
}

// Source column c, read upwards, becomes result row width - 1 - c.
void TurnClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                   int width, int height, bool streamed)
{
    Transpose(result + (width - 1) * resultStride, -resultStride, source, sourceStride,
              height, width, streamed);
    if (streamed)
        EndStreaming();
}

// Source column c, read downwards from the top row, becomes result row c.
void TurnCounterClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                          int width, int height, bool streamed)
{
    Transpose(result, resultStride, source + (height - 1) * sourceStride, -sourceStride,
              height, width, streamed);
    if (streamed)
        EndStreaming();
}

} // namespace

#ifdef TAVRO_KERNELS_NAMESPACE
// The pixel bytes of a quarter turn's result reach streamFrom.
static bool Streams(int width, int height, std::size_t streamFrom)
{
    return std::size_t(width) * std::size_t(height) >= streamFrom;
}

void TurnPixelsClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                         int width, int height, std::size_t streamFrom)
{
    TurnClockwise(result, resultStride, source, sourceStride, width, height,
                  Streams(width, height, streamFrom));
}

void TurnPixelsCounterClockwise(Byte *result, Step resultStride, const Byte *source,
                                Step sourceStride, int width, int height, std::size_t streamFrom)
{
    TurnCounterClockwise(result, resultStride, source, sourceStride, width, height,
                         Streams(width, height, streamFrom));
}
#else
// Built alone, without the run-time choice and its cache sizes, the turns never stream.
void TurnPixelsClockwise(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                         int width, int height)
{
    TurnClockwise(result, resultStride, source, sourceStride, width, height, false);
}

void TurnPixelsCounterClockwise(Byte *result, Step resultStride, const Byte *source,
                                Step sourceStride, int width, int height)
{
    TurnCounterClockwise(result, resultStride, source, sourceStride, width, height, false);
}
#endif

void TurnPixels180(Byte *result, Step resultStride, const Byte *source, Step sourceStride,
                   int width, int height)
{
    for (int r = 0; r < height; r++)
        ReverseRow(result + (height - 1 - r) * resultStride + width - 1, source + r * sourceStride, width);
}

Byte *CopyReversed(Byte *lastTarget, const Byte *source, int count)
{
    ReverseRow(lastTarget, source, count);
    return lastTarget;
}

#ifdef TAVRO_KERNELS_NAMESPACE
} // namespace TAVRO_KERNELS_NAMESPACE
#endif
