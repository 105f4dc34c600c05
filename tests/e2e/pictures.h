// The pictures the tests expect: the simulated sensor's picture, turned by a plain reference
// mapping, and the pictures the receivers saved.
#ifndef TAVRO_E2E_PICTURES_H
#define TAVRO_E2E_PICTURES_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Pixels without alignment bytes, stored row 0 (the bottom row) first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    unsigned char At(int row, int column) const { return pixels[size_t(row) * width + column]; }
};

// What the simulated library writes into a width x height image on its n-th fetch.
Picture SimulatedPicture(int width, int height, unsigned fetch);
// Turn code of a direction and an orientation: 1 none, 2 clockwise, 3 half, 4 counter-clockwise.
int TurnCode(int direction, int orientation);
Picture Turned(const Picture &source, int code);

// A .bmp file as a receiver saved it: the bitmap header, the palette and the pixels.
struct SavedBitmap {
    bool valid = false;
    BITMAPINFOHEADER header = {};
    std::vector<RGBQUAD> palette;
    Picture picture;
};
SavedBitmap ReadSavedBitmap(const std::string &path);

} // namespace e2e

#endif
