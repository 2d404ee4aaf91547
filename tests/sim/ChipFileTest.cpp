#include <At89s53.h>
#include <At89s51And52.h>
#include <ChipFile.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using sim::At89s53;
using sim::At89s51And52;
using sim::CheckChipFile;

class ChipFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir = fs::temp_directory_path() / ("vorlane_sim_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "chip.bin").string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    static std::vector<uint8_t> slurp(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string text(const std::string& p)
    {
        const auto bytes = slurp(p);
        return {bytes.begin(), bytes.end()};
    }
    static void spit(const std::string& p, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir;
    std::string path;
};

// --- Round trips -------------------------------------------------------------------

struct ModelCase {
    const char* name;
    std::function<std::unique_ptr<sim::IspChip>()> make;
    std::size_t size;
    const char* lockText;   // a locked state of that chip, as FILE.lock holds it
};

void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.name; }

class ChipFileRoundTrip : public ChipFileTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(ChipFileRoundTrip, KeepsFlashAndLockStateOfEachSize)
{
    auto chip = GetParam().make();
    auto flash = chip->flashBytes();
    ASSERT_EQ(flash.size(), GetParam().size);
    for (std::size_t i = 0; i < flash.size(); ++i)
        flash[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    ASSERT_TRUE(chip->setLockText(GetParam().lockText));
    std::string error;
    ASSERT_TRUE(SaveChipFile(*chip, path, &error)) << error;
    std::string record = "\nvorlane lock state: " + std::string(GetParam().lockText);
    record.back() = ' ';
    record.resize(31, ' ');
    EXPECT_EQ(text(path).substr(GetParam().size), record + "\n") << "the lock state ends the one file";
    EXPECT_EQ(entries(), std::set<std::string>{"chip.bin"}) << "no temporary file left";

    auto loaded = GetParam().make();
    ASSERT_TRUE(LoadChipFile(*loaded, path, &error)) << error;
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), loaded->flashBytes().begin()));
    EXPECT_EQ(loaded->lockText(), GetParam().lockText);

    // Unlocked, with a flash that ends as a record would: flash it stays.
    const std::string spelled = record + "\n";
    loaded->unlock();
    std::copy(spelled.begin(), spelled.end(), loaded->flashBytes().end() - 32);
    ASSERT_TRUE(SaveChipFile(*loaded, path, &error)) << error;
    auto again = GetParam().make();
    ASSERT_TRUE(LoadChipFile(*again, path, &error)) << error;
    EXPECT_TRUE(std::ranges::equal(again->flashBytes(), loaded->flashBytes()));
    EXPECT_FALSE(again->locked());
}

TEST_P(ChipFileRoundTrip, MissingFileGivesAnErasedUnlockedChipAndIsCreated)
{
    auto chip = GetParam().make();
    chip->flashBytes()[0x10] = 0x00;
    ASSERT_TRUE(chip->setLockText(GetParam().lockText));
    std::string error;
    ASSERT_TRUE(LoadChipFile(*chip, path, &error)) << error;
    EXPECT_EQ(chip->flashBytes()[0x10], 0xFF);
    EXPECT_EQ(slurp(path), std::vector<uint8_t>(GetParam().size, 0xFF));
    auto fresh = GetParam().make();
    EXPECT_EQ(chip->lockText(), fresh->lockText());
    EXPECT_EQ(entries(), std::set<std::string>{"chip.bin"}) << "an unlocked chip's file is its flash alone";
}

INSTANTIATE_TEST_SUITE_P(
    Models, ChipFileRoundTrip,
    ::testing::Values(ModelCase{"AT89S53", [] { return std::make_unique<At89s53>(); }, 12288, "0x27\n"},
                      ModelCase{"AT89S51", [] { return std::make_unique<At89s51And52>(At89s51And52::Variant::S51); },
                                4096, "mode 3\n"},
                      ModelCase{"AT89S52", [] { return std::make_unique<At89s51And52>(At89s51And52::Variant::S52); },
                                8192, "mode 4\n"}),
    [](const auto& info) { return std::string(info.param.name); });

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
    std::vector<uint8_t> bytes(4096 + 5, 0x00);
    for (int i = 0; i < 5; ++i)
        bytes[4096 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(0xA0 + i);
    spit(path, bytes);
    At89s51And52 chip(At89s51And52::Variant::S51);
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
    chip.flash()[4095] = 0x42;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    const auto saved = slurp(path);
    ASSERT_EQ(saved.size(), 4101u);
    EXPECT_EQ(saved[4095], 0x42);
    EXPECT_EQ(saved[4096], 0xA0);
    EXPECT_EQ(saved[4100], 0xA4);
}

struct LockTextCase {
    bool s5x;
    const char* text;
    bool accepted;
};

void PrintTo(const LockTextCase& c, std::ostream* os) { *os << (c.s5x ? "AT89S5x " : "AT89S53 ") << '"' << c.text << '"'; }

class ChipFileLockText : public ChipFileTest, public ::testing::WithParamInterface<LockTextCase> {};

TEST_P(ChipFileLockText, IsReadOnlyInTheChipsOwnForm)
{
    spit(path, {});
    const std::string t = GetParam().text;
    spit(path + ".lock", std::vector<uint8_t>(t.begin(), t.end()));
    std::unique_ptr<sim::IspChip> chip;
    if (GetParam().s5x)
        chip = std::make_unique<At89s51And52>(At89s51And52::Variant::S52);
    else
        chip = std::make_unique<At89s53>();
    chip->flashBytes()[0] = 0x12;
    std::string error;
    EXPECT_EQ(LoadChipFile(*chip, path, &error), GetParam().accepted) << error;
    if (!GetParam().accepted) {
        EXPECT_NE(error.find("lock"), std::string::npos) << error;
        EXPECT_EQ(chip->flashBytes()[0], 0x12) << "left as it was";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ChipFileLockText,
                         ::testing::Values(LockTextCase{false, "67\n", true}, LockTextCase{false, "0xe7", true},
                                           LockTextCase{false, "zz", false}, LockTextCase{false, "0x1E7", false},
                                           LockTextCase{false, "mode 2", false}, LockTextCase{true, "mode 2\n", true},
                                           LockTextCase{true, " mode  4 ", true}, LockTextCase{true, "mode 5", false},
                                           LockTextCase{true, "mode 2x", false}, LockTextCase{true, "0x67", false}));

// --- Files of earlier versions, and files that are refused -----------------------------

// A FILE.lock of an earlier version is read (FILE's record wins where both
// are), a new file a killed save left is ignored, and after the next save
// FILE alone holds flash and lock state.
TEST_F(ChipFileTest, EarlierFilesLoadAndLeaveOneFileAfterASave)
{
    const struct {
        const char* record;   // the lock state FILE's record holds, or null
        const char* lockFile; // FILE.lock beside it, or null
        bool staging;         // a ".chip.bin.new" that a kill left
        const char* loaded;
    } cases[] = {
        {nullptr, "mode 3", false, "mode 3\n"},
        {nullptr, "mode 1", false, "mode 1\n"},
        {"mode 1", "mode 4", false, "mode 1\n"},
        {"mode 2", nullptr, true, "mode 2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loaded);
        std::vector<uint8_t> bytes(4096, 0x5A);
        if (c.record) {
            std::string r = std::string("\nvorlane lock state: ") + c.record;
            r.resize(31, ' ');
            bytes.insert(bytes.end(), r.begin(), r.end());
            bytes.push_back('\n');
        }
        spit(path, bytes);
        if (c.lockFile)
            spit(path + ".lock", std::vector<uint8_t>(c.lockFile, c.lockFile + 6));
        if (c.staging)
            spit((dir / ".chip.bin.new").string(), std::vector<uint8_t>(4096, 0x00));
        At89s51And52 chip(At89s51And52::Variant::S51);
        std::string error;
        ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;
        EXPECT_EQ(chip.lockText(), c.loaded);
        EXPECT_EQ(chip.flash()[100], 0x5A);
        ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
        EXPECT_EQ(fs::file_size(path), 4128u);
        EXPECT_EQ(entries(), std::set<std::string>{"chip.bin"});
        At89s51And52 again(At89s51And52::Variant::S51);
        ASSERT_TRUE(LoadChipFile(again, path, &error)) << error;
        EXPECT_EQ(again.lockText(), c.loaded);
    }
}

// A read-only chip file is the user's to keep: never replaced. One far
// larger than any flash (sparse here: reading 4 GB whole would ask that of
// memory) is refused unread.
TEST_F(ChipFileTest, RefusedFilesAreReportedAndLeftAsTheyWere)
{
    const struct {
        const char* error;
        fs::perms perms;
        std::uintmax_t size;
        bool loads; // reading it is harmless
    } cases[] = {
        {"is read-only", fs::perms::owner_read | fs::perms::group_read, 1, true},
        {"far more than any chip's flash", fs::perms::owner_read | fs::perms::owner_write, 4ull << 30, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        fs::remove(path);
        std::ofstream(path) << "x";
        fs::resize_file(path, c.size);
        fs::permissions(path, c.perms);
        const auto time = fs::last_write_time(path);
        At89s53 chip;
        std::string error;
        EXPECT_FALSE(CheckChipFile(path, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        error.clear();
        EXPECT_FALSE(SaveChipFile(chip, path, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_EQ(LoadChipFile(chip, path, &error), c.loads) << error;
        EXPECT_EQ(fs::file_size(path), c.size);
        EXPECT_EQ(fs::last_write_time(path), time);
        EXPECT_EQ(entries(), std::set<std::string>{"chip.bin"});
    }
}

// --- Links and what is not a regular file ---------------------------------------------

TEST_F(ChipFileTest, SymlinkIsWrittenThroughAndKept)
{
    const fs::path target = dir / "real.bin";
    fs::create_symlink("real.bin", path);
    At89s51And52 chip(At89s51And52::Variant::S51);
    std::string error;
    ASSERT_TRUE(LoadChipFile(chip, path, &error)) << error;  // a dangling link: creates its target
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(fs::file_size(target), 4096u);

    chip.flash()[7] = 0x5A;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(fs::read_symlink(path), "real.bin");
    EXPECT_EQ(slurp(target.string())[7], 0x5A);
}

enum class Node { Folder, Fifo, Device, LinkToDevice };

void PrintTo(Node n, std::ostream* os)
{
    const char* names[] = {"folder", "FIFO", "device", "link to a device"};
    *os << names[static_cast<int>(n)];
}

class ChipFileNotRegular : public ChipFileTest, public ::testing::WithParamInterface<Node> {
protected:
    // A device node of our own where we may make one, so that a broken save
    // replaces nothing that matters; without privileges /dev/null is safe,
    // since then nothing can replace it.
    std::string deviceNode()
    {
        const std::string node = (dir / "null").string();
        if (::mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
            return node;
        return ::geteuid() == 0 ? std::string() : "/dev/null";
    }
    void make()
    {
        switch (GetParam()) {
        case Node::Folder: fs::create_directory(path); return;
        case Node::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); return;
        case Node::Device:
        case Node::LinkToDevice: break;
        }
        const std::string node = deviceNode();
        if (node.empty())
            GTEST_SKIP() << "no device node we may use";
        if (GetParam() == Node::Device)
            path = node;
        else
            fs::create_symlink(node, path);
    }
    bool unchanged() const
    {
        const auto status = fs::status(path);
        switch (GetParam()) {
        case Node::Folder: return fs::is_directory(status) && fs::is_empty(path);
        case Node::Fifo: return fs::is_fifo(status);
        case Node::Device:
        case Node::LinkToDevice: return fs::is_character_file(status);
        }
        return false;
    }
};

TEST_P(ChipFileNotRegular, IsRefusedAndNeverReplaced)
{
    make();
    if (IsSkipped())
        return;
    At89s53 chip;
    chip.flash()[0] = 0x12;
    std::string error;
    EXPECT_FALSE(LoadChipFile(chip, path, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_EQ(chip.flash()[0], 0x12);
    error.clear();
    EXPECT_FALSE(SaveChipFile(chip, path, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(unchanged());
    if (GetParam() == Node::LinkToDevice) {
        EXPECT_TRUE(fs::is_symlink(path));
    }
}

INSTANTIATE_TEST_SUITE_P(Nodes, ChipFileNotRegular,
                         ::testing::Values(Node::Folder, Node::Fifo, Node::Device, Node::LinkToDevice));

// --- Failures leave the old file whole ----------------------------------------------------

TEST_F(ChipFileTest, MissingFolderIsAnError)
{
    const std::string nowhere = (dir / "no" / "chip.bin").string();
    At89s53 chip;
    chip.flash()[0] = 0x12;
    std::string error;
    EXPECT_FALSE(LoadChipFile(chip, nowhere, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_EQ(chip.flash()[0], 0x12);
    error.clear();
    EXPECT_FALSE(SaveChipFile(chip, nowhere, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "no"));
    EXPECT_FALSE(LoadChipFile(chip, "", nullptr));
}

TEST_F(ChipFileTest, UnwritableFolderIsAnError)
{
    // Root writes anywhere it has permission bits for; sysfs refuses even root.
    std::string folder = dir.string();
    if (::geteuid() == 0) {
        folder = "/sys";
        if (!fs::is_directory(folder))
            GTEST_SKIP() << "no folder that refuses root";
    } else {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string file = folder + "/vorlane-chip-" + std::to_string(::getpid()) + ".bin";
    At89s53 chip;
    chip.flash()[0] = 0x12;
    std::string error;
    EXPECT_FALSE(LoadChipFile(chip, file, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_EQ(chip.flash()[0], 0x12);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ChipFileTest, FullDiskLeavesTheOldFileWhole)
{
    At89s53 old;
    old.flash().fill(0x3C);
    std::string error;
    ASSERT_TRUE(SaveChipFile(old, path, &error)) << error;
    const auto before = slurp(path);

    At89s53 chip;
    chip.flash().fill(0x00);
    // A file size limit fails the write as a full disk would; SIGXFSZ ignored
    // turns the signal into EFBIG, and the limit binds root too.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved_ok = SaveChipFile(chip, path, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(slurp(path), before);
    EXPECT_EQ(entries(), std::set<std::string>{"chip.bin"}) << "no temporary file left";
}

TEST_F(ChipFileTest, SaveKeepsTheFilesMode)
{
    At89s53 chip;
    std::string error;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    chip.flash()[0] = 0x00;
    ASSERT_TRUE(SaveChipFile(chip, path, &error)) << error;
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
