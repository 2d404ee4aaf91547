// The real driver and instructions over the virtual cable and the chip model.
#include <IspProgrammer.h>
#include <LinkFixture.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

class SimEndToEndTest : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        sim = &useSim();
    }

    void enter()
    {
        lineDriver().EnterProgramming();
        isp.ProgrammingEnable();
    }

    void writeAndWait(uint16_t address, uint8_t value)
    {
        isp.WriteCodeByte(address, value);
        lineDriver().DelayMicroseconds(programmerSettings().writtenTimeUs);
    }

    static uint8_t pattern(int address) { return static_cast<uint8_t>(address * 7 + (address >> 8)); }

    SimBackend* sim = nullptr;
    IspProgrammer isp{lineDriver()};
};

const std::vector<uint16_t> kAddresses = {0x0000, 0x0001, 0x00FF, 0x0100, 0x1234, 0x1FFF, 0x2000, 0x2ABC, 0x2FFF};

} // namespace

TEST_F(SimEndToEndTest, WriteAPatternAndReadItBack)
{
    enter();
    for (uint16_t a : kAddresses)
        writeAndWait(a, pattern(a));
    for (uint16_t a : kAddresses)
        EXPECT_EQ(isp.ReadCodeByte(a), pattern(a)) << std::hex << a;
    lineDriver().LeaveProgramming();
    for (uint16_t a : kAddresses)
        EXPECT_EQ(sim->chip().flash()[a], pattern(a));
    EXPECT_EQ(sim->chip().flash()[0x0002], 0xFF);
    EXPECT_FALSE(sim->chip().inProgramming()) << "LeaveProgramming lets the chip run";
}

TEST_F(SimEndToEndTest, BeyondTheDeviceReadsErasedAndIgnoresWrites)
{
    enter();
    writeAndWait(0x3000, 0x12);
    EXPECT_EQ(isp.ReadCodeByte(0x3000), 0xFF);
    writeAndWait(0x4000 + 0x0123, 0x5A); // A14 does not exist: this is 0x0123
    EXPECT_EQ(isp.ReadCodeByte(0x0123), 0x5A);
    lineDriver().LeaveProgramming();
}

TEST_F(SimEndToEndTest, EraseLeavesEveryByteErased)
{
    sim->chip().flash().fill(0x00);
    isp.ChipErase();
    for (int a = 0; a < sim::At89s53::kFlashSize; ++a)
        ASSERT_EQ(sim->chip().flash()[a], 0xFF) << a;
    enter();
    EXPECT_EQ(isp.ReadCodeByte(0x1000), 0xFF);
    lineDriver().LeaveProgramming();
}

TEST_F(SimEndToEndTest, LockLevelOneRefusesFurtherWrites)
{
    enter();
    writeAndWait(0x0000, 0x11);
    isp.WriteLockBits(1);
    lineDriver().LeaveProgramming();
    EXPECT_EQ(sim->chip().lockMode(), 2);

    enter();
    writeAndWait(0x0000, 0x22);
    EXPECT_EQ(isp.ReadCodeByte(0x0000), 0x11) << "verify still works at this level";
    lineDriver().LeaveProgramming();

    isp.ChipErase();
    EXPECT_EQ(sim->chip().lockMode(), 1) << "erase clears the lock bits";
    enter();
    writeAndWait(0x0000, 0x22);
    EXPECT_EQ(isp.ReadCodeByte(0x0000), 0x22);
    lineDriver().LeaveProgramming();
}

TEST_F(SimEndToEndTest, LockLevelTwoHidesTheContent)
{
    enter();
    for (uint16_t a : kAddresses)
        writeAndWait(a, pattern(a));
    isp.WriteLockBits(2);
    lineDriver().LeaveProgramming();
    EXPECT_EQ(sim->chip().lockMode(), 3);

    enter();
    int shown = 0;
    for (uint16_t a : kAddresses)
        shown += isp.ReadCodeByte(a) == pattern(a);
    lineDriver().LeaveProgramming();
    EXPECT_LE(shown, 1) << "at most a coincidence";
}

TEST_F(SimEndToEndTest, LockLevelThreeReachesTheChip)
{
    enter();
    isp.WriteLockBits(3);
    lineDriver().LeaveProgramming();
    EXPECT_EQ(sim->chip().lockMode(), 4);
}

TEST_F(SimEndToEndTest, AbsentTargetReadsAConstant)
{
    sim->cable().setTarget(sim::Target::AbsentPulledHigh);
    enter();
    EXPECT_EQ(isp.ReadCodeByte(0x0000), 0xFF);
    EXPECT_EQ(isp.ReadCodeByte(0x1234), 0xFF);
    sim->cable().setTarget(sim::Target::AbsentPulledLow);
    EXPECT_EQ(isp.ReadCodeByte(0x0000), 0x00);
    EXPECT_EQ(isp.ReadCodeByte(0x2FFF), 0x00);
    lineDriver().LeaveProgramming();
}

TEST_F(SimEndToEndTest, TooFastClockReadsGarbage)
{
    for (uint16_t a : kAddresses)
        sim->chip().flash()[a] = pattern(a);
    // 10 ns a counter query and no wait asked: SCK phases far below the 1.7 us
    // a 12 MHz crystal needs.
    FakeCounter fast(100'000'000);
    SetCounterForTesting(&fast);
    lineDriver().RefreshTimerFrequency();
    programmerSettings().upTimeUs = 0;
    programmerSettings().downTimeUs = 0;
    enter();
    int right = 0;
    for (uint16_t a : kAddresses)
        right += isp.ReadCodeByte(a) == pattern(a);
    lineDriver().LeaveProgramming();
    EXPECT_LT(right, static_cast<int>(kAddresses.size()));
}

TEST_F(SimEndToEndTest, ShortWrittenTimeIsSeenByDataPolling)
{
    enter();
    isp.WriteCodeByte(0x0100, 0x3C);
    lineDriver().DelayMicroseconds(50); // far below the write cycle
    EXPECT_EQ(isp.ReadCodeByte(0x0100), 0x3C ^ 0x80);
    lineDriver().DelayMicroseconds(programmerSettings().writtenTimeUs);
    EXPECT_EQ(isp.ReadCodeByte(0x0100), 0x3C);
    lineDriver().LeaveProgramming();
}

TEST_F(SimEndToEndTest, ChipFileSurvivesARestart)
{
    const std::string file = std::filesystem::temp_directory_path() / ("vorlane-chip-" + std::to_string(getpid()) + ".bin");
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".lock");
    setenv("VORLANE_PORT", ("sim:" + file).c_str(), 1);
    ResetPortForTesting();
    enter();
    writeAndWait(0x0042, 0xA7);
    lineDriver().LeaveProgramming();
    ResetPortForTesting(); // the program ends

    enter(); // a new run reads the file
    EXPECT_EQ(isp.ReadCodeByte(0x0042), 0xA7);
    EXPECT_EQ(isp.ReadCodeByte(0x0043), 0xFF);
    lineDriver().LeaveProgramming();
    ResetPortForTesting();
    unsetenv("VORLANE_PORT");

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 12288u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0x42]), 0xA7);
    std::filesystem::remove(file);
    std::filesystem::remove(file + ".lock");
}

TEST_F(SimEndToEndTest, RealCounterRoundTrip)
{
    SetCounterForTesting(nullptr);
    lineDriver().RefreshTimerFrequency();
    programmerSettings().resetTimeUs = 10000; // the chip takes no enable sooner after reset
    enter();
    writeAndWait(0x0777, 0x96);
    EXPECT_EQ(isp.ReadCodeByte(0x0777), 0x96);
    lineDriver().LeaveProgramming();
}
