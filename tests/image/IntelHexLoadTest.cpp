#include "ImageBytes.h"

#include <IntelHexFormat.h>
#include <IntelHexRecord.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

// One record line with a correct checksum, no line end.
std::string Record(int address, int type, const std::vector<uint8_t>& data)
{
    char head[10];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()),
                  static_cast<unsigned>(address), static_cast<unsigned>(type));
    std::string line = head;
    unsigned sum = static_cast<unsigned>(data.size() + (address >> 8) + (address & 0xFF) + type);
    for (const uint8_t b : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        line += digits;
        sum += b;
    }
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (0u - sum) & 0xFF);
    return line + check;
}

std::vector<uint8_t> Counting(int count, int first = 0)
{
    std::vector<uint8_t> data(static_cast<size_t>(count));
    std::iota(data.begin(), data.end(), static_cast<uint8_t>(first));
    return data;
}

bool Holds(const DeviceImage& image, int address, const std::vector<uint8_t>& data)
{
    return std::equal(data.begin(), data.end(), image.buffer.begin() + address);
}

int ChangedMarks(const DeviceImage& image)
{
    return static_cast<int>(std::count(image.marks.begin(), image.marks.end(), MarkChanged));
}

class IntelHexLoadTest : public ::testing::Test {
protected:
    void Load(const std::string& text) { result_ = LoadIntelHex(*image_, Bytes(text)); }

    std::unique_ptr<DeviceImage> image_ = NewImage();
    ImageLoadResult result_;
};

} // namespace

TEST_F(IntelHexLoadTest, ADataRecordWritesItsBytesMarksTheChangedOnesAndSetsTheRange)
{
    image_->buffer[0x11] = 0x02;
    image_->marks[0x11] = MarkMismatch; // left to the caller's common start
    Load(":03001000010203E7\r\n");
    EXPECT_TRUE(result_.loaded);
    EXPECT_TRUE(Holds(*image_, 0x10, {1, 2, 3}));
    EXPECT_EQ(image_->dataStart, 0x10);
    EXPECT_EQ(image_->dataEnd, 0x13);
    EXPECT_EQ(image_->marks[0x10], MarkChanged);
    EXPECT_EQ(image_->marks[0x11], MarkMismatch);
    EXPECT_EQ(image_->marks[0x12], MarkChanged);
    EXPECT_EQ(ChangedMarks(*image_), 2);
}

TEST_F(IntelHexLoadTest, RecordsAtTheTopOfTheDevice)
{
    Load(Record(0x2FF0, 0, Counting(16)) + "\r\n");
    EXPECT_EQ(Record(0x2FF0, 0, Counting(16)), ":102FF000000102030405060708090A0B0C0D0E0F59");
    EXPECT_TRUE(Holds(*image_, 0x2FF0, Counting(16)));
    EXPECT_EQ(image_->dataEnd, 0x3000);

    // Sixteen bytes from 0x2FF1 would reach past the device: nothing is
    // written, but the range still takes the record in.
    auto skipped = NewImage();
    LoadIntelHex(*skipped, Bytes(":102FF100000102030405060708090A0B0C0D0E0F58\r\n"));
    EXPECT_EQ(skipped->buffer, NewImage()->buffer);
    EXPECT_EQ(ChangedMarks(*skipped), 0);
    EXPECT_EQ(skipped->dataStart, 0x2FF1);
    EXPECT_EQ(skipped->dataEnd, 0x3001);

    // Fifteen bytes from 0x2FF1 end exactly at the top.
    auto fits = NewImage();
    LoadIntelHex(*fits, Bytes(":0F2FF100000102030405060708090A0B0C0D0E68\r\n"));
    EXPECT_TRUE(Holds(*fits, 0x2FF1, Counting(15)));
    EXPECT_EQ(fits->dataEnd, 0x3000);
}

TEST_F(IntelHexLoadTest, RecordsLongerThanSixteenBytesLoadWhole)
{
    Load(":20020000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1FEE\r\n"
         ":11030000000102030405060708090A0B0C0D0E0F1064\r\n" +
         Record(0x1000, 0, Counting(255, 1)) + "\r\n");
    EXPECT_TRUE(Holds(*image_, 0x200, Counting(32)));
    EXPECT_TRUE(Holds(*image_, 0x300, Counting(17)));
    EXPECT_TRUE(Holds(*image_, 0x1000, Counting(255, 1)));
    EXPECT_EQ(image_->dataStart, 0x200);
    EXPECT_EQ(image_->dataEnd, 0x10FF);

    auto top = NewImage();
    LoadIntelHex(*top, Bytes(Record(0x3000 - 255, 0, Counting(255)) + "\r\n"));
    EXPECT_TRUE(Holds(*top, 0x3000 - 255, Counting(255)));
}

TEST_F(IntelHexLoadTest, AFullPageSetsItsRange)
{
    std::string text;
    for (int a = 0x100; a < 0x200; a += 16)
        text += Record(a, 0, Counting(16, a)) + "\r\n";
    text += ":00000001FF\r\n";
    Load(text);
    EXPECT_EQ(image_->dataStart, 0x100);
    EXPECT_EQ(image_->dataEnd, 0x200);
    EXPECT_TRUE(Holds(*image_, 0x100, Counting(256)));
}

TEST_F(IntelHexLoadTest, NoDataRecordLeavesTheEmptyRange)
{
    FillPattern(*image_);
    const auto before = image_->buffer;
    for (const char* text : {"", ":00000001FF\r\n", "\r\n\r\n", "hello\r\n", ":020000040000FA\r\n"}) {
        image_->dataStart = 0x10;
        image_->dataEnd = 0x20;
        Load(text);
        EXPECT_TRUE(result_.loaded);
        EXPECT_EQ(image_->dataStart, 0xFFFF) << text;
        EXPECT_EQ(image_->dataEnd, 0) << text;
        EXPECT_EQ(image_->buffer, before);
    }
}

TEST_F(IntelHexLoadTest, TheEndRecordOrACountOfZeroEndsTheFile)
{
    Load(":0100000011EE\r\n:00000001FF\r\n:0100010022DC\r\n");
    EXPECT_EQ(image_->buffer[0], 0x11);
    EXPECT_EQ(image_->buffer[1], 0xFF);
    EXPECT_EQ(image_->dataEnd, 1);

    auto zero = NewImage();
    LoadIntelHex(*zero, Bytes(":0100000011EE\r\n:00004000C0\r\n:0100010022DC\r\n"));
    EXPECT_EQ(zero->buffer[1], 0xFF);
    // The empty data record still counts for the range.
    EXPECT_EQ(zero->dataStart, 0);
    EXPECT_EQ(zero->dataEnd, 0x40);
}

TEST_F(IntelHexLoadTest, TheBytesOfAnEndRecordAreWrittenButDoNotWidenTheRange)
{
    Load(":0100000011EE\r\n" + Record(0x20, 1, {0xAA, 0xBB}) + "\r\n");
    EXPECT_EQ(image_->buffer[0x20], 0xAA);
    EXPECT_EQ(image_->buffer[0x21], 0xBB);
    EXPECT_EQ(image_->dataEnd, 1);
}

TEST_F(IntelHexLoadTest, OtherRecordTypesAreSkippedWithoutEndingTheFile)
{
    Load(":0400000300001234B3\r\n:0100000011EE\r\n:04000005000012349\r\n"
         ":0100010022DC\r\n" + Record(0x40, 0x7F, {1, 2}) + "\r\n:0100020033CA\r\n");
    EXPECT_TRUE(Holds(*image_, 0, {0x11, 0x22, 0x33}));
    EXPECT_EQ(image_->dataEnd, 3);
    EXPECT_EQ(ChangedMarks(*image_), 3);
}

TEST_F(IntelHexLoadTest, RecordsUnderANonZeroExtendedAddressAreLeftOut)
{
    Load(":020000040000FA\r\n"       // zero: changes nothing
         ":0100000011EE\r\n"
         ":020000040001F9\r\n"       // 0x10000 and up
         ":1000000000000000000000000000000000000000F0\r\n"
         ":01004000556A\r\n"
         ":020000021000EC\r\n"       // segment 0x1000, still high
         ":010050006649\r\n"
         ":020000040000FA\r\n"       // back to the first 64 KB
         ":0100010022DC\r\n"
         ":020000020000FC\r\n"
         ":0100020033CA\r\n"
         ":00000001FF\r\n");
    EXPECT_TRUE(Holds(*image_, 0, {0x11, 0x22, 0x33}));
    EXPECT_EQ(image_->buffer[0x40], 0xFF);
    EXPECT_EQ(image_->buffer[0x50], 0xFF);
    EXPECT_EQ(image_->buffer[3], 0xFF);
    EXPECT_EQ(image_->dataStart, 0);
    EXPECT_EQ(image_->dataEnd, 3);
    EXPECT_EQ(ChangedMarks(*image_), 3);

    auto high = NewImage();
    LoadIntelHex(*high, Bytes(":020000040001F9\r\n:01004000556A\r\n"));
    EXPECT_EQ(high->dataStart, 0xFFFF);
    EXPECT_EQ(high->dataEnd, 0);
    EXPECT_EQ(ChangedMarks(*high), 0);
}

TEST_F(IntelHexLoadTest, CrLfLfAndCrLineEndsLoadTheSameRecords)
{
    const std::vector<std::string> records = {Record(0, 0, Counting(16)), Record(0x10, 0, Counting(16, 0x80)),
                                              Record(0x2F00, 0, {0xDE, 0xAD}), ":00000001FF"};
    std::vector<std::unique_ptr<DeviceImage>> images;
    for (const char* end : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n"}) {
        std::string text;
        for (const auto& r : records)
            text += r + end;
        images.push_back(NewImage());
        LoadIntelHex(*images.back(), Bytes(text));
    }
    // The last line may also go without an end.
    images.push_back(NewImage());
    LoadIntelHex(*images.back(), Bytes(records[0] + "\n" + records[1] + "\r" + records[2]));

    EXPECT_TRUE(Holds(*images[0], 0, Counting(16)));
    EXPECT_TRUE(Holds(*images[0], 0x10, Counting(16, 0x80)));
    EXPECT_TRUE(Holds(*images[0], 0x2F00, {0xDE, 0xAD}));
    EXPECT_EQ(images[0]->dataEnd, 0x2F02);
    for (const auto& image : images) {
        EXPECT_EQ(image->buffer, images[0]->buffer);
        EXPECT_EQ(image->marks, images[0]->marks);
        EXPECT_EQ(image->dataStart, 0);
        EXPECT_EQ(image->dataEnd, 0x2F02);
    }
}

TEST_F(IntelHexLoadTest, LinesThatAreNotRecordsAreSkipped)
{
    const std::string longGarbage(100000, 'Z');
    const std::string longDigits(100000, 'A');
    std::string binary;
    for (int c = 0; c < 256; ++c)
        binary += static_cast<char>(c == '\r' || c == '\n' ? 0 : c);
    Load("\r\n"
         "no colon here\r\n"
         "0100000011EE\r\n"                      // no ':'
         "x:0100000011EE\r\n"                    // ':' not first
         ":01000G0011EE\r\n"                     // not hex in the address
         ":0100000Z11EE\r\n"                     // not hex in the type
         ":0400000011223344\r\n"                 // fine: no checksum needed
         ":05000000112233\r\n"                   // fewer data digits than the count
         ":0500100011223\r\n"                    // an odd digit short
         ":02002000 1122CB\r\n"                   // a blank inside the data
         ":" + std::string(1, '\0') + "1000000\r\n" +
         ":" + longDigits + "\r\n" + longGarbage + "\r\n" + binary + "\r\n" +
         ":01003000448B\r\n");
    EXPECT_TRUE(Holds(*image_, 0, {0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(image_->buffer[0x10], 0xFF);
    EXPECT_EQ(image_->buffer[0x20], 0xFF);
    EXPECT_EQ(image_->buffer[0x30], 0x44);
    EXPECT_EQ(image_->dataStart, 0);
    EXPECT_EQ(image_->dataEnd, 0x31);
    EXPECT_EQ(ChangedMarks(*image_), 5);
}

TEST_F(IntelHexLoadTest, AFileThatIsNotTextNeverLoadsAnything)
{
    std::vector<uint8_t> noise(1 << 16);
    uint32_t x = 12345;
    for (auto& b : noise) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
        if (b == ':')
            b = 0;
    }
    const auto before = image_->buffer;
    LoadIntelHex(*image_, noise);
    EXPECT_EQ(image_->buffer, before);
    EXPECT_EQ(image_->dataStart, 0xFFFF);
}

TEST_F(IntelHexLoadTest, ChecksumsAreNotChecked)
{
    Load(":0300100001020300\r\n:01002000AA\r\n");
    EXPECT_TRUE(Holds(*image_, 0x10, {1, 2, 3}));
    EXPECT_EQ(image_->buffer[0x20], 0xAA);
}

TEST_F(IntelHexLoadTest, LowerCaseDigitsAndBlanksAroundTheRecordAreAccepted)
{
    Load("  :022ff000abcd67  \r\n\t:0100000011ee\t\r\n");
    EXPECT_EQ(image_->buffer[0x2FF0], 0xAB);
    EXPECT_EQ(image_->buffer[0x2FF1], 0xCD);
    EXPECT_EQ(image_->buffer[0], 0x11);
}

TEST_F(IntelHexLoadTest, ADeviceSizeBeyondTheArraysStillStopsAtTheirEnd)
{
    image_->deviceSize = 0x10000;
    Load(Record(0x4FF0, 0, Counting(16)) + "\r\n" + Record(0x4FF8, 0, Counting(16)) + "\r\n" +
         Record(0xFFF0, 0, Counting(16)) + "\r\n");
    EXPECT_TRUE(Holds(*image_, 0x4FF0, Counting(16)));
    EXPECT_EQ(image_->dataEnd, 0x10000);
}

TEST(IntelHexRecordTest, ReadsTheFieldsAndIgnoresWhatFollowsTheData)
{
    const auto record = ParseIntelHexRecord(":02ABCD0412345ZZZ");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->count, 2);
    EXPECT_EQ(record->address, 0xABCD);
    EXPECT_EQ(record->type, 4);
    EXPECT_EQ(record->data[0], 0x12);
    EXPECT_EQ(record->data[1], 0x34);

    EXPECT_FALSE(ParseIntelHexRecord(":"));
    EXPECT_FALSE(ParseIntelHexRecord(":0000000"));
    EXPECT_TRUE(ParseIntelHexRecord(":00000000"));
    EXPECT_FALSE(ParseIntelHexRecord(":FF000000" + std::string(509, '0')));
    EXPECT_TRUE(ParseIntelHexRecord(":FF000000" + std::string(510, '0')));
}
