#include "tests/e2e/pictures.h"

#include <cstring>

#include "standins/test_picture.h"
#include "tests/e2e/harness.h"

namespace e2e {

namespace {

const size_t FILE_HEADER = 14;
const size_t INFO_HEADER = 40;
const size_t PALETTE = 1024;

int Stride(int width) { return (width + 3) & ~3; }

} // namespace

Picture SimulatedPicture(int width, int height, unsigned fetch)
{
    std::vector<unsigned char> rows(size_t(Stride(width)) * height);
    DrawTestPicture(rows.data(), width, height, Stride(width), fetch);
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int row = 0; row < height; ++row)
        picture.pixels.insert(picture.pixels.end(), rows.begin() + size_t(row) * Stride(width),
                              rows.begin() + size_t(row) * Stride(width) + width);
    return picture;
}

int TurnCode(int direction, int orientation)
{
    if (direction < 1 || direction > 4)
        return 1;
    return ((orientation - direction) % 4 + 4) % 4 + 1;
}

// Written out pixel by pixel from the turns as displayed, independent of the program's kernels.
Picture Turned(const Picture &source, int code)
{
    const int w = source.width, h = source.height;
    Picture result;
    const bool quarter = code == 2 || code == 4;
    result.width = quarter ? h : w;
    result.height = quarter ? w : h;
    result.pixels.resize(source.pixels.size());
    for (int i = 0; i < result.height; ++i)
        for (int j = 0; j < result.width; ++j) {
            const int row = code == 2 ? j : code == 3 ? h - 1 - i : code == 4 ? h - 1 - j : i;
            const int column = code == 2 ? w - 1 - i : code == 3 ? w - 1 - j : code == 4 ? i : j;
            result.pixels[size_t(i) * result.width + j] = source.At(row, column);
        }
    return result;
}

SavedBitmap ReadSavedBitmap(const std::string &path)
{
    SavedBitmap bitmap;
    const std::string bytes = ReadTextFile(path);
    if (bytes.size() < FILE_HEADER + INFO_HEADER + PALETTE)
        return bitmap;
    memcpy(&bitmap.header, bytes.data() + FILE_HEADER, INFO_HEADER);
    bitmap.palette.resize(256);
    memcpy(bitmap.palette.data(), bytes.data() + FILE_HEADER + INFO_HEADER, PALETTE);
    const int width = bitmap.header.biWidth, height = bitmap.header.biHeight;
    const size_t offset = FILE_HEADER + INFO_HEADER + PALETTE;
    if (width <= 0 || height <= 0 || bytes.size() < offset + size_t(Stride(width)) * height)
        return bitmap;
    bitmap.picture.width = width;
    bitmap.picture.height = height;
    for (int row = 0; row < height; ++row) {
        const char *start = bytes.data() + offset + size_t(row) * Stride(width);
        bitmap.picture.pixels.insert(bitmap.picture.pixels.end(), start, start + width);
    }
    bitmap.valid = true;
    return bitmap;
}

} // namespace e2e
