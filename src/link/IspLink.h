#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

// How the serial programming instructions reach the chip. Two kinds of link
// do it: a bit-clocking one sets and reads the pins itself (the parallel-port
// cable), so it can clock any byte; a whole-instruction one (a programmer
// with its own firmware) carries four-byte instructions and hands back the
// chip's answer. The chip's own waits (reset settling, write cycle, erase)
// are the host's on every link.
class IspLink {
public:
    // A moment on the link's clock, for callers that bound a loop of
    // instructions by time rather than wait out one span.
    struct Deadline {
        int64_t at = 0;     // the first clock reading that has passed it
        uint32_t us = 0;    // the span asked for, for a clock that stalls
        int64_t lastSeen = INT64_MIN;
        bool stalled = false;
        std::chrono::steady_clock::time_point stalledSince{};
    };

    virtual ~IspLink() = default;

    // The status bar's line: the link in use, or why there is none.
    virtual std::string Describe() = 0;
    // Whether the link can be had, and if not, why: a job checks it first,
    // so that no link is never taken for a silent target.
    virtual bool PortReady(std::string* why) = 0;
    // A link failure since the last call (empty when none): a job that
    // meets one has failed, whatever it read.
    virtual std::string TakePortFault() = 0;

    // Lets go of the device; the next use opens it again.
    virtual void Close() {}
    // Why a trace asked for is not kept, for a link that keeps its own;
    // empty when it is or none was asked.
    virtual std::string TraceProblem() const { return {}; }

    // A job's hold on the device for its duration (LinkClaim takes it): no
    // other program drives the chip meanwhile, and between jobs the device
    // is free for them. False when it is busy after `wait` (*why: who holds
    // it, what to do) or there is none; PortReady then says so too, and the
    // job touches nothing. A link with nothing another program could share
    // has nothing to claim.
    virtual bool Claim(std::chrono::milliseconds wait, std::string* why)
    {
        (void)wait;
        (void)why;
        return true;
    }
    virtual void Unclaim() {}

    // A new job: its timing starts afresh.
    virtual void RefreshTimerFrequency() = 0;
    // Reset into programming state, and out of it with the target released.
    virtual void EnterProgramming() = 0;
    virtual void LeaveProgramming() = 0;
    virtual void DelayMicroseconds(uint32_t us) = 0;
    virtual Deadline DeadlineAfter(uint32_t us) = 0;
    // True once the clock has reached the deadline.
    virtual bool Passed(Deadline& deadline) = 0;

    // The shortest SCK phase, in ns, that the instructions now in use take
    // (the AT89S51/52's follow their crystal; 0: the settings alone). Each
    // family sets it when it takes the link, so a probe in the other
    // family's instructions clocks as that family needs. A link that clocks
    // nothing itself has no phases to hold.
    virtual void SetShortestPhaseNs(uint32_t ns) { (void)ns; }

    // True when the link clocks single bytes (ShiftOut, ShiftIn): any
    // instruction format and the page instructions. False when it carries
    // four-byte instructions only.
    virtual bool ClocksBits() const = 0;
    // A byte out on MOSI, MSB first; a byte in from MISO. Bit-clocking links only.
    virtual void ShiftOut(uint8_t value) = 0;
    virtual uint8_t ShiftIn() = 0;

    // A four-byte instruction whose answer nobody needs.
    virtual void Send(const std::array<uint8_t, 4>& instruction)
    {
        for (const uint8_t b : instruction)
            ShiftOut(b);
    }
    // A four-byte instruction's first three bytes; the byte the chip sends
    // during the fourth.
    virtual uint8_t Ask(const std::array<uint8_t, 3>& instruction)
    {
        for (const uint8_t b : instruction)
            ShiftOut(b);
        // Byte 4 is don't-care on MOSI: it rests while the answer comes in.
        return ShiftIn();
    }
    // Several asks, their answers in order; a link may send them ahead.
    virtual void AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers)
    {
        for (size_t i = 0; i < instructions.size() && i < answers.size(); ++i)
            answers[i] = Ask(instructions[i]);
    }

    // Whether the link carries the page instructions (Read Page, Write Page)
    // whole: a bit-clocking link clocks any frame; a programmer only when its
    // firmware has page functions of its own.
    virtual bool CarriesPages() const { return ClocksBits(); }
    // A page instruction: its first two bytes (command, high address), then
    // the page's bytes, in from the chip or out to it.
    virtual void AskPage(const std::array<uint8_t, 2>& head, std::span<uint8_t> bytes)
    {
        ShiftOut(head[0]);
        ShiftOut(head[1]);
        for (uint8_t& b : bytes)
            b = ShiftIn();
    }
    virtual void SendPage(const std::array<uint8_t, 2>& head, std::span<const uint8_t> bytes)
    {
        ShiftOut(head[0]);
        ShiftOut(head[1]);
        for (const uint8_t b : bytes)
            ShiftOut(b);
    }
};
