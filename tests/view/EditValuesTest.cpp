#include <EditRange.h>
#include <FillValue.h>

#include <gtest/gtest.h>

namespace {

EditRange Range(const char* start, const char* end, int32_t size = 0x3000)
{
    return EditRange::Read(QLatin1String(start), QLatin1String(end), size);
}

} // namespace

TEST(EditRangeTest, ClampsStartAndEnd)
{
    EXPECT_EQ(Range("10", "1f").start, 0x10);
    EXPECT_EQ(Range("10", "1f").end, 0x1F);
    EXPECT_EQ(Range("2FFE", "2FFE").start, 0x2FFE);
    EXPECT_EQ(Range("2FFE", "2FFE").end, 0x2FFE);
    EXPECT_EQ(Range("2FFF", "0").start, 0) << "the last address is out of range for the start";
    EXPECT_EQ(Range("2FFF", "2FFF").end, 0x2FFF);
    EXPECT_EQ(Range("3000", "3000").end, 0x2FFF);
    EXPECT_EQ(Range("FFFFFFFF", "FFFFFFFF").start, 0);
    EXPECT_EQ(Range("FFFFFFFF", "FFFFFFFF").end, 0x2FFF);
    EXPECT_EQ(Range("80000000", "7FFFFFFF").start, 0);
    EXPECT_EQ(Range("80000000", "7FFFFFFF").end, 0x2FFF);
}

TEST(EditRangeTest, EmptyOrNonHexFieldsGiveTheWholeDevice)
{
    EXPECT_EQ(Range("", "").start, 0);
    EXPECT_EQ(Range("", "").end, 0x2FFF);
    EXPECT_EQ(Range("q", "$").start, 0);
    EXPECT_EQ(Range("q", "$").end, 0x2FFF);
    EXPECT_EQ(Range("", "", 0x100).end, 0xFF);
}

TEST(EditRangeTest, EndBelowStartIsKept)
{
    const EditRange r = Range("30", "2F");
    EXPECT_EQ(r.start, 0x30);
    EXPECT_EQ(r.end, 0x2F);
}

TEST(FillValueTest, Notations)
{
    EXPECT_EQ(ParseFillValue(QStringLiteral("$AA")), 0xAA);
    EXPECT_EQ(ParseFillValue(QStringLiteral("$1FF")), 0xFF);
    EXPECT_EQ(ParseFillValue(QStringLiteral("'c'")), 'c');
    EXPECT_EQ(ParseFillValue(QStringLiteral("'c")), 'c');
    EXPECT_EQ(ParseFillValue(QStringLiteral("''")), '\'');
    EXPECT_EQ(ParseFillValue(QStringLiteral("'")), 0);
    EXPECT_EQ(ParseFillValue(QStringLiteral("' ")), ' ');
    EXPECT_EQ(ParseFillValue(QStringLiteral("'\u00FF")), 0xFF);
    EXPECT_EQ(ParseFillValue(QStringLiteral("127")), 127);
    EXPECT_EQ(ParseFillValue(QStringLiteral("256")), 0);
    EXPECT_EQ(ParseFillValue(QStringLiteral("-1")), 0xFF);
    EXPECT_EQ(ParseFillValue(QStringLiteral("-256")), 0);
    EXPECT_EQ(ParseFillValue(QStringLiteral("  -129")), 0x7F);
    EXPECT_EQ(ParseFillValue(QStringLiteral("0x20")), 0) << "decimal stops at the x";
    EXPECT_EQ(ParseFillValue(QStringLiteral("4294967297")), 1);
}

TEST(FillValueTest, TextsWithoutAValue)
{
    EXPECT_EQ(ParseFillValue(QString()), std::nullopt);
    EXPECT_EQ(ParseFillValue(QStringLiteral("$")), std::nullopt);
    EXPECT_EQ(ParseFillValue(QStringLiteral("$x1")), std::nullopt);
    EXPECT_EQ(ParseFillValue(QStringLiteral("AA")), std::nullopt) << "hex needs the dollar sign";
    EXPECT_EQ(ParseFillValue(QStringLiteral("+")), std::nullopt);
    EXPECT_EQ(ParseFillValue(QStringLiteral(" ")), std::nullopt);
    EXPECT_EQ(ParseFillValue(QStringLiteral("'\u20AC")), std::nullopt);
}
