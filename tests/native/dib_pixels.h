// Pixel buffers for the benchmarks, placed as the program's images are.
#ifndef TAVRO_DIB_PIXELS_H
#define TAVRO_DIB_PIXELS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes of a DIB's row of width 8-bit pixels.
inline int Stride(int width)
{
    return (width + 3) & ~3;
}

// Pixel rows where a DIB keeps them: after its 40-byte header and 1024-byte palette, from a
// block on a cache line, so 40 bytes into one. Where rows start in a line changes the
// turns' speed by a third or more.
class Pixels {
public:
    explicit Pixels(std::size_t size) : m_block(size + DIB_PIXELS_OFFSET + LINE), m_size(size) {}
    unsigned char *data()
    {
        return m_block.data() + (LINE - reinterpret_cast<std::uintptr_t>(m_block.data()) % LINE) % LINE +
               DIB_PIXELS_OFFSET;
    }
    std::size_t size() const { return m_size; }
    unsigned char &operator[](std::size_t k) { return data()[k]; }

private:
    static const std::size_t LINE = 64, DIB_PIXELS_OFFSET = 40 + 256 * 4;
    std::vector<unsigned char> m_block;
    std::size_t m_size;
};

#endif
