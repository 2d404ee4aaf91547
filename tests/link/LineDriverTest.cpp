#include <LinkFixture.h>

#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

class LineDriverTest : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        rec = &useRecorder();
    }
    RecordingBackend* rec = nullptr;
};

// idleByte 0 is the default cable ("-RST Inverted" checked), 1 a direct RST wire.
class LineDriverIdleTest : public LineDriverTest, public ::testing::WithParamInterface<uint8_t> {};

} // namespace

TEST_P(LineDriverIdleTest, ByteTableOfEnterShiftAndLeave)
{
    const uint8_t idle = GetParam();
    programmerSettings().idleByte = idle;
    LineDriver& d = lineDriver();

    d.EnterProgramming();
    EXPECT_EQ(rec->writes, (Bytes{uint8_t(idle ^ 0), uint8_t(idle ^ 1), uint8_t(idle ^ 0)}));

    rec->writes.clear();
    d.ShiftOut(0x80); // one 1 bit then seven 0 bits
    Bytes expected{uint8_t(0x04 | idle), uint8_t(0x06 | idle)};
    for (int i = 0; i < 7; ++i) {
        expected.push_back(uint8_t(0x00 | idle));
        expected.push_back(uint8_t(0x02 | idle));
    }
    expected.push_back(idle);
    EXPECT_EQ(rec->writes, expected);

    rec->writes.clear();
    d.ShiftIn();
    expected.clear();
    for (int i = 0; i < 8; ++i) {
        expected.push_back(uint8_t(0x02 | idle));
        expected.push_back(idle);
    }
    EXPECT_EQ(rec->writes, expected);
    EXPECT_EQ(rec->reads, 8);

    rec->writes.clear();
    d.LeaveProgramming();
    const uint8_t leave3 = idle == 0 ? 0x07 : 0x06;
    EXPECT_EQ(rec->writes, (Bytes{idle, uint8_t(0x04 | idle), leave3, 0xFF}));
}

TEST_P(LineDriverIdleTest, LeaveWithStateOptionsCleared)
{
    const uint8_t idle = GetParam();
    programmerSettings().idleByte = idle;
    programmerSettings().sckState = 0;
    programmerSettings().dinState = 0;
    lineDriver().LeaveProgramming();
    const uint8_t leave3 = idle == 0 ? 0x01 : 0x00;
    EXPECT_EQ(rec->writes, (Bytes{idle, uint8_t(0x04 | idle), leave3, 0xFF}));
}

INSTANTIATE_TEST_SUITE_P(IdleBytes, LineDriverIdleTest, ::testing::Values(uint8_t{0x00}, uint8_t{0x01}));

TEST_F(LineDriverTest, ShiftOutA5WithDefaults)
{
    lineDriver().EnterProgramming();
    rec->writes.clear();
    lineDriver().ShiftOut(0xA5);
    EXPECT_EQ(rec->writes, (Bytes{0x04, 0x06, 0x00, 0x02, 0x04, 0x06, 0x00, 0x02, 0x00, 0x02, 0x04,
                                  0x06, 0x00, 0x02, 0x04, 0x06, 0x00}));
}

TEST_F(LineDriverTest, ShiftInInvertsBusy)
{
    lineDriver().EnterProgramming();
    rec->idleStatus = 0x80;
    EXPECT_EQ(lineDriver().ShiftIn(), 0x00);
    rec->idleStatus = 0x7F; // only bit 7 counts
    EXPECT_EQ(lineDriver().ShiftIn(), 0xFF);
    rec->idleStatus = 0x80;
    rec->script = {0x00};
    EXPECT_EQ(lineDriver().ShiftIn(), 0x80);
    rec->script = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00};
    EXPECT_EQ(lineDriver().ShiftIn(), 0x01);
}

TEST_F(LineDriverTest, MasksFollowPinChangesAtNextEnter)
{
    LineDriver& d = lineDriver();
    EXPECT_EQ(d.clockMask(), 0);
    EXPECT_EQ(d.dataMask(), 0);
    d.EnterProgramming();
    EXPECT_EQ(d.clockMask(), 0x02);
    EXPECT_EQ(d.dataMask(), 0x04);

    programmerSettings().clockPin = 3;
    EXPECT_EQ(d.clockMask(), 0x02) << "masks change only with the next EnterProgramming";
    d.EnterProgramming();
    EXPECT_EQ(d.clockMask(), 0x08);

    rec->writes.clear();
    d.ShiftOut(0x00);
    EXPECT_EQ(rec->writes[1], 0x08);
}

TEST_F(LineDriverTest, PinAboveSevenDrivesNoLine)
{
    programmerSettings().clockPin = 8;
    programmerSettings().dataPin = 200;
    programmerSettings().resetPin = 9;
    lineDriver().EnterProgramming();
    EXPECT_EQ(lineDriver().clockMask(), 0);
    EXPECT_EQ(lineDriver().dataMask(), 0);
    EXPECT_EQ(rec->writes, (Bytes{0x00, 0x00, 0x00}));
    rec->writes.clear();
    lineDriver().LeaveProgramming();
    EXPECT_EQ(rec->writes, (Bytes{0x00, 0x00, 0x00, 0xFF}));
}

TEST_F(LineDriverTest, ResetPinOnD3)
{
    programmerSettings().idleByte = 0x01;
    programmerSettings().resetPin = 3;
    lineDriver().EnterProgramming();
    EXPECT_EQ(rec->writes, (Bytes{0x01, 0x09, 0x01}));
    rec->writes.clear();
    lineDriver().LeaveProgramming();
    EXPECT_EQ(rec->writes, (Bytes{0x01, 0x05, 0x0F, 0xFF}));
}

TEST_F(LineDriverTest, NothingReachesThePortBeforeSettingsAreLoaded)
{
    ResetProgrammerSettings();
    lineDriver().LeaveProgramming();
    lineDriver().EnterProgramming();
    lineDriver().ShiftOut(0x55);
    EXPECT_EQ(lineDriver().ShiftIn(), 0x00) << "an unloaded port reads as absent";
    EXPECT_TRUE(rec->writes.empty());
    EXPECT_TRUE(rec->opens.empty());
}
