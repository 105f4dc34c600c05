// The AVX2 form with the tiles of the 32-bit program, which this x86-64 build would not
// otherwise hold, so that the sanitizers and the fuzzer check them too.
#define TAVRO_KERNELS_NAMESPACE avx2_narrow
#define TAVRO_NARROW_AVX2_TILES
#include "image/pixel_kernels.cpp"
