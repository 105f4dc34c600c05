#include "image/orientation.h"

#include "image/dib_layout.h"
#include "image/image_dib.h"
#include "image/pixel_kernels.h"
#include "sensor/sensore.h"

const int OrientationTable[4][4] = {
    {1, 2, 3, 4},
    {4, 1, 2, 3},
    {3, 4, 1, 2},
    {2, 3, 4, 1},
};

namespace {

typedef void (*TurnPixels)(BYTE *result, std::ptrdiff_t resultStride, const BYTE *source,
                           std::ptrdiff_t sourceStride, int width, int height);

// A new image holding the source turned by turn: a quarter turn swaps width and height.
HGLOBAL Turn(HGLOBAL source, TurnPixels turn, bool quarter)
{
    int width, height, bitsPerPixel;
    GetImageDimensions(source, &width, &height, &bitsPerPixel);
    if (bitsPerPixel != 8)
        return nullptr;
    int resultWidth = quarter ? height : width;
    HGLOBAL result = CreateImage(resultWidth, quarter ? width : height);
    if (!result)
        return nullptr;
    BYTE *resultBits = LockImageBits(result);
    const BYTE *sourceBits = resultBits ? LockImageBits(source) : nullptr;
    if (sourceBits)
        turn(resultBits, RowStride(resultWidth), sourceBits, RowStride(width), width, height);
    if (resultBits)
        UnlockImage(result);
    if (!sourceBits) {
        GlobalFree(result);
        return nullptr;
    }
    UnlockImage(source);
    return result;
}

} // namespace

HGLOBAL RotateClockwise(HGLOBAL source)
{
    return Turn(source, TurnPixelsClockwise, true);
}

HGLOBAL Rotate180(HGLOBAL source)
{
    return Turn(source, TurnPixels180, false);
}

HGLOBAL RotateCounterClockwise(HGLOBAL source)
{
    return Turn(source, TurnPixelsCounterClockwise, true);
}

int TurnDegrees(int direction, int orientation)
{
    if (direction < 1 || direction > 4 || orientation < 1 || orientation > 4)
        return 0;
    return (OrientationTable[direction - 1][orientation - 1] - 1) * 90;
}

void Sensore::CorrectOrientation(HGLOBAL &image)
{
    if (orientation < 1 || orientation > 4) {
        MessageBeep(MB_OK);
        return;
    }
    HGLOBAL turned;
    switch (TurnDegrees(direction, orientation)) {
    case 90:
        turned = RotateClockwise(image);
        break;
    case 180:
        turned = Rotate180(image);
        break;
    case 270:
        turned = RotateCounterClockwise(image);
        break;
    default:
        return;
    }
    // An image that cannot be turned is delivered as it is rather than lost.
    if (turned) {
        GlobalFree(image);
        image = turned;
    }
}
