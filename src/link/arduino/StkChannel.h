#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

class SerialPort;

// STK500 version 1 commands over a serial line, sent ahead of their replies
// as far as the sketch's receive buffer allows. The ArduinoISP sketch reads
// through the Arduino core's serial buffer: 64 bytes (SERIAL_RX_BUFFER_SIZE
// on any AVR with 1 KB of RAM or more), a ring that holds 63, and a byte
// that arrives when it is full is lost without a word. Bytes sent whose
// reply has not come back are at worst all still in that buffer, so they
// are kept to 48: eight universal commands, with 15 bytes to spare.
//
// Where a UART paces the line and the sketch keeps ahead of it, it takes
// each byte as it comes and what is in flight waits in the USB-serial
// adapter and the kernel instead, so more may be: 128 bytes, with which even
// a sketch a quarter slower than the line falls no more than about 32 bytes
// behind, well within its ring.
class StkChannel {
public:
    using Clock = std::chrono::steady_clock;
    enum class Fault { None, Gone, Silent, OutOfStep };

    static constexpr int kWindowBytes = 48;
    static constexpr int kPacedWindowBytes = 128;

    StkChannel(SerialPort& port, uint32_t baud);

    // Forgets every command in flight and any fault: a fresh line, with the
    // window a sketch of unknown pace allows.
    void restart();
    // The sketch keeps ahead of a paced line: the wider window.
    void widenWindow() { window_ = kPacedWindowBytes; }
    // A command whose reply carries `answerBytes` between STK_INSYNC and
    // STK_OK, sent once the bytes in flight leave room for it. The reply's
    // answer bytes go to `answer` when it comes (0xFF each if it never does).
    void send(std::initializer_list<uint8_t> command, int answerBytes = 0, uint8_t* answer = nullptr);
    void send(const uint8_t* command, int count, int answerBytes, uint8_t* answer);
    // Every reply in; false on a fault.
    bool drain();
    bool idle() const { return pending_.empty(); }
    Fault fault() const { return fault_; }
    // When the last reply came in full: the sketch had done its command by then.
    Clock::time_point lastReply() const { return lastReply_; }
    // How long `bytes` take on the line at its baud rate, 8N1.
    Clock::duration lineTime(int bytes) const;

private:
    struct Pending {
        int answerBytes;
        uint8_t* answer;
        int sent;
    };
    bool receiveOne();
    void failWith(Fault fault);

    SerialPort& port_;
    uint32_t baud_;
    std::deque<Pending> pending_;
    int inFlight_ = 0;
    int window_ = kWindowBytes;
    std::vector<uint8_t> received_;
    Fault fault_ = Fault::None;
    Clock::time_point lastReply_{};
};
