#include "image/image_dib.h"
#include "image/orientation.h"
#include "tests/image/platform_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

typedef HGLOBAL (*Rotation)(HGLOBAL);

const Rotation ROTATIONS[] = {RotateClockwise, Rotate180, RotateCounterClockwise};

class Orientation : public ::testing::Test {
protected:
    void SetUp() override { ResetPlatformLog(); }

    // An acquisition image whose pixel at stored row r, column c is pixel(r, c).
    template <typename Pixel>
    HGLOBAL Acquired(int width, int height, Pixel pixel)
    {
        sensor.columns = width;
        sensor.rows = height;
        HGLOBAL image = sensor.CreateAcquisitionImage();
        sensor.FillGreyPalette(image);
        BYTE *bits = LockImageBits(image);
        for (int r = 0; r < height; r++)
            for (int c = 0; c < width; c++)
                bits[r * ((width + 3) & ~3) + c] = pixel(r, c);
        UnlockImage(image);
        return image;
    }

    // The stored rows of an image without their alignment bytes, row 0 first.
    static std::vector<BYTE> Pixels(HGLOBAL image)
    {
        int width, height, bitsPerPixel;
        GetImageDimensions(image, &width, &height, &bitsPerPixel);
        std::vector<BYTE> pixels;
        const BYTE *bits = LockImageBits(image);
        for (int r = 0; r < height; r++)
            pixels.insert(pixels.end(), bits + r * ((width + 3) & ~3),
                          bits + r * ((width + 3) & ~3) + width);
        UnlockImage(image);
        return pixels;
    }

    HGLOBAL WorkedExample()
    {
        // Displayed top row 10 20 30, bottom row 40 50 60.
        return Acquired(3, 2, [](int r, int c) { return BYTE((r ? 10 : 40) + 10 * c); });
    }

    TestSensor sensor;
};

const std::vector<BYTE> WORKED_RESULTS[] = {
    {60, 30, 50, 20, 40, 10}, {30, 20, 10, 60, 50, 40}, {10, 40, 20, 50, 30, 60}};

TEST_F(Orientation, TableCountsClockwiseQuarterTurns)
{
    for (int direction = 1; direction <= 4; direction++)
        for (int orientation = 1; orientation <= 4; orientation++)
            EXPECT_EQ((orientation - direction + 4) % 4 + 1,
                      OrientationTable[direction - 1][orientation - 1]);
}

TEST_F(Orientation, RotationsOfTheWorkedExample)
{
    HGLOBAL source = WorkedExample();
    std::vector<BYTE> before = Pixels(source);
    for (int code = 0; code < 3; code++) {
        HGLOBAL result = ROTATIONS[code](source);
        ASSERT_TRUE(result);
        int width, height, bitsPerPixel;
        GetImageDimensions(result, &width, &height, &bitsPerPixel);
        EXPECT_EQ(code == 1 ? 3 : 2, width);
        EXPECT_EQ(WORKED_RESULTS[code], Pixels(result)) << "code " << code + 2;
        const RGBQUAD *palette = reinterpret_cast<RGBQUAD *>(static_cast<BYTE *>(GlobalLock(result)) + 40);
        EXPECT_EQ(0, palette[200].rgbReserved);
        EXPECT_EQ(200, palette[200].rgbBlue);
        GlobalUnlock(result);
        EXPECT_EQ(0u, LockCount(result));
        EXPECT_EQ(0u, LockCount(source));
        GlobalFree(result);
    }
    EXPECT_EQ(before, Pixels(source));
    GlobalFree(source);
}

TEST_F(Orientation, QuarterTurnWritesOnlyPixels)
{
    HGLOBAL source = Acquired(5, 3, [](int r, int c) { return BYTE(r * 5 + c); });
    for (Rotation rotation : {RotateClockwise, RotateCounterClockwise}) {
        HGLOBAL result = rotation(source);
        ASSERT_EQ(1085u, GlobalSize(result)) << "3 wide with stride 4, 5 high, spare byte";
        const BYTE *block = static_cast<BYTE *>(GlobalLock(result));
        EXPECT_EQ(15, std::count_if(block + 1064, block + 1085, [](BYTE b) { return b != UNWRITTEN; }));
        for (int row = 0; row < 5; row++)
            EXPECT_EQ(UNWRITTEN, block[1064 + 4 * row + 3]);
        GlobalUnlock(result);
        GlobalFree(result);
    }
    GlobalFree(source);
}

TEST_F(Orientation, SensorSizedTurns)
{
    HGLOBAL source = Acquired(456, 684, [](int r, int c) { return BYTE(r ^ c); });
    HGLOBAL quarter = RotateClockwise(source);
    HGLOBAL half = Rotate180(source);
    EXPECT_EQ(312969u, GlobalSize(quarter));
    EXPECT_EQ(GlobalSize(source) + 1, GlobalSize(half));
    int width, height, bitsPerPixel;
    GetImageDimensions(quarter, &width, &height, &bitsPerPixel);
    EXPECT_TRUE(width == 684 && height == 456 && bitsPerPixel == 8);
    const BYTE *turned = LockImageBits(quarter);
    const BYTE *original = LockImageBits(source);
    EXPECT_EQ(original[683 * 456 + 0], turned[455 * 684 + 683]) << "top left goes top right";
    EXPECT_EQ(original[0 * 456 + 455], turned[0 * 684 + 0]) << "bottom right goes bottom left";
    UnlockImage(source);
    UnlockImage(quarter);
    for (HGLOBAL image : {source, quarter, half})
        GlobalFree(image);
}

// Every pixel of small, odd and one-pixel-high images against the definitions.
TEST_F(Orientation, SmallAndOddSizes)
{
    for (int width : {1, 2, 3, 5, 17})
        for (int height : {1, 2, 3, 19}) {
            auto pixel = [](int r, int c) { return BYTE(1 + r * 23 + c); };
            HGLOBAL source = Acquired(width, height, pixel);
            for (int code = 0; code < 3; code++) {
                HGLOBAL result = ROTATIONS[code](source);
                std::vector<BYTE> expected;
                int resultWidth = code == 1 ? width : height, resultHeight = code == 1 ? height : width;
                for (int i = 0; i < resultHeight; i++)
                    for (int j = 0; j < resultWidth; j++)
                        expected.push_back(code == 0   ? pixel(j, width - 1 - i)
                                           : code == 1 ? pixel(height - 1 - i, width - 1 - j)
                                                       : pixel(height - 1 - j, i));
                EXPECT_EQ(expected, Pixels(result)) << width << "x" << height << " code " << code + 2;
                GlobalFree(result);
            }
            GlobalFree(source);
        }
}

TEST_F(Orientation, BadSourcesMakeNoImage)
{
    HGLOBAL source = WorkedExample();
    reinterpret_cast<BITMAPINFOHEADER *>(GlobalLock(source))->biBitCount = 24;
    GlobalUnlock(source);
    g_log = PlatformLog();
    for (Rotation rotation : ROTATIONS) {
        EXPECT_FALSE(rotation(source));
        EXPECT_FALSE(rotation(nullptr));
    }
    EXPECT_EQ(0, g_log.allocations);

    // The header claims more rows than the block holds: the result is made, then dropped.
    BITMAPINFOHEADER *header = reinterpret_cast<BITMAPINFOHEADER *>(GlobalLock(source));
    header->biBitCount = 8;
    header->biHeight = 100;
    GlobalUnlock(source);
    for (Rotation rotation : ROTATIONS)
        EXPECT_FALSE(rotation(source));
    EXPECT_EQ(size_t(g_log.allocations), g_log.freed.size());
    EXPECT_EQ(0u, LockCount(source));
    GlobalFree(source);
}

TEST_F(Orientation, CorrectionFollowsDirectionAndOrientation)
{
    const struct {
        int direction, orientation, code;
    } cases[] = {{1, 1, 1}, {2, 2, 1}, {3, 3, 1}, {4, 4, 1}, {1, 2, 2},
                 {2, 1, 4}, {4, 1, 2}, {1, 3, 3}, {2, 4, 3}};
    for (const auto &c : cases) {
        HGLOBAL original = WorkedExample();
        HGLOBAL image = original;
        sensor.direction = c.direction;
        sensor.orientation = c.orientation;
        g_log = PlatformLog();
        sensor.CorrectOrientation(image);
        EXPECT_EQ(0, g_log.beeps);
        if (c.code == 1) {
            EXPECT_EQ(original, image);
            EXPECT_EQ(0, g_log.allocations);
            EXPECT_TRUE(g_log.freed.empty());
        } else {
            EXPECT_EQ(WORKED_RESULTS[c.code - 2], Pixels(image)) << c.direction << "/" << c.orientation;
            EXPECT_EQ(std::vector<HGLOBAL>{original}, g_log.freed);
            EXPECT_EQ(0u, LockCount(image));
        }
        GlobalFree(image);
    }
}

TEST_F(Orientation, BadOrientationBeepsAndBadDirectionIsSilent)
{
    HGLOBAL original = WorkedExample();
    HGLOBAL image = original;
    g_log = PlatformLog();
    for (int direction : {0, 5})
        for (int orientation = 1; orientation <= 4; orientation++) {
            sensor.direction = direction;
            sensor.orientation = orientation;
            sensor.CorrectOrientation(image);
        }
    EXPECT_EQ(0, g_log.beeps);
    for (int orientation : {0, 5})
        for (int direction = 0; direction <= 5; direction++) {
            sensor.direction = direction;
            sensor.orientation = orientation;
            int beeps = g_log.beeps;
            sensor.CorrectOrientation(image);
            EXPECT_EQ(beeps + 1, g_log.beeps);
        }
    EXPECT_EQ(original, image);
    EXPECT_EQ(0, g_log.allocations);
    EXPECT_TRUE(g_log.freed.empty());
    GlobalFree(image);
}

TEST_F(Orientation, FailedTurnKeepsTheImage)
{
    HGLOBAL original = WorkedExample();
    std::vector<BYTE> before = Pixels(original);
    HGLOBAL image = original;
    sensor.orientation = 2;
    g_log.failAllocation = true;
    sensor.CorrectOrientation(image);
    EXPECT_EQ(original, image);
    EXPECT_TRUE(g_log.freed.empty());
    EXPECT_EQ(before, Pixels(image));
    EXPECT_EQ(0u, LockCount(image));
    g_log.failAllocation = false;
    GlobalFree(image);
}

} // namespace
