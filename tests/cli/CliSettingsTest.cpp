// The settings of one run: the window's store, the --set overrides, and the
// read-back that the terminal tool never lets go of.
#include <CliSettings.h>

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class CliSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        file = dir.path().toStdString() + "/Castavel/Vorlane/Vorlane.conf";
    }
    void store(const std::string& lines)
    {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file) << "[Settings]\n" << lines;
    }
    bool load(const std::vector<std::pair<std::string, std::string>>& overrides)
    {
        error.clear();
        return LoadCliSettings(settings, overrides, &error);
    }

    QTemporaryDir dir;
    std::string file;
    ProgrammerSettings settings;
    std::string error;
};

} // namespace

TEST_F(CliSettingsTest, TheStoreThenTheOverridesThenReadBack)
{
    store("LPT=760\nReadAfterWrite=0\nReadBeforeWrite=0\nClock%20Pin=3\nResetActive=1\nUp%20Time=9\n"
          "Crystal=11059200\n");
    ASSERT_TRUE(load({{"Data Pin", "0x6"}, {"Written Time", "3000"}, {"Up Time", "4294967295"}, {"LPT", "632"}}))
        << error;
    ProgrammerSettings expected = DefaultProgrammerSettings();
    expected.lptBase = 0x278;
    expected.clockPin = 3;
    expected.dataPin = 6;
    expected.idleByte = 1;
    expected.upTimeUs = 4294967295u;
    expected.writtenTimeUs = 3000;
    expected.crystalHz = 11'059'200;
    EXPECT_EQ(settings, expected);

    ASSERT_TRUE(load({})) << error;
    EXPECT_EQ(settings.lptBase, 0x378) << "an unknown stored base is the default, as in the window";
    EXPECT_EQ(settings.readAfterWrite, 1);
    EXPECT_EQ(settings.readBeforeWrite, 1);

    store("Crystal=40000000\n");
    ASSERT_TRUE(load({})) << error;
    EXPECT_EQ(settings.crystalHz, 3'000'000u) << "a crystal beyond the datasheets' is the slowest";
}

TEST_F(CliSettingsTest, OverridesOutOfRangeAreRefused)
{
    const struct {
        const char* name;
        const char* value;
    } refused[] = {
        {"Up Time", "4294967296"}, {"Up Time", "-1"},  {"Up Time", " 3"},    {"Up Time", ""},
        {"ResetActive", "256"},    {"Reset Pin", "8"}, {"LPT", "0"},         {"ReadBeforeWrite", "1"},
        {"clock pin", "1"},        {"Up Time", "3x"},  {"Down Time", "0x"},
        {"Crystal", "2999999"},    {"Crystal", "33000001"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(std::string(r.name) + "=" + r.value);
        EXPECT_FALSE(load({{r.name, r.value}}));
        EXPECT_TRUE(error.starts_with(std::string("--set ") + r.name + "=" + r.value + ": ")) << error;
    }
    EXPECT_TRUE(load({{"ResetActive", "255"}, {"Reset Pin", "7"}, {"Down Time", "0"}, {"Crystal", "33000000"}})) << error;
    EXPECT_TRUE(load({{"Clock Pin", "2"}, {"Data Pin", "1"}})) << "two pins may swap lines: " << error;
    EXPECT_FALSE(std::filesystem::exists(file)) << "loading wrote the store";
}
