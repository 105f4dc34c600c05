// The AVX2 form of the turns, compiled with -mavx2 beside the SSE2 and plain forms.
#define TAVRO_KERNELS_NAMESPACE avx2
#include "image/pixel_kernels.cpp"
