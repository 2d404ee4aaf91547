#include <At89s53.h>
#include <ChipFile.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using sim::At89s53;

class ChipFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("vorlane_sim_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "chip.bin").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::vector<uint8_t> slurp(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void spit(const std::string& p, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir;
    std::string path;
};

TEST_F(ChipFileTest, RoundTripKeepsFlashAndLockBits)
{
    At89s53 chip;
    for (int i = 0; i < At89s53::kFlashSize; ++i)
        chip.flash()[i] = static_cast<uint8_t>(i * 7);
    chip.setLockBits(0x27);
    std::string error;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    EXPECT_EQ(fs::file_size(path), 12288u);
    const auto lockText = slurp(path + ".lock");
    EXPECT_EQ(std::string(lockText.begin(), lockText.end()), "0x27\n");
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    At89s53 loaded;
    ASSERT_TRUE(LoadChipFile(loaded, path, &error)) << error;
    EXPECT_EQ(loaded.flash(), chip.flash());
    EXPECT_EQ(loaded.lockBits(), 0x27);
    EXPECT_EQ(loaded.lockMode(), 3);
}

TEST_F(ChipFileTest, MissingFileGivesErasedChipAndCreatesIt)
{
    At89s53 chip;
    chip.flash()[0x10] = 0x00;
    chip.setLockBits(0x07);
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
    EXPECT_EQ(chip.flash()[0x10], 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(slurp(path), std::vector<uint8_t>(12288, 0xFF));
}

TEST_F(ChipFileTest, ShortFileLeavesTheRestErased)
{
    spit(path, {0x01, 0x02, 0x03});
    At89s53 chip;
    chip.flash()[0x05] = 0x00;
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
    EXPECT_EQ(chip.flash()[0], 0x01);
    EXPECT_EQ(chip.flash()[2], 0x03);
    EXPECT_EQ(chip.flash()[3], 0xFF);
    EXPECT_EQ(chip.flash()[0x05], 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
}

TEST_F(ChipFileTest, BytesBeyondTheFlashArePreserved)
{
    std::vector<uint8_t> bytes(12288 + 5, 0x00);
    for (int i = 0; i < 5; ++i)
        bytes[12288 + i] = static_cast<uint8_t>(0xA0 + i);
    spit(path, bytes);
    At89s53 chip;
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
    EXPECT_EQ(chip.flash()[12287], 0x00);
    chip.flash()[12287] = 0x42;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    const auto saved = slurp(path);
    ASSERT_EQ(saved.size(), 12293u);
    EXPECT_EQ(saved[12287], 0x42);
    EXPECT_EQ(saved[12288], 0xA0);
    EXPECT_EQ(saved[12292], 0xA4);
}

TEST_F(ChipFileTest, LockFileAcceptsPlainHexAndRejectsJunk)
{
    spit(path, {});
    spit(path + ".lock", {'6', '7', '\n'});
    At89s53 chip;
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
    EXPECT_EQ(chip.lockMode(), 2);

    spit(path + ".lock", {'z', 'z'});
    At89s53 other;
    other.flash()[0] = 0x12;
    EXPECT_FALSE(LoadChipFile(other, path, &error));
    EXPECT_NE(error.find("lock"), std::string::npos);
    EXPECT_EQ(other.flash()[0], 0x12);
}

TEST_F(ChipFileTest, UnreadablePathReportsAnError)
{
    At89s53 chip;
    chip.flash()[0] = 0x12;
    std::string error;
    EXPECT_FALSE(LoadChipFile(chip, dir.string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(chip.flash()[0], 0x12);

    error.clear();
    const std::string nowhere = (dir / "no" / "such" / "chip.bin").string();
    EXPECT_FALSE(SaveChipFile(chip, nowhere, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(LoadChipFile(chip, nowhere, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(LoadChipFile(chip, dir.string(), nullptr));
}

} // namespace
