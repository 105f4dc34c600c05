// Deterministic picture that the simulated sensor delivers and the tests expect.
// Windows-free so native code can draw the same reference.
//
// As displayed: dark background with a soft gradient, three bright tooth shapes of
// different sizes (roots pointing down, a filling in the left one), a bright "L" near
// the top-left corner and, near the bottom-right corner, eight squares showing the low
// bits of the sequence number. The "L" makes every rotation and flip distinguishable.
#ifndef TAVRO_STANDINS_TEST_PICTURE_H
#define TAVRO_STANDINS_TEST_PICTURE_H

#include <algorithm>
#include <cstddef>

namespace test_picture_detail {

struct Canvas {
    unsigned char *rows;
    int width, height, stride;

    // y counts from the top as displayed; rows are stored bottom-up as in a DIB.
    unsigned char *At(int x, int y) const {
        return rows + static_cast<std::ptrdiff_t>(height - 1 - y) * stride + x;
    }

    void Rect(int x0, int y0, int x1, int y1, unsigned char value) const {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, width), y1 = std::min(y1, height);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) *At(x, y) = value;
    }

    // Shaded ellipse: `edge` at the rim rising to `centre` in the middle. Brightening
    // keeps the brighter of old and new value, darkening the darker.
    void Ellipse(int cx, int cy, int rx, int ry, int edge, int centre, bool darken = false) const {
        rx = std::max(rx, 1), ry = std::max(ry, 1);
        const long long rx2 = 1LL * rx * rx, ry2 = 1LL * ry * ry, limit = rx2 * ry2;
        for (int y = std::max(cy - ry, 0); y <= std::min(cy + ry, height - 1); ++y) {
            const long long dy = y - cy;
            for (int x = std::max(cx - rx, 0); x <= std::min(cx + rx, width - 1); ++x) {
                const long long dx = x - cx;
                const long long d = dx * dx * ry2 + dy * dy * rx2;
                if (d > limit) continue;
                const int v = edge + static_cast<int>((centre - edge) * (limit - d) / limit);
                unsigned char *p = At(x, y);
                *p = static_cast<unsigned char>(darken ? std::min<int>(*p, v) : std::max<int>(*p, v));
            }
        }
    }
};

}  // namespace test_picture_detail

inline void DrawTestPicture(unsigned char *rows, int width, int height, int stride,
                            unsigned sequence)
{
    if (!rows || width <= 0 || height <= 0 || stride < width) return;
    const test_picture_detail::Canvas c{rows, width, height, stride};
    const int w = width, h = height;

    // Background: darker at the top left, a little grain from an integer hash.
    for (int y = 0; y < h; ++y) {
        const int rowPart = 14 + 30 * y / h;
        for (int x = 0; x < w; ++x) {
            unsigned n = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
            n = (n ^ (n >> 13)) * 1274126177u;
            *c.At(x, y) = static_cast<unsigned char>(rowPart + 20 * x / w + ((n >> 28) & 7));
        }
    }

    // Left molar: wide crown, two roots, dark pulp, very bright filling.
    c.Ellipse(w * 27 / 100, h * 38 / 100, w * 14 / 100, h * 13 / 100, 120, 205);
    c.Ellipse(w * 21 / 100, h * 62 / 100, w * 4 / 100, h * 20 / 100, 110, 180);
    c.Ellipse(w * 33 / 100, h * 60 / 100, w * 9 / 200, h * 18 / 100, 110, 185);
    c.Ellipse(w * 27 / 100, h * 42 / 100, w * 6 / 100, h * 5 / 100, 110, 80, true);
    c.Ellipse(w * 30 / 100, h * 29 / 100, w * 5 / 100, h * 3 / 100, 235, 245);
    // Middle premolar: one long root.
    c.Ellipse(w * 55 / 100, h * 35 / 100, w * 10 / 100, h * 12 / 100, 125, 215);
    c.Ellipse(w * 55 / 100, h * 62 / 100, w * 5 / 100, h * 24 / 100, 105, 175);
    // Right tooth, smaller and lower.
    c.Ellipse(w * 83 / 100, h * 44 / 100, w * 9 / 100, h * 10 / 100, 115, 195);
    c.Ellipse(w * 84 / 100, h * 67 / 100, w * 4 / 100, h * 18 / 100, 100, 165);

    // Orientation mark: an upright "L" near the top-left corner.
    const int u = std::max(1, std::min(w, h) / 40), m = 2 * u;
    c.Rect(m, m, m + 2 * u, m + 10 * u, 255);
    c.Rect(m, m + 8 * u, m + 7 * u, m + 10 * u, 255);

    // Sequence mark: eight squares, most significant bit on the left, bright for 1.
    for (int bit = 0; bit < 8; ++bit) {
        const int x = w - m - 3 * u * (bit + 1) + u;
        const unsigned char value = (sequence >> bit) & 1u ? 250 : 75;
        c.Rect(x, h - m - 2 * u, x + 2 * u, h - m, value);
    }
}

#endif
