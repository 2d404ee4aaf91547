#include <CliText.h>

#include <gtest/gtest.h>

#include <clocale>

TEST(CliTextTest, Counts)
{
    const struct {
        int64_t n;
        const char* text;
    } cases[] = {{0, "0"},         {999, "999"},          {1000, "1,000"},    {12288, "12,288"},
                 {100000, "100,000"}, {1234567, "1,234,567"}, {-5312, "-5,312"}};
    for (const auto& c : cases)
        EXPECT_EQ(CountText(c.n), c.text);
    EXPECT_EQ(BytesText(1), "1 byte");
    EXPECT_EQ(BytesText(5312), "5,312 bytes");
}

TEST(CliTextTest, AddressesSpansAndSeconds)
{
    EXPECT_EQ(AddressText(0x1AF), "0x01AF");
    EXPECT_EQ(SpanText(0, 0x2FFF), "0x0000-0x2FFF");
    EXPECT_EQ(SecondsText(14.94), "14.9 s");
    EXPECT_EQ(SecondsText(-0.01), "0.0 s");
    if (std::setlocale(LC_CTYPE, "C.UTF-8")) {
        EXPECT_EQ(SpanText(0, 0x2FFF), "0x0000\u20130x2FFF");
        std::setlocale(LC_CTYPE, "C");
    }
}
