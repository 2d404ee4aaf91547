#include <HexField.h>

#include <gtest/gtest.h>

#include <string>

TEST(HexFieldTest, ReadsHexDigitsOfEitherCase)
{
    EXPECT_EQ(ParseHexField("0"), 0);
    EXPECT_EQ(ParseHexField("2fff"), 0x2FFF);
    EXPECT_EQ(ParseHexField("2FFF"), 0x2FFF);
    EXPECT_EQ(ParseHexField("aBcD"), 0xABCD);
    EXPECT_EQ(ParseHexField("0010"), 0x10);
}

TEST(HexFieldTest, SkipsLeadingWhiteSpaceAndStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(ParseHexField("  \t\n 7"), 7);
    EXPECT_EQ(ParseHexField("1fz"), 0x1F);
    EXPECT_EQ(ParseHexField("12 34"), 0x12);
    EXPECT_EQ(ParseHexField("10h"), 0x10);
}

TEST(HexFieldTest, SignAndPrefix)
{
    EXPECT_EQ(ParseHexField("-1"), -1);
    EXPECT_EQ(ParseHexField("+ff"), 0xFF);
    EXPECT_EQ(ParseHexField("0X1f"), 0x1F);
    EXPECT_EQ(ParseHexField("0x2FF0"), 0x2FF0);
    EXPECT_EQ(ParseHexField("-0x10"), -16);
    // A prefix with no digit after it is the digit 0, as strtoul reads it.
    EXPECT_EQ(ParseHexField("0x"), 0);
    EXPECT_EQ(ParseHexField("0xg"), 0);
}

TEST(HexFieldTest, NoHexDigitIsNoValue)
{
    EXPECT_EQ(ParseHexField(""), std::nullopt);
    EXPECT_EQ(ParseHexField("   "), std::nullopt);
    EXPECT_EQ(ParseHexField("-"), std::nullopt);
    EXPECT_EQ(ParseHexField("- 1"), std::nullopt);
    EXPECT_EQ(ParseHexField("x1"), std::nullopt);
    EXPECT_EQ(ParseHexField("g"), std::nullopt);
    EXPECT_EQ(ParseHexField(std::string_view("\0" "1", 2)), std::nullopt);
}

TEST(HexFieldTest, EightDigitsFromEightUpReadNegative)
{
    EXPECT_EQ(ParseHexField("7fffffff"), 0x7FFFFFFF);
    EXPECT_EQ(ParseHexField("80000000"), INT32_MIN);
    EXPECT_EQ(ParseHexField("ffffffff"), -1);
    EXPECT_EQ(ParseHexField("fffffffe"), -2);
    EXPECT_EQ(ParseHexField("-80000000"), INT32_MIN);
}

TEST(HexFieldTest, ANumberBeyondThirtyTwoBitsIsOutOfRangeNotWrapped)
{
    // Wrapped, 100000000 would be address 0 and a job would start there.
    EXPECT_EQ(ParseHexField("100000000"), kHexFieldOutOfRange);
    EXPECT_EQ(ParseHexField("123456789"), kHexFieldOutOfRange);
    EXPECT_EQ(ParseHexField("123456789abcdef01"), kHexFieldOutOfRange);
    EXPECT_EQ(ParseHexField("-100000001"), kHexFieldOutOfRange);
    // Leading zeros are no number beyond 32 bits.
    EXPECT_EQ(ParseHexField("00000000000000002fff"), 0x2FFF);
    EXPECT_EQ(ParseHexField("0ffffffff"), -1);
}

TEST(HexFieldTest, OnlyTheFirst255CharactersCount)
{
    EXPECT_EQ(ParseHexField(std::string(254, ' ') + "1"), 1);
    EXPECT_EQ(ParseHexField(std::string(255, ' ') + "1"), std::nullopt);
    EXPECT_EQ(ParseHexField(std::string(254, '0') + "12"), 1);
    EXPECT_EQ(ParseHexField(std::string(10000, 'f')), kHexFieldOutOfRange);
}

TEST(HexFieldTest, FormatsLowerCaseWithoutPrefix)
{
    EXPECT_EQ(FormatHexField(0), "0");
    EXPECT_EQ(FormatHexField(0x2FFF), "2fff");
    EXPECT_EQ(FormatHexField(0xABCDEF), "abcdef");
    EXPECT_EQ(FormatHexField(-1), "ffffffff");
    EXPECT_EQ(FormatHexField(INT32_MIN), "80000000");
    EXPECT_EQ(FormatHexField(INT32_MAX), "7fffffff");
}

TEST(HexFieldTest, WhatIsShownReadsBackTheSame)
{
    for (const int32_t value : {0, 1, 0x10, 0x2FFF, 0x3000, -1, -16, INT32_MIN, INT32_MAX})
        EXPECT_EQ(ParseHexField(FormatHexField(value)), value) << value;
}
