#pragma once

#include "SerialPort.h"
#include "StkChannel.h"

#include <IspLink.h>

#include <cstdint>
#include <string>

// An Arduino running the stock ArduinoISP sketch, as a whole-instruction
// link: each four-byte instruction goes out as an STK500 universal command,
// whose reply carries the byte the chip sent during the fourth. The sketch's
// own page commands are never used: they send AVR opcodes.
//
// The sketch drives the chip: pin 10 to RST, 11 to MOSI, 12 from MISO, 13 to
// SCK. It takes RST's polarity from the device code of Set Device: from 0xE0
// up (the AT89 range) it holds RST high for programming, as these chips need.
//
// Instructions go out ahead of their replies (StkChannel), so a run of reads
// moves at the line's speed. The chip's waits are the host's; how a wait
// reaches the chip is said at DelayMicroseconds.
class ArduinoIspLink : public IspLink {
public:
    static constexpr uint32_t kDefaultBaud = 19200; // the stock sketch's BAUDRATE

    ArduinoIspLink(std::string device, uint32_t baud);
    ~ArduinoIspLink() override;

    // "Arduino as ISP on /dev/ttyACM0 at 19200 baud".
    std::string Describe() override;
    // Opens the port and reaches the sketch, unless that is done already.
    bool PortReady(std::string* why) override;
    std::string TakePortFault() override;
    void Close() override;

    void RefreshTimerFrequency() override {}
    void EnterProgramming() override;
    void LeaveProgramming() override;
    // With instructions still on their way, the wait has to happen between
    // them at the chip, not at the host: where the sketch reads a UART that
    // the baud rate paces, and keeps ahead of it, the wait goes as line time
    // (syncs between the instruction and the next, as many as the wait
    // needs); otherwise every reply is awaited and the host waits from the
    // last, by which time the sketch had sent the instruction.
    void DelayMicroseconds(uint32_t us) override;
    // Counted from the last reply, once every instruction sent has one.
    Deadline DeadlineAfter(uint32_t us) override;
    bool Passed(Deadline& deadline) override;

    bool ClocksBits() const override { return false; }
    // Not for this link: a fault that fails the job.
    void ShiftOut(uint8_t value) override;
    uint8_t ShiftIn() override;
    void Send(const std::array<uint8_t, 4>& instruction) override;
    uint8_t Ask(const std::array<uint8_t, 3>& instruction) override;
    void AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers) override;

    // Whether short waits go as line time on this board (known once reached).
    bool waitsOnTheLine() const { return waitsOnTheLine_; }

private:
    using Clock = StkChannel::Clock;

    bool connect(std::string* why);
    bool linePaced();
    void setDevice();
    bool usable() const { return connected_ && channel_.fault() == StkChannel::Fault::None; }
    void universal(const std::array<uint8_t, 4>& instruction, uint8_t* answer);
    // A wait that went as line time, owed still to whatever is not an
    // instruction (leaving programming mode takes RST away).
    void settleOwed();
    void waitFromLastReply(uint32_t us);
    int syncsToCover(uint32_t us) const;
    std::string faultText() const;

    std::string device_;
    uint32_t baud_;
    SerialPort port_;
    StkChannel channel_;
    bool connected_ = false;
    bool programming_ = false;
    bool waitsOnTheLine_ = false;
    uint32_t owedUs_ = 0;
    Clock::time_point waitEnd_{};
    std::string misuse_;
};
