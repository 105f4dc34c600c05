#include <gtest/gtest.h>

#include <climits>

#include "shell/profile_text.h"

TEST(ParseProfileInt, ReadsDecimalAndBothHexadecimalPrefixes)
{
    EXPECT_EQ(ParseProfileInt("500", 1), 500);
    EXPECT_EQ(ParseProfileInt("-10", 1), -10);
    EXPECT_EQ(ParseProfileInt("+7", 1), 7);
    EXPECT_EQ(ParseProfileInt("  \t42", 1), 42);
    EXPECT_EQ(ParseProfileInt("0XD7", 1), 0xD7);
    EXPECT_EQ(ParseProfileInt("0xd7", 1), 0xD7);
    EXPECT_EQ(ParseProfileInt("0X3F8", 1), 0x3F8);
    EXPECT_EQ(ParseProfileInt("-0x10", 1), -16);
    EXPECT_EQ(ParseProfileInt("010", 1), 10); // not octal
}

TEST(ParseProfileInt, StopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(ParseProfileInt("12abc", 1), 12);
    EXPECT_EQ(ParseProfileInt("0XD7zz", 1), 0xD7);
    EXPECT_EQ(ParseProfileInt("0x", 1), 0);
    EXPECT_EQ(ParseProfileInt("0xg", 1), 0);
}

TEST(ParseProfileInt, TextWithoutANumberGivesTheDefault)
{
    EXPECT_EQ(ParseProfileInt("", 456), 456);
    EXPECT_EQ(ParseProfileInt("abc", 456), 456);
    EXPECT_EQ(ParseProfileInt("-", 456), 456);
    EXPECT_EQ(ParseProfileInt(" ", 456), 456);
    EXPECT_EQ(ParseProfileInt(nullptr, 456), 456);
}

TEST(ParseProfileInt, ClampsValuesBeyondThirtyTwoBits)
{
    EXPECT_EQ(ParseProfileInt("2147483647", 0), INT_MAX);
    EXPECT_EQ(ParseProfileInt("2147483648", 0), INT_MAX);
    EXPECT_EQ(ParseProfileInt("99999999999999999999999", 0), INT_MAX);
    EXPECT_EQ(ParseProfileInt("-2147483648", 0), INT_MIN);
    EXPECT_EQ(ParseProfileInt("-99999999999999999999", 0), INT_MIN);
    EXPECT_EQ(ParseProfileInt("0xFFFFFFFFFF", 0), INT_MAX);
}
