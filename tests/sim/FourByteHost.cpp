#include "FourByteHost.h"

uint8_t FourByteHost::transfer(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4)
{
    wire_.shiftByte(b1);
    wire_.shiftByte(b2);
    wire_.shiftByte(b3);
    return wire_.shiftByte(b4);
}

uint8_t FourByteHost::read(int address)
{
    return transfer(0x20, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), 0x00);
}

void FourByteHost::write(int address, uint8_t value)
{
    transfer(0x40, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), value);
}

void FourByteHost::writeLock(int mode)
{
    transfer(0xAC, static_cast<uint8_t>(0xE0 | ((mode - 1) & 0x03)), 0x00, 0x00);
}

uint8_t FourByteHost::signature(int address)
{
    return transfer(0x28, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0x80), 0x00);
}

std::vector<uint8_t> FourByteHost::readPage(int page)
{
    wire_.shiftByte(0x30);
    wire_.shiftByte(static_cast<uint8_t>(page));
    std::vector<uint8_t> data(256);
    for (uint8_t& b : data)
        b = wire_.shiftByte(0x00);
    return data;
}

void FourByteHost::writePage(int page, const std::vector<uint8_t>& data)
{
    wire_.shiftByte(0x50);
    wire_.shiftByte(static_cast<uint8_t>(page));
    for (int i = 0; i < 256; ++i)
        wire_.shiftByte(i < static_cast<int>(data.size()) ? data[static_cast<std::size_t>(i)] : 0xFF);
}
