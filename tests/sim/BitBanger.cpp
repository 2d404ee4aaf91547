#include "BitBanger.h"

#include <algorithm>

BitBanger::BitBanger(sim::VirtualCable& cable, sim::CableWiring wiring)
    : cable_(cable), wiring_(wiring)
{
}

uint8_t BitBanger::encode(bool rst, bool sck, bool mosi) const
{
    uint8_t data = other_;
    auto set = [&data](uint8_t bit, bool level) {
        if (bit < 8) {
            data = static_cast<uint8_t>(data & ~(1u << bit));
            if (level)
                data = static_cast<uint8_t>(data | (1u << bit));
        }
    };
    set(wiring_.resetBit, rst != wiring_.resetInverted);
    set(wiring_.clockBit, sck);
    set(wiring_.dataBit, mosi);
    return data;
}

void BitBanger::put(bool rst, bool sck, bool mosi)
{
    rst_ = rst;
    mosi_ = mosi;
    cable_.writeData(encode(rst, sck, mosi), now_);
}

void BitBanger::resetHigh()
{
    put(false, false, false);
    now_ += lowNs_;
    put(true, false, false);
    // A clock starts with its low phase.
    now_ += std::max<int64_t>(settleNs_ - lowNs_, 0);
}

void BitBanger::resetLow()
{
    put(false, false, false);
    now_ += lowNs_;
}

bool BitBanger::readMiso()
{
    return (cable_.readStatus(now_) & sim::VirtualCable::kStatusBusyBit) == 0;
}

void BitBanger::clock(bool bit)
{
    put(rst_, false, bit);
    now_ += lowNs_;
    put(rst_, true, bit);
    now_ += highNs_;
    put(rst_, false, bit);
}

uint8_t BitBanger::shiftByte(uint8_t out)
{
    uint8_t in = 0;
    for (int i = 7; i >= 0; --i) {
        const bool bit = ((out >> i) & 1) != 0;
        put(rst_, false, bit);
        now_ += lowNs_;
        in = static_cast<uint8_t>((in << 1) | (readMiso() ? 1 : 0));
        put(rst_, true, bit);
        now_ += highNs_;
        put(rst_, false, bit);
    }
    return in;
}

uint8_t BitBanger::transfer(uint8_t b1, uint8_t b2, uint8_t b3)
{
    shiftByte(b1);
    shiftByte(b2);
    return shiftByte(b3);
}

uint8_t BitBanger::addressByte(int address, bool write)
{
    // A12..A8 in bits 7..3, A13 in bit 2; higher bits have nowhere to go.
    return static_cast<uint8_t>(((address >> 8) & 0x1F) << 3 | ((address >> 13) & 1) << 2 |
                                (write ? 0x02 : 0x01));
}

void BitBanger::enable() { transfer(0xAC, 0x53, 0x00); }

uint8_t BitBanger::read(int address)
{
    return transfer(addressByte(address, false), static_cast<uint8_t>(address), 0x00);
}

void BitBanger::write(int address, uint8_t value)
{
    transfer(addressByte(address, true), static_cast<uint8_t>(address), value);
}

void BitBanger::erase() { transfer(0xAC, 0x04, 0x00); }

void BitBanger::writeLock(uint8_t byte2) { transfer(0xAC, byte2, 0x00); }
