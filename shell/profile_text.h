// Reading integers from profile-file text. No Windows here, so it is fuzzed and tested natively.
#ifndef TAVRO_PROFILE_TEXT_H
#define TAVRO_PROFILE_TEXT_H

// Leading blanks, an optional sign, then decimal digits or "0x"/"0X" and hexadecimal digits;
// reading stops at the first other character ("12abc" is 12). Text without a number gives
// the default. Values beyond the 32-bit range are clamped.
int ParseProfileInt(const char *text, int defaultValue);

#endif
