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
    // Loads text into an image holding a pattern and expects it refused as
    // `status`, the image exactly as it was.
    void ExpectUntouched(const std::string& text, ImageLoadResult::Status status)
    {
        auto image = LivedInImage();
        const auto before = *image;
        result_ = LoadIntelHex(*image, Bytes(text));
        EXPECT_EQ(result_.status, status) << text;
        ExpectSameImage(*image, before);
    }

    std::unique_ptr<DeviceImage> image_ = NewImage();
    ImageLoadResult result_;
};

} // namespace

TEST_F(IntelHexLoadTest, ADataRecordWritesItsBytesMarksTheChangedOnesAndSetsTheRange)
{
    image_->buffer[0x11] = 0x02;
    image_->marks[0x11] = MarkMismatch;
    image_->marks[0x3000] = MarkChanged;
    image_->buffer[0x3000] = 0x12;
    Load(":03001000010203E7\r\n");
    EXPECT_TRUE(result_.complete());
    EXPECT_TRUE(Holds(*image_, 0x10, {1, 2, 3}));
    EXPECT_EQ(image_->dataStart, 0x10);
    EXPECT_EQ(image_->dataEnd, 0x12) << "the range ends at the file's last byte";
    EXPECT_EQ(image_->marks[0x10], MarkChanged);
    EXPECT_EQ(image_->marks[0x11], MarkNone);
    EXPECT_EQ(image_->marks[0x12], MarkChanged);
    EXPECT_EQ(ChangedMarks(*image_), 2);
    // The spare part past the device is cleared by every load.
    EXPECT_EQ(image_->buffer[0x3000], 0xFF);
}

TEST_F(IntelHexLoadTest, RecordsAtTheTopOfTheDevice)
{
    Load(Record(0x2FF0, 0, Counting(16)) + "\r\n");
    EXPECT_EQ(Record(0x2FF0, 0, Counting(16)), ":102FF000000102030405060708090A0B0C0D0E0F59");
    EXPECT_TRUE(Holds(*image_, 0x2FF0, Counting(16)));
    EXPECT_EQ(image_->dataEnd, 0x2FFF);

    // Fifteen bytes from 0x2FF1 end exactly at the top.
    auto fits = NewImage();
    LoadIntelHex(*fits, Bytes(":0F2FF100000102030405060708090A0B0C0D0E68\r\n"));
    EXPECT_TRUE(Holds(*fits, 0x2FF1, Counting(15)));
    EXPECT_EQ(fits->dataEnd, 0x2FFF);
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
    EXPECT_EQ(image_->dataEnd, 0x10FE);

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
    EXPECT_EQ(image_->dataEnd, 0x1FF);
    EXPECT_TRUE(Holds(*image_, 0x100, Counting(256)));
}

TEST_F(IntelHexLoadTest, AFileWithoutDataForTheDeviceChangesNothing)
{
    const struct {
        std::string text;
        int64_t leftOut;
    } cases[] = {
        {"", 0},
        {":00000001FF\r\n", 0},
        {"\r\n\r\n", 0},
        {"hello\r\n", 0},
        {":020000040000FA\r\n", 0},
        // Sixteen bytes from the device's end on.
        {Record(0x3000, 0, Counting(16)) + "\r\n", 16},
        // One record far above: without it checked, it would make a write
        // cover the whole chip.
        {Record(0xFFF0, 0, Counting(16)) + "\r\n", 16},
        {":020000040001F9\r\n:01004000556A\r\n", 1},
    };
    for (const auto& c : cases) {
        ExpectUntouched(c.text, ImageLoadResult::Status::NoData);
        EXPECT_EQ(result_.leftOut, c.leftOut) << c.text;
    }
    EXPECT_EQ(DescribeImageLoad(result_, "fw.hex", 0x3000),
              "fw.hex holds no data for the device (0x0000-0x2FFF): its 1 byte lies outside it. Nothing was loaded.");
}

TEST_F(IntelHexLoadTest, TheEndRecordEndsTheFile)
{
    Load(":0100000011EE\r\n:00000001FF\r\n:0100010022DC\r\n");
    EXPECT_EQ(image_->buffer[0], 0x11);
    EXPECT_EQ(image_->buffer[1], 0xFF);
    EXPECT_EQ(image_->dataEnd, 0);
}

TEST_F(IntelHexLoadTest, TheBytesOfAnEndRecordAreWrittenButDoNotWidenTheRange)
{
    Load(":0100000011EE\r\n" + Record(0x20, 1, {0xAA, 0xBB}) + "\r\n");
    EXPECT_EQ(image_->buffer[0x20], 0xAA);
    EXPECT_EQ(image_->buffer[0x21], 0xBB);
    EXPECT_EQ(image_->dataEnd, 0);
}

TEST_F(IntelHexLoadTest, StartAddressRecordsAreSkippedWithoutEndingTheFile)
{
    Load(":0400000300001234B3\r\n:0100000011EE\r\n:0400000500001234B1\r\n"
         ":0100010022DC\r\n:0100020033CA\r\n");
    EXPECT_TRUE(result_.complete());
    EXPECT_TRUE(Holds(*image_, 0, {0x11, 0x22, 0x33}));
    EXPECT_EQ(image_->dataEnd, 2);
    EXPECT_EQ(ChangedMarks(*image_), 3);
}

TEST_F(IntelHexLoadTest, RecordsOutsideTheDeviceAreLeftOutAndCounted)
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
         ":022FFF00AABB6B\r\n"       // across the device's end: one byte in, one out
         ":00000001FF\r\n");
    EXPECT_TRUE(result_.loaded());
    EXPECT_EQ(result_.leftOut, 16 + 1 + 1 + 1);
    EXPECT_TRUE(Holds(*image_, 0, {0x11, 0x22, 0x33}));
    EXPECT_EQ(image_->buffer[0x40], 0xFF);
    EXPECT_EQ(image_->buffer[0x50], 0xFF);
    EXPECT_EQ(image_->buffer[3], 0xFF);
    EXPECT_EQ(image_->buffer[0x2FFF], 0xAA);
    EXPECT_EQ(image_->dataStart, 0);
    EXPECT_EQ(image_->dataEnd, 0x2FFF);
    EXPECT_EQ(ChangedMarks(*image_), 4);
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
    EXPECT_EQ(images[0]->dataEnd, 0x2F01);
    for (const auto& image : images) {
        EXPECT_EQ(image->buffer, images[0]->buffer);
        EXPECT_EQ(image->marks, images[0]->marks);
        EXPECT_EQ(image->dataStart, 0);
        EXPECT_EQ(image->dataEnd, 0x2F01);
    }
}

TEST_F(IntelHexLoadTest, LinesThatAreNotRecordsAreSkipped)
{
    std::string binary;
    for (int c = 0; c < 256; ++c)
        binary += static_cast<char>(c == '\r' || c == '\n' ? 0 : c);
    Load("\r\n"
         "no colon here\r\n"
         "0100000011EE\r\n"                      // no ':'
         "x:0100000011EE\r\n" +                  // ':' not first
         std::string(100000, 'Z') + "\r\n" + binary + "\r\n" +
         ":01003000448B\r\n");
    EXPECT_TRUE(result_.complete());
    EXPECT_EQ(image_->buffer[0], 0xFF);
    EXPECT_EQ(image_->buffer[0x30], 0x44);
    EXPECT_EQ(image_->dataStart, 0x30);
    EXPECT_EQ(image_->dataEnd, 0x30);
    EXPECT_EQ(ChangedMarks(*image_), 1);
}

TEST_F(IntelHexLoadTest, ADamagedRecordRefusesTheWholeFileWithItsLineNumber)
{
    // Two good records (one of them on two lines' worth of CR LF), a blank
    // line, then the damaged one on line 4.
    const std::string good = ":0100000011EE\r\n:0100010022DC\r\n\r\n";
    const struct {
        std::string line;
        std::string problem;
    } cases[] = {
        {":0300100001020300", "checksum 00 where the record needs E7"},
        {":01000G0011EE", "'G' is not a hex digit"},
        {":0100000Z11EE", "'Z' is not a hex digit"},
        {":02002000 1122CB", "' ' is not a hex digit"},
        {":0400000011223344", "16 digits where its count of 4 bytes needs 18"},
        {":05000000112233", "14 digits where its count of 5 bytes needs 20"},
        {":0100000011EE00", "14 digits where its count of 1 byte needs 12"},
        {":" + std::string(1, '\0') + "100000", "a NUL byte"},
        {":0100000011E" + std::string(1, '\0') + "E", "a NUL byte"},
        {":", "only 0 digits, too few for a record"},
        {Record(0x40, 6, {1, 2}), "record type 06, which Intel HEX does not define (00 to 05)"},
        {Record(0x40, 0x7F, {}), "record type 7F, which Intel HEX does not define (00 to 05)"},
        {Record(0, 2, {0x10}), "an extended address record of 1 byte, where it holds 2"},
        {Record(0, 4, {0, 0, 1}), "an extended address record of 3 bytes, where it holds 2"},
        {":" + std::string(100000, 'A'), "100000 digits where its count of 170 bytes needs 350"},
    };
    for (const auto& c : cases) {
        ExpectUntouched(good + c.line + "\r\n:0100020033CA\r\n", ImageLoadResult::Status::Damaged);
        EXPECT_EQ(result_.line, 4) << c.line;
        EXPECT_EQ(result_.problem, c.problem);
    }
    EXPECT_EQ(DescribeImageLoad(result_, "fw.hex", 0x3000),
              "fw.hex, line 4: damaged Intel HEX record: 100000 digits where its count of 170 bytes needs 350. "
              "Nothing was loaded.");
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
    EXPECT_EQ(LoadIntelHex(*image_, noise).status, ImageLoadResult::Status::NoData);
    EXPECT_EQ(image_->buffer, before);
}

TEST_F(IntelHexLoadTest, LowerCaseDigitsAndBlanksAroundTheRecordAreAccepted)
{
    Load("  :022ff000abcd67  \r\n\t:0100000011ee\t\r\n");
    EXPECT_TRUE(result_.complete());
    EXPECT_EQ(image_->buffer[0x2FF0], 0xAB);
    EXPECT_EQ(image_->buffer[0x2FF1], 0xCD);
    EXPECT_EQ(image_->buffer[0], 0x11);
}

TEST_F(IntelHexLoadTest, ADeviceSizeBeyondTheArraysStillStopsAtTheirEnd)
{
    image_->deviceSize = 0x10000;
    Load(Record(0x4FE0, 0, Counting(16)) + "\r\n" + Record(0x4FF8, 0, Counting(16)) + "\r\n" +
         Record(0xFFF0, 0, Counting(16)) + "\r\n");
    EXPECT_TRUE(Holds(*image_, 0x4FE0, Counting(16)));
    EXPECT_TRUE(Holds(*image_, 0x4FF8, Counting(8)));
    EXPECT_EQ(image_->dataEnd, 0x4FFF);
    EXPECT_EQ(result_.leftOut, 8 + 16) << "the second record's first 8 bytes fit";
}

TEST(IntelHexRecordTest, ReadsTheFields)
{
    const IntelHexLine line = ParseIntelHexLine(":02ABCD0412343C");
    ASSERT_EQ(line.kind, IntelHexLine::Kind::Record);
    EXPECT_EQ(line.record.count, 2);
    EXPECT_EQ(line.record.address, 0xABCD);
    EXPECT_EQ(line.record.type, 4);
    EXPECT_EQ(line.record.data[0], 0x12);
    EXPECT_EQ(line.record.data[1], 0x34);

    EXPECT_EQ(ParseIntelHexLine("").kind, IntelHexLine::Kind::NotRecord);
    EXPECT_EQ(ParseIntelHexLine("  text: no").kind, IntelHexLine::Kind::NotRecord);
    EXPECT_EQ(ParseIntelHexLine(":0000000").kind, IntelHexLine::Kind::Damaged);
    EXPECT_EQ(ParseIntelHexLine(":0000000000").kind, IntelHexLine::Kind::Record);
    EXPECT_EQ(ParseIntelHexLine(":FF000000" + std::string(510, '0') + "01").kind, IntelHexLine::Kind::Record);
    EXPECT_EQ(ParseIntelHexLine(":FF000000" + std::string(509, '0') + "01").kind, IntelHexLine::Kind::Damaged);
}
