#pragma once

#include "GpioLines.h"

#include <PortBackend.h>

#include <cstdint>
#include <string>

struct ProgrammerSettings;

// Lines of a Linux GPIO chip as the cable, through the character device's v2
// interface: the line driver's data byte becomes RST, SCK and MOSI (set
// together under one mask), MISO comes back as the status byte, so that the
// driver, its waits and its trace are the parallel port's.
//
// Not libgpiod: Debian 12's libgpiod 1.6 sits on the v1 interface, which the
// kernel keeps only as deprecated; the few ioctls needed are plain here.
//
// Opening reads the chip and its lines and holds nothing. A job's claim
// requests the four lines at once (consumer "vorlane"); the claim's end
// makes them inputs again, without pull, and lets them go, so that between
// jobs the board is free.
class GpioBackend : public PortBackend {
public:
    GpioBackend(GpioLines lines, const ProgrammerSettings& settings);
    ~GpioBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    bool claim(std::chrono::milliseconds wait, std::string* why) override;
    void unclaim() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    // Once opened, a claim opens the chip again if it went away meanwhile.
    bool usable() const override { return opened_; }
    std::string takeFault() override;
    // The base is the parallel port's; these lines serve any.
    bool servesEveryBase() const override { return true; }

private:
    // The request's lines by index: three outputs, then MISO.
    enum Index { kRst, kSck, kMosi, kMiso, kCount };

    bool openChip();
    std::string checkLine(int index);
    // The lines of `pins` (indices) in one request: the request's fd, or -1.
    int requestLines(const int* pins, int count);
    // Why the lines could not be had: who holds them, or which cannot drive.
    std::string whyNotRequested(int error);
    // The first failed access of a job: nothing more reaches the lines.
    void noteFailure(int error);
    void releaseLines();
    uint32_t offset(int index) const;

    GpioLines lines_;
    const ProgrammerSettings& settings_;
    std::string chipText_; // "/dev/gpiochip0 (pinctrl-bcm2711)"
    std::string description_;
    std::string fault_;
    uint16_t base_ = 0;
    int chipFd_ = -1;
    int requestFd_ = -1;
    bool failed_ = false;
    bool opened_ = false;
};
