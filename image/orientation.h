// Quarter turns of an ImageDib to the operator's orientation.
#ifndef TAVRO_ORIENTATION_H
#define TAVRO_ORIENTATION_H

#include <windows.h>

// Transform code by [direction - 1][orientation - 1]: 1 none, 2 clockwise, 3 half, 4 counter-clockwise.
extern const int OrientationTable[4][4];
// Clockwise degrees of the turn the sensor's direction and the operator's choice ask for:
// 0, 90, 180 or 270; 0 for a direction or orientation outside 1..4.
int TurnDegrees(int direction, int orientation);

// Each returns a new image, or none; the source is neither changed nor released.
HGLOBAL RotateClockwise(HGLOBAL source);
HGLOBAL Rotate180(HGLOBAL source);
HGLOBAL RotateCounterClockwise(HGLOBAL source);

// Writes source[k] to lastTarget[-k] for k in 0..count-1; returns lastTarget.
BYTE *CopyReversed(BYTE *lastTarget, const BYTE *source, int count);

#endif
