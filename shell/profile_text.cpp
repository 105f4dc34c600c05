#include "shell/profile_text.h"

#include <climits>

namespace {

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

bool IsHexDigit(char c) { return DigitValue(c, 16) >= 0; }

} // namespace

int ParseProfileInt(const char *text, int defaultValue)
{
    if (!text)
        return defaultValue;
    while (*text == ' ' || *text == '\t')
        ++text;

    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';

    // The setup dialog stores addresses as "0XD7"; they must not read as 0.
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && IsHexDigit(text[2])) {
        base = 16;
        text += 2;
    }

    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    bool anyDigit = false;
    for (int digit; (digit = DigitValue(*text, base)) >= 0; ++text) {
        anyDigit = true;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            magnitude = limit;
    }
    if (!anyDigit)
        return defaultValue;
    return static_cast<int>(negative ? -magnitude : magnitude);
}
