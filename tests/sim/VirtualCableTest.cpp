#include "BitBanger.h"

#include <At89s53.h>
#include <VirtualCable.h>

#include <gtest/gtest.h>

namespace {

using sim::At89s53;
using sim::CableWiring;
using sim::Target;
using sim::VirtualCable;

// --- Wiring -------------------------------------------------------------------

TEST(CableWiring, DefaultCableInvertsD0ToReset)
{
    At89s53 chip;
    VirtualCable cable(chip);
    cable.writeData(0x01, 0);
    EXPECT_FALSE(chip.inProgramming());
    cable.writeData(0x00, 1'000);
    EXPECT_TRUE(chip.inProgramming());
    cable.writeData(0xFE, 2'000);  // every other bit set: RST stays high
    EXPECT_TRUE(chip.inProgramming());
    cable.writeData(0xFF, 3'000);
    EXPECT_FALSE(chip.inProgramming());
}

TEST(CableWiring, ResetOnD3WithoutInverter)
{
    At89s53 chip;
    chip.flash()[0x0777] = 0x6E;
    const CableWiring wiring{.resetBit = 3, .clockBit = 1, .dataBit = 2, .resetInverted = false};
    VirtualCable cable(chip, wiring);
    cable.writeData(0x01, 0);
    EXPECT_FALSE(chip.inProgramming());
    cable.writeData(0x08, 1'000);
    EXPECT_TRUE(chip.inProgramming());

    BitBanger host(cable, wiring);
    host.resetHigh();
    host.enable();
    EXPECT_EQ(host.read(0x0777), 0x6E);
}

TEST(CableWiring, UnconnectedLinesRestLow)
{
    At89s53 chip;
    VirtualCable cable(chip, {.resetBit = 8, .clockBit = 200, .dataBit = 255, .resetInverted = true});
    for (int v = 0; v < 256; ++v) {
        cable.writeData(static_cast<uint8_t>(v), v * 10'000);
        ASSERT_FALSE(chip.inProgramming());
    }
    EXPECT_EQ(chip.stats().frames(), 0u);
}

// --- Status register and target faults ---------------------------------------

TEST(CableStatus, MisoShowsUpInvertedOnBit7)
{
    At89s53 chip;
    chip.flash()[0x0000] = 0x00;
    VirtualCable cable(chip);
    EXPECT_EQ(cable.readStatus(0), 0x7F);  // idle MISO high
    BitBanger host(cable);
    host.resetHigh();
    host.enable();
    host.shiftByte(0x01);
    host.shiftByte(0x00);
    EXPECT_EQ(cable.readStatus(host.now()), 0xFF);  // MISO low
}

TEST(CableStatus, AbsentTargetPulledHighReadsConstant)
{
    At89s53 chip;
    chip.flash()[0x0000] = 0x00;
    VirtualCable cable(chip);
    cable.setTarget(Target::AbsentPulledHigh);
    BitBanger host(cable);
    host.resetHigh();
    host.enable();
    EXPECT_EQ(host.read(0x0000), 0xFF);
    EXPECT_EQ(cable.readStatus(host.now()), 0x7F);
    EXPECT_FALSE(chip.inProgramming());
    EXPECT_EQ(chip.stats().frames(), 0u);
}

TEST(CableStatus, AbsentTargetPulledLowReadsConstant)
{
    At89s53 chip;
    VirtualCable cable(chip);
    cable.setTarget(Target::AbsentPulledLow);
    BitBanger host(cable);
    host.resetHigh();
    host.enable();
    EXPECT_EQ(host.read(0x0000), 0x00);
    EXPECT_EQ(cable.readStatus(host.now()), 0xFF);
    EXPECT_EQ(chip.stats().frames(), 0u);
}

// --- Bit errors ------------------------------------------------------------------

TEST(CableErrors, CertainErrorsFlipBothDirections)
{
    At89s53 chip;
    chip.flash()[0x0034] = 0x96;
    VirtualCable cable(chip);
    cable.setBitErrors(1.0, 1);
    EXPECT_EQ(cable.readStatus(0), 0xFF);  // idle high MISO read back low

    BitBanger host(cable);
    host.resetHigh();
    // The chip sees every MOSI level inverted, so send the complement.
    host.transfer(0x53, 0xAC, 0xFF);
    EXPECT_TRUE(chip.programmingEnabled());
    const uint8_t seen = host.transfer(static_cast<uint8_t>(~BitBanger::addressByte(0x0034, false)),
                                       static_cast<uint8_t>(~0x34), 0xFF);
    EXPECT_EQ(seen, 0x69);
    EXPECT_EQ(chip.stats().reads, 1u);
}

uint64_t frameBitsAfterNoisyEnable(double p, uint32_t seed)
{
    At89s53 chip;
    VirtualCable cable(chip);
    cable.setBitErrors(p, seed);
    BitBanger host(cable);
    host.resetHigh();
    host.enable();
    const auto& b = chip.history().at(0).bytes;
    return uint64_t{b[0]} << 16 | uint64_t{b[1]} << 8 | b[2];
}

TEST(CableErrors, SeededErrorsRepeatAndZeroRateIsClean)
{
    EXPECT_EQ(frameBitsAfterNoisyEnable(0.0, 9), 0xAC5300u);
    const uint64_t noisy = frameBitsAfterNoisyEnable(0.3, 9);
    EXPECT_NE(noisy, 0xAC5300u);
    EXPECT_EQ(frameBitsAfterNoisyEnable(0.3, 9), noisy);
}

} // namespace
