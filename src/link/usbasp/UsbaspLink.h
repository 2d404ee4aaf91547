#pragma once

#include "UsbaspDevice.h"

#include <IspLink.h>
#include <ProgrammerSettings.h>

#include <cstdint>
#include <string>

// A USBasp as the link to the chip: it carries whole four-byte instructions
// (its TRANSMIT request), and whole pages when its firmware drives the
// AT89S51/52 (their S5x page streaming behind the flash block requests).
// The chip's waits are this host's, timed on the session counter from the
// end of the request they follow, since the firmware has clocked the
// instruction out before it answers.
//
// The stock firmware holds RST low while connected, which keeps these chips
// running: they then never answer their enable, and the link says which
// firmware is needed. A job claims the device for its duration, so that no
// other program talks to it meanwhile.
class UsbaspLink : public IspLink {
public:
    // bus and address as lsusb shows them; 0 for the first USBasp found.
    UsbaspLink(const ProgrammerSettings& settings, int bus, int address);
    ~UsbaspLink() override;

    std::string Describe() override;
    bool PortReady(std::string* why) override;
    std::string TakePortFault() override;
    void Close() override;

    void RefreshTimerFrequency() override {}
    void EnterProgramming() override;
    void LeaveProgramming() override;
    void DelayMicroseconds(uint32_t us) override;
    Deadline DeadlineAfter(uint32_t us) override;
    bool Passed(Deadline& deadline) override;

    bool ClocksBits() const override { return false; }
    void ShiftOut(uint8_t value) override;
    uint8_t ShiftIn() override;
    void Send(const std::array<uint8_t, 4>& instruction) override;
    uint8_t Ask(const std::array<uint8_t, 3>& instruction) override;

    bool CarriesPages() const override { return drivesS5x_; }
    void AskPage(const std::array<uint8_t, 2>& head, std::span<uint8_t> bytes) override;
    void SendPage(const std::array<uint8_t, 2>& head, std::span<const uint8_t> bytes) override;

private:
    // One request; the bytes it moved, or -1 once it or an earlier one of
    // this job failed (the fault then says why).
    int in(const char* name, uint8_t request, const std::array<uint8_t, 4>& setup, std::span<uint8_t> data);
    int out(const char* name, uint8_t request, const std::array<uint8_t, 4>& setup, std::span<const uint8_t> data);
    int done(const char* name, int result);
    // A four-byte instruction and the four bytes clocked in during it; false
    // after a failure.
    bool transmit(const std::array<uint8_t, 4>& frame, std::array<uint8_t, 4>& answer);
    // The first fault of a job is the one that tells.
    void fault(const std::string& text);
    int64_t Now() const;
    static int64_t Ticks(uint32_t us);

    const ProgrammerSettings& settings_;
    UsbaspDevice device_;
    std::string fault_;
    bool failed_ = false;
    bool capabilitiesKnown_ = false;
    bool drivesS5x_ = false;
    // Between a job's connect and its disconnect.
    bool connected_ = false;
    // Where the chip's waits count from: the end of the last request.
    int64_t anchor_ = 0;
};
