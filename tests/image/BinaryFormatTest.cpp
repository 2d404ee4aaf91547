#include "ImageBytes.h"

#include <BinaryFormat.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<uint8_t> Counting(size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

} // namespace

TEST(BinaryLoadTest, AHundredBytesGoToAddressZeroAndTheRestStays)
{
    auto image = NewImage();
    FillPattern(*image);
    const auto before = image->buffer;
    image->marks[5] = MarkMismatch;
    const auto file = Counting(100);

    const ImageLoadResult result = LoadBinary(*image, file);
    EXPECT_TRUE(result.loaded);
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(image->dataStart, 0);
    EXPECT_EQ(image->dataEnd, 100);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), image->buffer.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 100, before.end(), image->buffer.begin() + 100));
    EXPECT_EQ(image->marks[5], MarkMismatch); // marks are the caller's common start
}

TEST(BinaryLoadTest, SixteenKilobytesLoadWholeAndTheRangeEndsAboveTheDevice)
{
    auto image = NewImage();
    const auto file = Counting(16384);
    EXPECT_TRUE(LoadBinary(*image, file).loaded);
    EXPECT_EQ(image->dataStart, 0);
    EXPECT_EQ(image->dataEnd, 16384);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), image->buffer.begin()));
    EXPECT_EQ(image->deviceSize, 0x3000);
}

TEST(BinaryLoadTest, TwentyKilobytesAreAcceptedAndOneByteMoreIsRefusedUnread)
{
    auto image = NewImage();
    const auto largest = Counting(kImageCapacity);
    EXPECT_TRUE(LoadBinary(*image, largest).loaded);
    EXPECT_EQ(image->dataEnd, kImageCapacity);
    EXPECT_TRUE(std::equal(largest.begin(), largest.end(), image->buffer.begin()));

    FillPattern(*image);
    image->dataStart = 0x100;
    image->dataEnd = 0x200;
    const auto before = image->buffer;

    for (const size_t length : {size_t{kImageCapacity + 1}, size_t{1} << 20}) {
        const ImageLoadResult result = LoadBinary(*image, Counting(length));
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.message, "Can't open files larger than 20Kb");
        EXPECT_EQ(image->dataStart, 0xFFFF);
        EXPECT_EQ(image->dataEnd, 0);
        EXPECT_EQ(image->buffer, before);
    }
}

TEST(BinaryLoadTest, AnEmptyFileSetsTheRangeToZeroAndKeepsTheBytes)
{
    auto image = NewImage();
    FillPattern(*image);
    const auto before = image->buffer;
    EXPECT_TRUE(LoadBinary(*image, {}).loaded);
    EXPECT_EQ(image->dataStart, 0);
    EXPECT_EQ(image->dataEnd, 0);
    EXPECT_EQ(image->buffer, before);
}

TEST(BinaryStoreTest, WritesStartToFinishBothIncludedAndNothingWhenStartIsAbove)
{
    auto image = NewImage();
    FillPattern(*image);
    const auto bytes = StoreBinary(*image, 0x10, 0x12);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{image->buffer[0x10], image->buffer[0x11], image->buffer[0x12]}));

    const auto whole = StoreBinary(*image, 0, 0x2FFF);
    ASSERT_EQ(whole.size(), 0x3000u);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), image->buffer.begin()));

    EXPECT_EQ(StoreBinary(*image, 0x2FFF, 0x2FFF), std::vector<uint8_t>{image->buffer[0x2FFF]});
    EXPECT_TRUE(StoreBinary(*image, 0x11, 0x10).empty());
    EXPECT_TRUE(StoreBinary(*image, 0x2FFF, 0).empty());
}

TEST(BinaryStoreTest, OutOfRangeEndsFallBackToTheDevice)
{
    auto image = NewImage();
    FillPattern(*image);
    const auto whole = StoreBinary(*image, 0, 0x2FFF);
    EXPECT_EQ(StoreBinary(*image, -1, 0x3000), whole);
    EXPECT_EQ(StoreBinary(*image, 0x3000, -5), whole);
    EXPECT_EQ(StoreBinary(*image, INT32_MIN, INT32_MAX), whole);
    EXPECT_EQ(StoreBinary(*image, 0x2FF0, 0x7FFF).size(), 16u);
}

TEST(BinaryStoreTest, ABrokenDeviceSizeNeverReachesPastTheArrays)
{
    auto image = NewImage();
    image->deviceSize = 0x7FFFFFFF;
    EXPECT_EQ(StoreBinary(*image, 0, 0x7FFFFFFE).size(), size_t{kImageCapacity});
    image->deviceSize = -5;
    EXPECT_TRUE(StoreBinary(*image, 0, 0).empty());
}
