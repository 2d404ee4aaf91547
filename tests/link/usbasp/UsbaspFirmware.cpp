#include "UsbaspFirmware.h"

#include <algorithm>

namespace usbmodel {

namespace {

// usbasp.h's request numbers and flags.
constexpr uint8_t kConnect = 1;
constexpr uint8_t kDisconnect = 2;
constexpr uint8_t kTransmit = 3;
constexpr uint8_t kReadFlash = 4;
constexpr uint8_t kEnableProg = 5;
constexpr uint8_t kWriteFlash = 6;
constexpr uint8_t kSetIspSck = 10;
constexpr uint8_t kGetCapabilities = 127;
constexpr uint8_t kBlockFlagFirst = 1;
constexpr uint8_t kBlockFlagLast = 2;
constexpr uint8_t kSckAuto = 0;
constexpr uint8_t kSck2kHz = 3;
constexpr uint8_t kSck93kHz = 8;
constexpr uint8_t kSck187kHz = 9;
constexpr uint8_t kSck375kHz = 10;

// The ATmega8's 12 MHz; Timer0 runs at a 64th of it, 5.33 us a tick, which
// ispDelay and clockWait count in. Edges fall on whole nanoseconds, each
// span rounded up.
constexpr int64_t kCpuHz = 12'000'000;
int64_t CpuCyclesNs(int64_t cycles)
{
    return (cycles * 1'000'000'000 + kCpuHz - 1) / kCpuHz;
}

// The SETUP packet as usbFunctionSetup gets it.
std::array<uint8_t, 8> SetupPacket(uint8_t type, uint8_t request, uint16_t value, uint16_t index, uint16_t length)
{
    return {type,
            request,
            static_cast<uint8_t>(value),
            static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(index),
            static_cast<uint8_t>(index >> 8),
            static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}

} // namespace

int UsbaspFirmware::controlIn(uint8_t request, uint16_t value, uint16_t index, std::span<uint8_t> data,
                              int64_t& nowNs)
{
    now_ = std::max(now_, nowNs);
    const auto length = static_cast<uint16_t>(data.size());
    const int len = setup(SetupPacket(0xC0, request, value, index, length));
    int moved = 0;
    if (len == kNoMessage) {
        // V-USB built with one-byte lengths takes wLength's low byte, then
        // fills 8-byte packets until one comes back short.
        const int wanted = length & 0xFF;
        while (moved < wanted) {
            const int chunk = std::min(8, wanted - moved);
            const int got = functionRead(data.subspan(static_cast<size_t>(moved), static_cast<size_t>(chunk)));
            if (got < 0) {
                nowNs = now_;
                return -1;
            }
            moved += got;
            if (got < chunk)
                break;
        }
    } else {
        moved = (length >> 8) == 0 ? std::min<int>(len, length) : len;
        moved = std::min<int>(moved, static_cast<int>(data.size()));
        std::copy_n(replyBuffer_.begin(), moved, data.begin());
    }
    nowNs = now_;
    return moved;
}

int UsbaspFirmware::controlOut(uint8_t request, uint16_t value, uint16_t index, std::span<const uint8_t> data,
                               int64_t& nowNs)
{
    now_ = std::max(now_, nowNs);
    const int len = setup(SetupPacket(0x40, request, value, index, static_cast<uint16_t>(data.size())));
    if (len == kNoMessage) {
        // Each data packet goes to usbFunctionWrite; 0xFF stalls the transfer.
        for (size_t at = 0; at < data.size(); at += 8) {
            if (functionWrite(data.subspan(at, std::min<size_t>(8, data.size() - at))) == 0xFF) {
                nowNs = now_;
                return -1;
            }
        }
    }
    nowNs = now_;
    return static_cast<int>(data.size());
}

void UsbaspFirmware::powerOff(int64_t nowNs)
{
    now_ = std::max(now_, nowNs);
    driven_ = false;
    pins();
}

int UsbaspFirmware::setup(const std::array<uint8_t, 8>& data)
{
    const bool fork = kind_ == Kind::S5x;
    int len = 0;
    switch (data[1]) {
    case kConnect:
        // The slow-SCK jumper on PC2 is open.
        setSck(progSck_);
        connect();
        break;
    case kDisconnect:
        disconnect();
        break;
    case kTransmit:
        if (fork && mode_ == Mode::S5x && data[2] == 0x24) {
            // Read Lock Bits answered in the AVR's form.
            for (int i = 0; i < 3; ++i)
                replyBuffer_[i] = transmit(data[2 + i]);
            switch (transmit(data[5]) & 0x1C) {
            case 0x00: replyBuffer_[3] = 0xE0; break;
            case 0x04: replyBuffer_[3] = 0xE5; break;
            case 0x0C: replyBuffer_[3] = 0xEE; break;
            case 0x1C: replyBuffer_[3] = 0xFF; break;
            default: break;
            }
        } else if (fork && mode_ == Mode::S5x && data[2] == 0x30) {
            // The AVR's Read Signature sent as the 8051's.
            replyBuffer_[0] = transmit(0x28);
            for (int i = 1; i < 4; ++i)
                replyBuffer_[i] = transmit(data[2 + i]);
        } else {
            for (int i = 0; i < 4; ++i)
                replyBuffer_[i] = transmit(data[2 + i]);
        }
        len = 4;
        break;
    case kReadFlash:
        progAddress_ = static_cast<uint32_t>(data[3] << 8 | data[2]);
        progNbytes_ = static_cast<uint32_t>(data[7] << 8 | data[6]);
        if (fork && mode_ == Mode::S5x && progPagecounter_ == 255) {
            transmit(0x30);
            transmit(static_cast<uint8_t>((progAddress_ >> 8) & 0x1F));
        }
        state_ = State::ReadFlash;
        len = kNoMessage;
        break;
    case kEnableProg: {
        replyBuffer_[0] = enterProgrammingMode();
        len = 1;
        if (!fork)
            break;
        // The fork tries slower clocks when the target did not answer.
        int i = 0;
        if (replyBuffer_[0] != 0) {
            const int speed = progSck_ == kSckAuto ? kSck187kHz : progSck_ - 1;
            for (i = speed; i >= kSck2kHz; --i) {
                setSck(static_cast<uint8_t>(i));
                replyBuffer_[0] = enterProgrammingMode();
                if (replyBuffer_[0] == 0) {
                    setSck(static_cast<uint8_t>(i - 1));
                    break;
                }
            }
        }
        if (mode_ == Mode::S5x)
            progPagecounter_ = 255;
        if (data[2] == 1) {
            replyBuffer_[1] = static_cast<uint8_t>(i != 0 ? i : progSck_);
            len = 2;
        }
        break;
    }
    case kWriteFlash:
        progAddress_ = static_cast<uint32_t>(data[3] << 8 | data[2]);
        if (mode_ == Mode::Avr) {
            progPagesize_ = data[4] + ((data[5] & 0xF0u) << 4);
            progBlockflags_ = data[5] & 0x0F;
            if (progBlockflags_ & kBlockFlagFirst)
                progPagecounter_ = static_cast<uint8_t>(progPagesize_);
        } else if (progPagecounter_ == 255) {
            transmit(0x50);
            transmit(static_cast<uint8_t>((progAddress_ >> 8) & 0x1F));
        }
        progNbytes_ = static_cast<uint32_t>(data[7] << 8 | data[6]);
        state_ = State::WriteFlash;
        len = kNoMessage;
        break;
    case kSetIspSck:
        progSck_ = data[2];
        replyBuffer_[0] = 0;
        len = 1;
        break;
    case kGetCapabilities:
        // TPI; the fork adds S5x (byte 2) and its SPI memories (byte 3).
        replyBuffer_[0] = 0x01;
        replyBuffer_[1] = 0;
        replyBuffer_[2] = fork ? 0x01 : 0;
        replyBuffer_[3] = fork ? 0x01 : 0;
        len = 4;
        break;
    default:
        break;
    }
    return len;
}

int UsbaspFirmware::functionRead(std::span<uint8_t> data)
{
    if (state_ != State::ReadFlash)
        return -1;
    for (uint8_t& b : data) {
        if (mode_ == Mode::Avr) {
            b = avrReadFlash(progAddress_);
        } else {
            b = transmit(0);
            progPagecounter_ = progPagecounter_ == 0 ? 255 : static_cast<uint8_t>(progPagecounter_ - 1);
        }
        ++progAddress_;
    }
    if (data.size() < 8)
        state_ = State::Idle;
    return static_cast<int>(data.size());
}

int UsbaspFirmware::functionWrite(std::span<const uint8_t> data)
{
    if (state_ != State::WriteFlash)
        return 0xFF;
    int result = 0;
    for (const uint8_t b : data) {
        if (mode_ == Mode::Avr) {
            if (progPagesize_ == 0) {
                avrWriteFlash(progAddress_, b, true);
            } else {
                avrWriteFlash(progAddress_, b, false);
                if (--progPagecounter_ == 0) {
                    avrFlushPage(progAddress_, b);
                    progPagecounter_ = static_cast<uint8_t>(progPagesize_);
                }
            }
        } else {
            transmit(b);
            if (progPagecounter_ == 0) {
                progPagecounter_ = 255;
                clockWait(5);
            } else {
                --progPagecounter_;
            }
        }
        if (--progNbytes_ == 0) {
            state_ = State::Idle;
            if ((progBlockflags_ & kBlockFlagLast) && progPagecounter_ != progPagesize_)
                avrFlushPage(progAddress_, b);
            result = 1;
        }
        ++progAddress_;
    }
    return result;
}

void UsbaspFirmware::setSck(uint8_t option)
{
    if (option == kSckAuto)
        option = kSck375kHz;
    if (option >= kSck93kHz) {
        // Hardware SPI at the CPU clock divided; ispDelay waits one tick.
        hardwareSpi_ = true;
        delayNs_ = CpuCyclesNs(64);
        int64_t divider = 32;
        switch (option) {
        case 14: divider = kind_ == Kind::S5x ? 2 : 32; break;
        case 13: divider = kind_ == Kind::S5x ? 4 : 32; break;
        case 12: divider = 8; break;
        case 11: divider = 16; break;
        case kSck187kHz: divider = 64; break;
        case kSck93kHz: divider = 128; break;
        default: break;
        }
        halfNs_ = CpuCyclesNs(divider / 2);
        return;
    }
    // Software SPI: each SCK phase is an ispDelay of this many ticks.
    static constexpr int64_t kTicks[] = {0, 192, 96, 48, 24, 12, 6, 3};
    hardwareSpi_ = false;
    delayNs_ = CpuCyclesNs(64 * kTicks[option]);
    halfNs_ = delayNs_;
}

void UsbaspFirmware::connect()
{
    driven_ = true;
    if (mode_ == Mode::Avr) {
        // A positive reset pulse, RST left low: the AVR's programming state.
        rst_ = false;
        sck_ = false;
        pins();
        pulseRst();
    } else {
        // The fork's AT89S5x mode: RST high, then a wait.
        rst_ = true;
        sck_ = false;
        pins();
        for (int i = 0; i < 4; ++i)
            ispDelay();
    }
}

void UsbaspFirmware::pulseRst()
{
    ispDelay();
    rst_ = true;
    pins();
    ispDelay();
    rst_ = false;
    pins();
}

void UsbaspFirmware::disconnect()
{
    driven_ = false;
    rst_ = false;
    sck_ = false;
    mosi_ = false;
    pins();
}

uint8_t UsbaspFirmware::transmit(uint8_t out)
{
    uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        mosi_ = ((out >> bit) & 1) != 0;
        pins();
        if (hardwareSpi_)
            now_ += halfNs_; // SPI mode 0: the first edge half a period in
        in = static_cast<uint8_t>(in << 1 | (miso() ? 1 : 0));
        sck_ = true;
        pins();
        now_ += halfNs_;
        sck_ = false;
        pins();
        if (!hardwareSpi_)
            now_ += halfNs_;
    }
    return in;
}

uint8_t UsbaspFirmware::enterProgrammingMode()
{
    const bool fork = kind_ == Kind::S5x;
    if (fork) {
        mode_ = Mode::Avr;
        connect();
    }
    for (int count = 0; count < 32; ++count) {
        transmit(0xAC);
        transmit(0x53);
        const uint8_t check = transmit(0);
        transmit(0);
        if (check == 0x53)
            return 0;
        pulseRst();
        ispDelay();
    }
    if (!fork)
        return 1;
    mode_ = Mode::S5x;
    connect();
    for (int count = 0; count < 16; ++count) {
        transmit(0xAC);
        transmit(0x53);
        transmit(0);
        if (transmit(0) == 0x69)
            return 0;
        sck_ = true;
        pins();
        ispDelay();
        sck_ = false;
        pins();
        ispDelay();
    }
    return 1;
}

uint8_t UsbaspFirmware::avrReadFlash(uint32_t address)
{
    // Word addresses, the odd byte by its own opcode; no extended address
    // below 128 KB.
    transmit(static_cast<uint8_t>(0x20 | ((address & 1) << 3)));
    transmit(static_cast<uint8_t>(address >> 9));
    transmit(static_cast<uint8_t>(address >> 1));
    return transmit(0);
}

void UsbaspFirmware::avrWriteFlash(uint32_t address, uint8_t value, bool poll)
{
    transmit(static_cast<uint8_t>(0x40 | ((address & 1) << 3)));
    transmit(static_cast<uint8_t>(address >> 9));
    transmit(static_cast<uint8_t>(address >> 1));
    transmit(value);
    if (!poll)
        return;
    if (value == 0x7F)
        clockWait(15);
    else
        avrPoll(address, 0x7F);
}

void UsbaspFirmware::avrFlushPage(uint32_t address, uint8_t pollValue)
{
    transmit(0x4C);
    transmit(static_cast<uint8_t>(address >> 9));
    transmit(static_cast<uint8_t>(address >> 1));
    transmit(0);
    if (pollValue == 0xFF)
        clockWait(15);
    else
        avrPoll(address, 0xFF);
}

void UsbaspFirmware::avrPoll(uint32_t address, uint8_t busyValue)
{
    int retries = 30;
    int64_t start = now_;
    while (retries != 0) {
        if (avrReadFlash(address) != busyValue)
            return;
        if (now_ - start > 320'000) {
            start = now_;
            --retries;
        }
    }
}

void UsbaspFirmware::pins()
{
    if (!board_.chip)
        return;
    const bool rst = driven_ && (board_.rstInverted ? !rst_ : rst_);
    board_.chip->drive(rst, driven_ && sck_, driven_ && mosi_, now_);
}

bool UsbaspFirmware::miso()
{
    return board_.chip ? board_.chip->miso(now_) : true;
}

} // namespace usbmodel
