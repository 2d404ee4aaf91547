#pragma once

#include <FakeCounter.h>

#include <PortBackend.h>
#include <SimBackend.h>

#include <array>
#include <vector>

// The simulated chip behind a tap that keeps every port access, so that a
// test sees what went down the wires even when no chip answers.
// Decoding assumes the default pins (reset D0, SCK D1, MOSI D2) and idle 0.
class PortTap : public PortBackend {
public:
    static constexpr int kStatusRead = -1;
    static constexpr int kShiftIn = -2;   // a byte clocked in, in instructions()

    bool open(uint16_t base) override
    {
        base_ = base;
        return sim.open(base);
    }
    void close() override { sim.close(); }
    void write(uint16_t address, uint8_t value) override
    {
        if (address == base_)
            note(value);
        sim.write(address, value);
    }
    uint8_t read(uint16_t address) override
    {
        if (address == base_ + 1)
            note(kStatusRead);
        return sim.read(address);
    }
    std::string describe() const override { return "tap"; }
    std::string takeFault() override { return sim.takeFault(); }

    // Every instruction sent: three bytes shifted out, or two and kShiftIn
    // for a read. Counted from each reset or release, as the chip frames them.
    std::vector<std::array<int, 3>> instructions() const;
    int count(const std::array<int, 3>& instruction) const;
    // Writes of 0xFF: only the last step of a release writes it.
    int releases() const;

    SimBackend sim;
    std::vector<int> events;
    std::vector<int64_t> times;        // the virtual clock at each event
    const FakeCounter* clock = nullptr;

private:
    void note(int event)
    {
        events.push_back(event);
        times.push_back(clock ? clock->ticks() : 0);
    }

    bool shiftOutAt(std::size_t i, int& byte) const;
    bool shiftInAt(std::size_t i) const;

    uint16_t base_ = 0;
};
