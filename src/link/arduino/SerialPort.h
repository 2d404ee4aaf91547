#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A serial device as a programmer's line: raw 8N1 at any baud rate, held by
// this process alone, with every wait bounded. Once the device fails (a USB
// adapter unplugged hangs its tty up: reads see the end, writes EIO or
// ENXIO) it stays failed until it is opened again.
class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `device` and sets it up; false with *why saying what to do.
    bool open(const std::string& device, uint32_t baud, std::string* why);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return failed_; }

    // DTR and RTS dropped for a moment and raised again: the reset an
    // Uno-class board takes through its auto-reset capacitor. Lines a device
    // does not have (a pseudo-terminal) are no failure.
    void pulseReset();
    // Forgets what has been received and not read.
    void flushInput();
    // All of `bytes` handed to the device within `timeoutMs`; false when not
    // (the device failed, or would not take them).
    bool writeAll(const uint8_t* bytes, size_t count, int timeoutMs);
    // Whatever has arrived, up to `room` bytes, waiting at most `timeoutMs`
    // for the first: the count, 0 when nothing came, -1 when the device failed.
    long readSome(uint8_t* into, size_t room, int timeoutMs);

private:
    void fail();

    int fd_ = -1;
    bool failed_ = false;
};
