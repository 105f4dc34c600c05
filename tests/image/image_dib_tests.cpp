#include "image/image_dib.h"
#include "tests/image/platform_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

class ImageDib : public ::testing::Test {
protected:
    void SetUp() override { ResetPlatformLog(); }

    static BITMAPINFOHEADER Header(HGLOBAL image)
    {
        BITMAPINFOHEADER header;
        memcpy(&header, GlobalLock(image), sizeof header);
        GlobalUnlock(image);
        return header;
    }

    static RGBQUAD PaletteEntry(HGLOBAL image, int index)
    {
        RGBQUAD entry;
        memcpy(&entry, static_cast<BYTE *>(GlobalLock(image)) + 40 + 4 * index, sizeof entry);
        GlobalUnlock(image);
        return entry;
    }

    TestSensor sensor;
};

TEST_F(ImageDib, AcquisitionImageIsZeroFilledFixedAndSizedFromTheSensor)
{
    sensor.columns = 456;
    sensor.rows = 684;
    HGLOBAL image = sensor.CreateAcquisitionImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(312968u, GlobalSize(image));
    EXPECT_EQ(0u, LockCount(image));
    const BITMAPINFOHEADER expected = {40, 456, 684, 1, 8, BI_RGB, 311904, 0, 0, 256, 0};
    BITMAPINFOHEADER header = Header(image);
    EXPECT_EQ(0, memcmp(&expected, &header, sizeof header));
    const BYTE *block = static_cast<BYTE *>(GlobalLock(image));
    EXPECT_EQ(static_cast<const void *>(image), block) << "a fixed block: its handle is its address";
    EXPECT_EQ(312968 - 40, std::count(block + 40, block + 312968, 0));
    GlobalUnlock(image);
    GlobalFree(image);

    sensor.columns = 288;
    sensor.rows = 384;
    image = sensor.CreateAcquisitionImage();
    EXPECT_EQ(110592u, Header(image).biSizeImage);
    EXPECT_EQ(111656u, GlobalSize(image));
    GlobalFree(image);
}

TEST_F(ImageDib, GreyPalettesDifferInTheReservedByte)
{
    sensor.columns = 5;
    sensor.rows = 3;
    HGLOBAL acquired = sensor.CreateAcquisitionImage();
    EXPECT_EQ(0, PaletteEntry(acquired, 200).rgbRed);
    sensor.FillGreyPalette(acquired);
    HGLOBAL created = CreateImage(5, 3);
    for (int i = 0; i < 256; i++) {
        RGBQUAD grey = PaletteEntry(acquired, i), plain = PaletteEntry(created, i);
        EXPECT_TRUE(grey.rgbBlue == i && grey.rgbGreen == i && grey.rgbRed == i);
        EXPECT_EQ(1, grey.rgbReserved);
        EXPECT_EQ(0, memcmp(&grey, &plain, 3));
        EXPECT_EQ(0, plain.rgbReserved);
    }
    EXPECT_EQ(0u, LockCount(acquired));
    sensor.FillGreyPalette(nullptr);
    GlobalFree(acquired);
    GlobalFree(created);
}

TEST_F(ImageDib, CreateImageAddsOneSpareByte)
{
    HGLOBAL image = CreateImage(5, 3);
    EXPECT_EQ(1089u, GlobalSize(image));
    const BITMAPINFOHEADER expected = {40, 5, 3, 1, 8, BI_RGB, 24, 0, 0, 256, 0};
    BITMAPINFOHEADER header = Header(image);
    EXPECT_EQ(0, memcmp(&expected, &header, sizeof header));
    EXPECT_EQ(0u, LockCount(image));
    GlobalFree(image);
    image = CreateImage(684, 456);
    EXPECT_EQ(311904u, Header(image).biSizeImage);
    EXPECT_EQ(312969u, GlobalSize(image));
    GlobalFree(image);
}

TEST_F(ImageDib, UnusableDimensionsAllocateNothing)
{
    // Sides of zero or less, 32-bit overflow of the block size, and more than 256 MiB.
    const int sizes[][2] = {{0, 5}, {5, 0}, {-1, 5}, {5, -1}, {INT_MIN, INT_MIN}, {INT_MAX, 1},
                            {65536, 65536}, {16384, 16384}, {1, 1 << 28}};
    for (const auto &size : sizes) {
        EXPECT_FALSE(CreateImage(size[0], size[1])) << size[0] << "x" << size[1];
        sensor.columns = size[0];
        sensor.rows = size[1];
        EXPECT_FALSE(sensor.CreateAcquisitionImage()) << size[0] << "x" << size[1];
    }
    EXPECT_EQ(0, g_log.allocations);
    EXPECT_TRUE(g_log.messages.empty());
}

TEST_F(ImageDib, FailedAllocationsAndLocksGiveNoImage)
{
    sensor.columns = 456;
    sensor.rows = 684;
    g_log.failAllocation = true;
    EXPECT_FALSE(CreateImage(5, 3));
    EXPECT_TRUE(g_log.messages.empty());
    EXPECT_FALSE(sensor.CreateAcquisitionImage());
    ASSERT_EQ(1u, g_log.messages.size());
    EXPECT_EQ("Global Alloc|Errore Acquisizione di Memoria", g_log.messages[0]);

    g_log = PlatformLog();
    HGLOBAL image = CreateImage(5, 3);
    g_log.failLock = true;
    EXPECT_FALSE(CreateImage(5, 3));
    EXPECT_FALSE(sensor.CreateAcquisitionImage());
    EXPECT_EQ(2u, g_log.freed.size()) << "blocks that could not be locked are released";
    int width, height, bitsPerPixel;
    GetImageDimensions(image, &width, &height, &bitsPerPixel);
    EXPECT_TRUE(width == 0 && height == 0 && bitsPerPixel == 8);
    EXPECT_FALSE(LockImageBits(image));
    g_log.failLock = false;
    EXPECT_EQ(0u, LockCount(image));
    GlobalFree(image);
}

TEST_F(ImageDib, ColorCountAndPaletteBytes)
{
    const struct {
        DWORD used;
        WORD bitCount;
        DWORD count;
    } cases[] = {{0, 1, 2}, {0, 4, 16}, {0, 8, 256}, {0, 24, 0}, {17, 1, 17}, {17, 24, 17}};
    for (const auto &c : cases) {
        BITMAPINFOHEADER header = {40, 1, 1, 1, c.bitCount, BI_RGB, 0, 0, 0, c.used, 0};
        EXPECT_EQ(c.count, ColorCount(&header));
        EXPECT_EQ(c.count * 4, PaletteBytes(&header));
    }
}

TEST_F(ImageDib, DimensionsAndPixelAddress)
{
    int width = -1, height = -1, bitsPerPixel = -1;
    GetImageDimensions(nullptr, &width, &height, &bitsPerPixel);
    EXPECT_TRUE(width == 0 && height == 0 && bitsPerPixel == 8);
    EXPECT_FALSE(LockImageBits(nullptr));
    UnlockImage(nullptr);

    sensor.columns = 5;
    sensor.rows = 3;
    HGLOBAL images[] = {CreateImage(5, 3), sensor.CreateAcquisitionImage()};
    for (HGLOBAL image : images) {
        GetImageDimensions(image, &width, &height, &bitsPerPixel);
        EXPECT_TRUE(width == 5 && height == 3 && bitsPerPixel == 8);
        BYTE *bits = LockImageBits(image);
        EXPECT_EQ(image == images[0] ? 1u : 0u, LockCount(image)) << "a fixed block counts no locks";
        EXPECT_EQ(static_cast<BYTE *>(GlobalLock(image)) + 1064, bits);
        GlobalUnlock(image);
        UnlockImage(image);
        EXPECT_EQ(0u, LockCount(image));
    }

    // A header that claims more rows than its block holds hands out no address.
    reinterpret_cast<BITMAPINFOHEADER *>(GlobalLock(images[0]))->biHeight = 4;
    GlobalUnlock(images[0]);
    EXPECT_FALSE(LockImageBits(images[0]));
    EXPECT_EQ(0u, LockCount(images[0]));
    for (HGLOBAL image : images)
        EXPECT_FALSE(FreeImage(image));
    EXPECT_FALSE(FreeImage(nullptr));
}

} // namespace
