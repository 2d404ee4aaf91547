#pragma once

#include "CrystalTiming.h"
#include "Device.h"
#include "InstructionSet.h"
#include "IspLink.h"

// The AT89S51/52 four-byte serial instructions (Atmel AT89S51 datasheet
// 2487D and AT89S52 datasheet 1919D, "Serial Programming Instruction Set"):
//
//   Programming Enable   AC 53 xx xx   the chip answers 69 on byte 4
//   Chip Erase           AC 80 xx xx   then tERASE
//   Read byte            20 aH aL dd   data out on byte 4
//   Write byte           40 aH aL dd   then tSWC
//   Write Lock Bits      AC E0|B1B2 xx xx   modes 2..4 in turn
//   Read Lock Bits       24 xx xx LB   LB3..LB1 in bits 4..2, programmed = 1
//   Read Signature       28 aH aL xx   signature out on byte 4 (000, 100, 200H)
//   Read page            30 aH + 256 data bytes out
//   Write page           50 aH + 256 data bytes in
//
// aH is xxx A12..A8 on the AT89S52 and xxxx A11..A8 on the AT89S51; the
// don't-care bits go out as 0. There is no auto-erase: programming only
// clears bits, so new data need a chip erase first.
class FourByteInstructions : public InstructionSet {
public:
    static constexpr uint8_t kEnableAnswer = 0x69;
    static constexpr int kPageSize = 256;
    // Serial Programming Characteristics: tERASE = 500 ms, whatever the crystal.
    static constexpr uint32_t kEraseUs = 500'000;

    // The write cycle follows the board's crystal (CrystalTiming.h): at the
    // 3 MHz default, 421.3 us a byte.
    FourByteInstructions(const Device& device, IspLink& link, uint32_t crystalHz = CrystalTiming::kSlowestHz);

    bool ProgrammingEnable() override;
    bool EnableAnswers() const override { return true; }
    bool ChipErase() override;
    uint8_t ReadCodeByte(uint16_t address) override;
    void WriteCodeByte(uint16_t address, uint8_t value) override;
    void WriteLockBits(uint8_t lockLevel) override;

    // Pages go whole over a link that carries them (one that clocks bits, or
    // a programmer whose firmware has page functions). Another reads a page
    // as its bytes' reads sent ahead, and writes one as its bytes' writes,
    // each followed by its own write cycle, so that the page is read back in
    // one go; its page wait is then already waited.
    int PageSize() const override { return kPageSize; }
    void ReadCodePage(uint16_t address, std::span<uint8_t> page) override;
    void WriteCodePage(uint16_t address, std::span<const uint8_t> page) override;

    std::optional<std::array<uint8_t, 3>> ReadSignature() override;
    std::optional<int> ReadLockLevel() override;

    bool WriteErasesFirst() const override { return false; }
    // tSWC; a page is programmed "one byte at a time", so 256 of them.
    uint32_t ByteWriteUs() const override { return byteWriteUs_; }
    uint32_t PageWriteUs() const override { return link_.CarriesPages() ? kPageSize * byteWriteUs_ : 0; }

    // Byte 2 of the read and write instructions.
    uint8_t HighAddress(uint16_t address) const;

private:
    IspLink& link_;
    uint8_t highMask_;
    uint32_t byteWriteUs_;
};
