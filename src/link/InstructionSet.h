#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The serial programming instructions of one chip family, as the jobs use
// them. Callers bracket everything but ChipErase with Enter/LeaveProgramming
// and send ProgrammingEnable first.
class InstructionSet {
public:
    virtual ~InstructionSet() = default;

    // False when the chip should have answered and did not, or when a chip
    // of another family answered in its place.
    virtual bool ProgrammingEnable() = 0;
    // Whether ProgrammingEnable's true means a chip answered.
    virtual bool EnableAnswers() const { return false; }
    // After a ProgrammingEnable that gave false: the signature of the chip of
    // another family that answered it (an AT89S51/52 in a socket selected for
    // the AT89S53); nothing when no chip did.
    virtual std::optional<std::array<uint8_t, 3>> OtherFamilyAnswered() const { return std::nullopt; }
    // A whole erase cycle with its own bracket and wait; false when the chip
    // did not answer its enable.
    virtual bool ChipErase() = 0;
    virtual uint8_t ReadCodeByte(uint16_t address) = 0;
    virtual void WriteCodeByte(uint16_t address, uint8_t value) = 0;
    // lockLevel 1..3 as the write window's list (0 sends nothing).
    virtual void WriteLockBits(uint8_t lockLevel) = 0;

    // Bytes of a page for the page instructions; 0 when the family has none,
    // and then nobody asks for a page.
    virtual int PageSize() const { return 0; }
    // Whether WriteCodePage may be used; reading a page always may.
    virtual bool WritesPages() const { return PageSize() > 0; }
    // The page holding `address`, read or written whole.
    virtual void ReadCodePage(uint16_t /*address*/, std::span<uint8_t> /*page*/) {}
    virtual void WriteCodePage(uint16_t /*address*/, std::span<const uint8_t> /*page*/) {}

    // The three signature bytes, when the family can read them.
    virtual std::optional<std::array<uint8_t, 3>> ReadSignature() { return std::nullopt; }
    // The lock level as the write window numbers it (0 none .. 3), when the
    // family can read it back.
    virtual std::optional<int> ReadLockLevel() { return std::nullopt; }

    // True when a byte write erases the byte first; false when programming
    // can only clear bits and a chip erase must come before new data.
    virtual bool WriteErasesFirst() const { return true; }
    // The longest a byte write and a page write may take by the datasheet, in
    // microseconds; 0 when the "Written Time" setting stands for it.
    virtual uint32_t ByteWriteUs() const { return 0; }
    virtual uint32_t PageWriteUs() const { return 0; }
};
