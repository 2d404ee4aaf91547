#include "ImageBytes.h"

#include <IntelHexFormat.h>
#include <SaveRange.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

void FillCounting(DeviceImage& image)
{
    for (int a = 0; a < kImageCapacity; ++a)
        image.buffer[a] = static_cast<uint8_t>(a);
}

} // namespace

TEST(IntelHexStoreTest, TheWholeErasedDeviceIs768RecordsOfSixteenBytes)
{
    auto image = NewImage();
    const SaveRange whole = WholeDeviceRange(image->deviceSize);
    const std::string text = Text(StoreIntelHex(*image, whole.start, whole.finish));

    ASSERT_EQ(text.size(), 768u * 45u + 13u);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 769u);
    EXPECT_EQ(lines.front(), ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00");
    EXPECT_EQ(lines[1], ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0");
    EXPECT_EQ(lines[767], ":102FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE1");
    EXPECT_EQ(lines.back(), ":00000001FF");
    for (size_t i = 0; i < 768; ++i) {
        char address[5];
        std::snprintf(address, sizeof address, "%04zX", i * 16);
        ASSERT_EQ(lines[i].substr(0, 9), std::string(":10") + address + "00") << i;
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(IntelHexStoreTest, ThreeBytesAreOneLine)
{
    auto image = NewImage();
    image->buffer[0x10] = 0x01;
    image->buffer[0x11] = 0x02;
    image->buffer[0x12] = 0x03;
    EXPECT_EQ(Text(StoreIntelHex(*image, 0x10, 0x12)), ":03001000010203E7\r\n:00000001FF\r\n");
}

TEST(IntelHexStoreTest, DigitsAreUpperCase)
{
    auto image = NewImage();
    image->buffer[0x2FF0] = 0xAB;
    image->buffer[0x2FF1] = 0xCD;
    EXPECT_EQ(Text(StoreIntelHex(*image, 0x2FF0, 0x2FF1)), ":022FF000ABCD67\r\n:00000001FF\r\n");
}

TEST(IntelHexStoreTest, BothEndsOfTheRangeAreSaved)
{
    auto image = NewImage();
    FillCounting(*image);
    const struct {
        int32_t start;
        int32_t finish;
        const char* text;
    } cases[] = {
        {0x10, 0x10, ":0100100010DF\r\n:00000001FF\r\n"},
        {0x2FFF, 0x2FFF, ":012FFF00FFD2\r\n:00000001FF\r\n"},
        {0, 0xF, ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n"},
        {0, 0x10, ":10000000000102030405060708090A0B0C0D0E0F78\r\n:0100100010DF\r\n:00000001FF\r\n"},
        {0x20, 0x10, ":00000001FF\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(StoreIntelHex(*image, c.start, c.finish)), c.text) << c.start << ".." << c.finish;
}

TEST(IntelHexStoreTest, RecordsAreAlignedToTheSaveStart)
{
    auto image = NewImage();
    FillCounting(*image);
    EXPECT_EQ(Text(StoreIntelHex(*image, 5, 0x27)),
              ":1000050005060708090A0B0C0D0E0F101112131423\r\n"
              ":1000150015161718191A1B1C1D1E1F202122232413\r\n"
              ":0300250025262766\r\n"
              ":00000001FF\r\n");
}

TEST(IntelHexStoreTest, OutOfRangeEndsFallBackToTheDevice)
{
    auto image = NewImage();
    FillCounting(*image);
    const auto whole = StoreIntelHex(*image, 0, 0x2FFF);
    EXPECT_EQ(StoreIntelHex(*image, -1, 0x3000), whole);
    EXPECT_EQ(StoreIntelHex(*image, 0x3000, -1), whole);
    EXPECT_EQ(Text(StoreIntelHex(*image, 0x2FF0, 0x12345)),
              ":102FF000F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF59\r\n:00000001FF\r\n");
}

TEST(IntelHexStoreTest, ADeviceSizeBeyondTheArraysStopsAtTheirEnd)
{
    auto image = NewImage();
    image->deviceSize = 0x10000;
    const auto lines = Lines(Text(StoreIntelHex(*image, 0, 0xFFFF)));
    ASSERT_EQ(lines.size(), 0x501u);
    EXPECT_EQ(lines[0x4FF].substr(0, 9), ":104FF000");
}

TEST(IntelHexStoreTest, WhatIsSavedLoadsBackTheSame)
{
    auto image = NewImage();
    FillPattern(*image, 3);
    for (const auto& [start, finish] : {std::pair{0, 0x2FFF}, {7, 0x1234}, {0x2FF1, 0x2FFF}, {0x100, 0x1FF}}) {
        auto other = NewImage();
        LoadIntelHex(*other, StoreIntelHex(*image, start, finish));
        EXPECT_EQ(other->dataStart, start);
        EXPECT_EQ(other->dataEnd, finish);
        EXPECT_TRUE(std::equal(image->buffer.begin() + start, image->buffer.begin() + finish + 1,
                               other->buffer.begin() + start));
    }
}
