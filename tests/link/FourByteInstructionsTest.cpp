// The AT89S51/52 instructions through the real line driver over the
// simulated chips, in virtual time: what reaches the chip, and what it does.
#include <LinkFixture.h>

#include <At89s51And52.h>
#include <FourByteInstructions.h>

#include <array>
#include <vector>

using sim::InstructionKind;

namespace {

class FourByteInstructionsTest : public LinkFixture {
protected:
    void use(DeviceId id)
    {
        programmerSettings().device = static_cast<uint32_t>(id);
        sim_ = &useSim({}, id);
        isp_ = std::make_unique<FourByteInstructions>(DeviceById(id), lineDriver());
    }
    sim::At89s51And52& chip() { return sim_->modelAs<sim::At89s51And52>(); }
    void enter()
    {
        lineDriver().EnterProgramming();
        ASSERT_TRUE(isp_->ProgrammingEnable());
    }
    // The last instruction the chip decoded, as its kind and first bytes.
    std::pair<InstructionKind, std::vector<int>> last(int bytes)
    {
        const sim::ChipInstruction& i = chip().history().back();
        return {i.kind, std::vector<int>(i.bytes.begin(), i.bytes.begin() + bytes)};
    }
    void waitUs(uint32_t us) { lineDriver().DelayMicroseconds(us); }

    SimBackend* sim_ = nullptr;
    std::unique_ptr<FourByteInstructions> isp_;
};

std::vector<uint8_t> Pattern(size_t n, int seed)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + seed + (i >> 8));
    return bytes;
}

} // namespace

TEST_F(FourByteInstructionsTest, EachInstructionReachesTheChipAsTheDatasheetWritesIt)
{
    use(DeviceId::AT89S52);
    enter();
    EXPECT_EQ(last(3), (std::pair{InstructionKind::Enable, std::vector<int>{0xAC, 0x53, 0x00}}));

    isp_->WriteCodeByte(0x1ABC, 0x5A);
    EXPECT_EQ(last(4), (std::pair{InstructionKind::WriteCode, std::vector<int>{0x40, 0x1A, 0xBC, 0x5A}}));
    waitUs(isp_->ByteWriteUs());
    EXPECT_EQ(isp_->ReadCodeByte(0x1ABC), 0x5A);
    EXPECT_EQ(last(3), (std::pair{InstructionKind::ReadCode, std::vector<int>{0x20, 0x1A, 0xBC}}));
    EXPECT_EQ(chip().flash()[0x1ABC], 0x5A);

    EXPECT_EQ(isp_->ReadSignature(), (std::array<uint8_t, 3>{0x1E, 0x52, 0x06}));
    EXPECT_EQ(last(3), (std::pair{InstructionKind::ReadSignature, std::vector<int>{0x28, 0x02, 0x00}}));

    EXPECT_EQ(isp_->ReadLockLevel(), 0);
    EXPECT_EQ(last(1), (std::pair{InstructionKind::ReadLockBits, std::vector<int>{0x24}}));
    // Level 2 is protection mode 3, reached through mode 2.
    isp_->WriteLockBits(2);
    EXPECT_EQ(chip().lockMode(), 3);
    EXPECT_EQ(isp_->ReadLockLevel(), 2);
    lineDriver().LeaveProgramming();

    EXPECT_TRUE(isp_->ChipErase());
    EXPECT_EQ(chip().lockMode(), 1);
    EXPECT_EQ(chip().flash()[0x1ABC], 0xFF);
    EXPECT_EQ(chip().stats().erases, 1u);
}

TEST_F(FourByteInstructionsTest, TheAt89s51TakesTwelveAddressBitsAndItsOwnSignature)
{
    use(DeviceId::AT89S51);
    enter();
    isp_->WriteCodeByte(0x0FFF, 0x12);
    EXPECT_EQ(last(4), (std::pair{InstructionKind::WriteCode, std::vector<int>{0x40, 0x0F, 0xFF, 0x12}}));
    EXPECT_EQ(isp_->HighAddress(0x1234), 0x02);
    EXPECT_EQ(isp_->ReadSignature(), (std::array<uint8_t, 3>{0x1E, 0x51, 0x06}));
}

TEST_F(FourByteInstructionsTest, NoChipInProgrammingModeGivesNoEnableAnswerAndNoErase)
{
    const struct {
        const char* what;
        sim::Target target;
        uint8_t idleByte;
    } cases[] = {
        {"MISO pulled high", sim::Target::AbsentPulledHigh, 0x00},
        {"MISO pulled low", sim::Target::AbsentPulledLow, 0x00},
        {"the reset line of the wrong polarity", sim::Target::Present, 0x01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        use(DeviceId::AT89S52);
        chip().flash()[0] = 0x00;
        sim_->cable().setTarget(c.target);
        programmerSettings().idleByte = c.idleByte;
        lineDriver().EnterProgramming();
        EXPECT_FALSE(isp_->ProgrammingEnable());
        lineDriver().LeaveProgramming();
        EXPECT_FALSE(isp_->ChipErase());
        EXPECT_EQ(chip().stats().erases, 0u);
        EXPECT_EQ(chip().flash()[0], 0x00);
    }
}

TEST_F(FourByteInstructionsTest, PageModeAndByteModeGiveTheSameChip)
{
    const std::vector<uint8_t> image = Pattern(0x2000, 7);
    std::array<std::vector<uint8_t>, 2> chips;
    for (const bool pages : {true, false}) {
        use(DeviceId::AT89S52);
        enter();
        for (int base = 0; base < 0x2000; base += 256) {
            if (pages) {
                isp_->WriteCodePage(static_cast<uint16_t>(base), std::span(image).subspan(base, 256));
                EXPECT_EQ(last(2), (std::pair{InstructionKind::WritePage, std::vector<int>{0x50, base >> 8}}));
                waitUs(isp_->PageWriteUs());
            } else {
                for (int a = base; a < base + 256; ++a) {
                    isp_->WriteCodeByte(static_cast<uint16_t>(a), image[a]);
                    waitUs(isp_->ByteWriteUs());
                }
            }
        }
        chips[pages] = chip().flash();
        // Read back both ways.
        std::vector<uint8_t> page(256);
        for (int base = 0; base < 0x2000; base += 256) {
            isp_->ReadCodePage(static_cast<uint16_t>(base), page);
            ASSERT_TRUE(std::equal(page.begin(), page.end(), image.begin() + base)) << base;
        }
        EXPECT_EQ(isp_->ReadCodeByte(0x1FFF), image[0x1FFF]);
        lineDriver().LeaveProgramming();
    }
    EXPECT_EQ(chips[0], image);
    EXPECT_EQ(chips[1], image);
}
