// The SSE2 form of the turns, compiled with -msse2 beside the plain form.
#define TAVRO_KERNELS_NAMESPACE sse2
#include "image/pixel_kernels.cpp"
