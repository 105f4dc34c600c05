// libFuzzer target: every turn of every form this processor runs against the naive reference on sizes from 1 x 1 to
// 2000 x 2000, with DIB strides or odd ones, and pixels drawn from the input.
#include "tests/native/reference_turns.h"

#include <cstdint>
#include <cstdlib>

namespace {

const int MAX_SIDE = 2000;

int Side(const std::uint8_t *data)
{
    return (data[0] | data[1] << 8) % MAX_SIDE + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Width, height, the two paddings, then at least one byte of pixel pattern.
    if (size < 7)
        return 0;
    int width = Side(data);
    int height = Side(data + 2);
    int sourcePadding = data[4] % 8;
    int resultPadding = data[5] % 8;
    const std::uint8_t *pattern = data + 6;
    std::size_t patternSize = size - 6;

    std::ptrdiff_t stride = ((width + 3) & ~3) + sourcePadding;
    std::vector<Byte> source((height - 1) * stride + width);
    std::uint32_t mix = 0;
    for (std::size_t k = 0; k < source.size(); k++) {
        mix = mix * 1664525u + 1013904223u;
        source[k] = static_cast<Byte>(pattern[k % patternSize] ^ mix >> 24);
    }
    static const std::vector<KernelForm> forms = KernelForms();
    for (const KernelForm &form : forms)
        for (int turn = 0; turn < TURN_COUNT; turn++)
            if (!KernelMatchesReference(form, Turn(turn), source.data(), stride, width, height, resultPadding))
                std::abort();
    return 0;
}
