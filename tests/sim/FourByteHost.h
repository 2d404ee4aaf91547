#pragma once

#include "BitBanger.h"

#include <cstdint>
#include <vector>

// The AT89S51/52 instruction set spoken through a BitBanger: four-byte
// frames, and the page frames of a command, a high address and 256 bytes.
class FourByteHost {
public:
    explicit FourByteHost(BitBanger& wire) : wire_(wire) {}

    // Byte 4 as it came back.
    uint8_t transfer(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4);
    uint8_t enable() { return transfer(0xAC, 0x53, 0x00, 0x00); }
    void erase() { transfer(0xAC, 0x80, 0x00, 0x00); }
    uint8_t read(int address);
    void write(int address, uint8_t value);
    // Lock bit protection mode 1..4 as B1 B2 in byte 2.
    void writeLock(int mode);
    uint8_t readLock() { return transfer(0x24, 0x00, 0x00, 0x00); }
    uint8_t signature(int address);
    std::vector<uint8_t> readPage(int page);
    void writePage(int page, const std::vector<uint8_t>& data);

private:
    BitBanger& wire_;
};
