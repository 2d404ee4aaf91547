// srec_cat (srecord) as an independent reader and writer of Intel HEX: what
// we write must pass its checksum check with the same bytes, and what it
// writes must load to the same image.
#include "ImageBytes.h"

#include <BinaryFormat.h>
#include <IntelHexFormat.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

bool SrecCatInstalled()
{
    return std::system("command -v srec_cat >/dev/null 2>&1") == 0;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SrecordPeerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SrecCatInstalled())
            GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
        std::string pattern = (fs::temp_directory_path() / "vorlane-srec-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override
    {
        if (!dir_.empty()) {
            std::error_code ignored;
            fs::remove_all(dir_, ignored);
        }
    }

    // srec_cat's exit status; its messages go to a file for the failure text.
    int SrecCat(const std::string& arguments)
    {
        const std::string command = "cd '" + dir_.string() + "' && srec_cat " + arguments + " 2>srec.log";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Log() { return Text(ReadFile(dir_ / "srec.log")); }

    fs::path dir_;
};

} // namespace

TEST_F(SrecordPeerTest, EveryHexFileWeWritePassesItsChecksumsWithTheSameBytes)
{
    auto image = NewImage();
    FillPattern(*image, 11);
    // Lengths 1, 16, 17 and the whole device among them.
    const std::pair<int, int> ranges[] = {{0x10, 0x10}, {0, 0xF},       {0, 0x10},      {0, 0x2FFF},
                                          {5, 0x27},    {0x2FF1, 0x2FFF}, {0x123, 0x1FEE}, {0x2FFF, 0x2FFF}};
    for (const auto& [start, finish] : ranges) {
        SCOPED_TRACE(testing::Message() << std::hex << start << ".." << finish);
        WriteFile(dir_ / "ours.hex", StoreIntelHex(*image, start, finish));
        ASSERT_EQ(SrecCat("ours.hex -intel -offset -" + std::to_string(start) + " -o peer.bin -binary"), 0)
            << Log();
        EXPECT_EQ(Log(), "") << "srec_cat warned";
        const std::vector<uint8_t> expected(image->buffer.begin() + start, image->buffer.begin() + finish + 1);
        EXPECT_EQ(ReadFile(dir_ / "peer.bin"), expected);
    }
}

TEST_F(SrecordPeerTest, ABadChecksumIsCaughtByThePeer)
{
    // Shows that the check above is a real one.
    WriteFile(dir_ / "bad.hex", Bytes(":03001000010203E8\r\n"));
    EXPECT_NE(SrecCat("bad.hex -intel -o peer.bin -binary"), 0);
    WriteFile(dir_ / "good.hex", Bytes(":03001000010203E7\r\n"));
    EXPECT_EQ(SrecCat("good.hex -intel -o peer.bin -binary"), 0) << Log();
}

TEST_F(SrecordPeerTest, EveryBinaryFileWeWriteHoldsTheSameBytes)
{
    auto image = NewImage();
    FillPattern(*image, 12);
    WriteFile(dir_ / "ours.bin", StoreBinary(*image, 0x40, 0x2FFF));
    ASSERT_EQ(SrecCat("ours.bin -binary -offset 0x40 -o peer.hex -intel"), 0) << Log();

    auto loaded = NewImage();
    LoadIntelHex(*loaded, ReadFile(dir_ / "peer.hex"));
    EXPECT_EQ(loaded->dataStart, 0x40);
    EXPECT_EQ(loaded->dataEnd, 0x2FFF);
    EXPECT_TRUE(std::equal(image->buffer.begin() + 0x40, image->buffer.begin() + 0x3000,
                           loaded->buffer.begin() + 0x40));
}

TEST_F(SrecordPeerTest, HexFilesThePeerWritesLoadToTheSameImage)
{
    std::vector<uint8_t> program(0x1234);
    uint32_t x = 99;
    for (auto& b : program) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    WriteFile(dir_ / "program.bin", program);
    const int origin = 0x100;

    // Default: LF line ends, 32-byte records, an 04 record of zero first, an
    // end record last.
    const char* variants[] = {
        "",
        "-address-length=4",
        "-line-termination=crlf",
        "-line-termination=cr",
        "-obs=255",
        "-obs=16 -address-length=2",
        "-obs=7",
    };
    for (const char* options : variants) {
        SCOPED_TRACE(options);
        ASSERT_EQ(SrecCat("program.bin -binary -offset " + std::to_string(origin) + " -o peer.hex -intel " +
                          options),
                  0)
            << Log();
        const auto file = ReadFile(dir_ / "peer.hex");
        if (std::string(options).empty()) {
            EXPECT_EQ(Text(file).substr(0, 17), ":020000040000FA\n:");
        }

        auto image = NewImage();
        LoadIntelHex(*image, file);
        EXPECT_EQ(image->dataStart, origin);
        EXPECT_EQ(image->dataEnd, origin + static_cast<int>(program.size()) - 1);
        EXPECT_TRUE(std::equal(program.begin(), program.end(), image->buffer.begin() + origin));
        EXPECT_TRUE(std::all_of(image->buffer.begin(), image->buffer.begin() + origin,
                                [](uint8_t b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(image->buffer.begin() + origin + static_cast<int>(program.size()),
                                image->buffer.begin() + 0x3000, [](uint8_t b) { return b == 0xFF; }));
        const auto changed = std::count(image->marks.begin(), image->marks.end(), MarkChanged);
        EXPECT_EQ(changed, std::count_if(program.begin(), program.end(), [](uint8_t b) { return b != 0xFF; }));
    }
}

TEST_F(SrecordPeerTest, DataThePeerPutsAbove64KIsLeftOut)
{
    WriteFile(dir_ / "low.bin", {0x11, 0x22, 0x33});
    WriteFile(dir_ / "high.bin", {0x44, 0x55, 0x66});
    ASSERT_EQ(SrecCat("low.bin -binary -offset 0x20 high.bin -binary -offset 0x10020 -o mixed.hex -intel"), 0)
        << Log();
    const auto file = ReadFile(dir_ / "mixed.hex");
    ASSERT_NE(Text(file).find(":020000040001F9"), std::string::npos) << Text(file);

    auto image = NewImage();
    EXPECT_EQ(LoadIntelHex(*image, file).leftOut, 3);
    EXPECT_EQ(image->dataStart, 0x20);
    EXPECT_EQ(image->dataEnd, 0x22);
    EXPECT_EQ(image->buffer[0x20], 0x11);
    EXPECT_EQ(image->buffer[0x22], 0x33);
    EXPECT_EQ(std::count(image->marks.begin(), image->marks.end(), MarkChanged), 3);
}

TEST_F(SrecordPeerTest, OddButValidFilesLoadAsThePeerReadsThemAndWhatIsOddIsTold)
{
    // The peer keeps the later of two values only when told to (-multiple).
    const struct {
        const char* text;
        int32_t start, end;
        std::string told;
    } cases[] = {
        {":020000020010EC\n:0400000000010203F6\n", 0x100, 0x103, ""}, // segment base inside the device
        {":0100000011EE\n:00200000E0\n:0100010022DC\n", 0, 1, ""},     // an empty data record ends nothing
        {":020000020000FC\n:02FFFF00A1A2BD\n", 0, 0,                    // the segment's offset wraps to 0
         "odd.hex: 1 byte lies outside the device (0x0000-0x2FFF) and was left out."},
        {":032FFE00505152DD\n", 0x2FFE, 0x2FFF,
         "odd.hex: 1 byte lies outside the device (0x0000-0x2FFF) and was left out."},
        {":0400100001020304E2\n:03001200090909D0\n", 0x10, 0x14,
         "odd.hex: records overlap at 2 bytes, the first at 0x0012; the values given last were loaded."},
        {":0400000300001234B3\n:01003000448B\n:0400000500001234B1\n", 0x30, 0x30, ""}, // start addresses
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(dir_ / "odd.hex", Bytes(c.text));
        ASSERT_EQ(SrecCat("-multiple odd.hex -intel -crop 0 0x3000 -fill 0xFF 0 0x3000 -o peer.bin -binary"), 0)
            << Log();
        auto image = NewImage();
        const ImageLoadResult result = LoadIntelHex(*image, Bytes(c.text));
        EXPECT_EQ(ReadFile(dir_ / "peer.bin"), std::vector<uint8_t>(image->buffer.begin(), image->buffer.begin() + 0x3000));
        EXPECT_EQ(image->dataStart, c.start);
        EXPECT_EQ(image->dataEnd, c.end);
        EXPECT_EQ(DescribeImageLoad(result, "odd.hex", 0x3000), c.told);
    }
    // A type the format does not define: neither reader takes the file.
    WriteFile(dir_ / "odd.hex", Bytes(":020040060102B5\n"));
    EXPECT_NE(SrecCat("odd.hex -intel -o peer.bin -binary"), 0);
}
