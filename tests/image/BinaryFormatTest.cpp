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
    image->marks[0x3000] = MarkChanged;
    const auto file = Counting(100);

    const ImageLoadResult result = LoadBinary(*image, file);
    EXPECT_TRUE(result.complete());
    EXPECT_EQ(image->dataStart, 0);
    EXPECT_EQ(image->dataEnd, 100);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), image->buffer.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 100, before.begin() + 0x3000, image->buffer.begin() + 100));
    EXPECT_EQ(image->marks[5], MarkNone);
    // The spare part past the device is erased, so nothing an earlier file
    // left there can reach a job.
    EXPECT_TRUE(std::all_of(image->buffer.begin() + 0x3000, image->buffer.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(image->marks[0x3000], MarkNone);
}

TEST(BinaryLoadTest, BytesPastTheDeviceAreLeftOutAndCountedUnlessErasedPadding)
{
    const struct {
        size_t length;
        bool padding;
        int64_t leftOut;
    } cases[] = {
        {0x3000, false, 0},
        {16384, true, 0},
        {16384, false, 4096 - 4096 / 256}, // Counting() gives 0xFF once every 256 bytes
        {kImageCapacity, true, 0},
    };
    for (const auto& c : cases) {
        auto image = NewImage();
        auto file = Counting(c.length);
        if (c.padding)
            std::fill(file.begin() + 0x3000, file.end(), 0xFF);
        const ImageLoadResult result = LoadBinary(*image, file);
        EXPECT_TRUE(result.loaded()) << c.length;
        EXPECT_EQ(result.leftOut, c.leftOut) << c.length;
        EXPECT_EQ(image->dataStart, 0);
        EXPECT_EQ(image->dataEnd, 0x3000);
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + 0x3000, image->buffer.begin()));
        EXPECT_TRUE(std::all_of(image->buffer.begin() + 0x3000, image->buffer.end(), [](uint8_t b) { return b == 0xFF; }))
            << c.length;
    }
}

TEST(BinaryLoadTest, ARefusedOrEmptyFileLeavesTheImageExactlyAsItWas)
{
    const struct {
        size_t length;
        ImageLoadResult::Status status;
        const char* problem;
    } cases[] = {
        {kImageCapacity + 1, ImageLoadResult::Status::Refused, "Can't open files larger than 20Kb"},
        {size_t{1} << 20, ImageLoadResult::Status::Refused, "Can't open files larger than 20Kb"},
        {0, ImageLoadResult::Status::NoData, ""},
    };
    for (const auto& c : cases) {
        auto image = LivedInImage();
        const auto before = *image;
        const ImageLoadResult result = LoadBinary(*image, Counting(c.length));
        EXPECT_EQ(result.status, c.status) << c.length;
        EXPECT_EQ(result.problem, c.problem);
        ExpectSameImage(*image, before);
    }
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
