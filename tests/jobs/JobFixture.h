#pragma once

#include "PortTap.h"
#include "RecordingFeedback.h"

#include <LinkFixture.h>

#include <DeviceImage.h>

#include <memory>
#include <utility>
#include <vector>

// A job's world: the simulated chip behind a tapped port, virtual time, a
// fresh document image and a feedback that records.
class JobFixture : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        auto backend = std::make_unique<PortTap>();
        tap = backend.get();
        tap->clock = &counter;
        port().installBackend(std::move(backend));
    }

    sim::At89s53& chip() { return tap->sim.chip(); }
    const sim::ChipStats& stats() { return chip().stats(); }

    static uint8_t pattern(int address) { return static_cast<uint8_t>(address * 7 + (address >> 8) + 1); }
    void fillChipWithPattern()
    {
        for (int a = 0; a < sim::At89s53::kFlashSize; ++a)
            chip().flash()[a] = pattern(a);
    }

    // Addresses of the instructions of one kind the chip acted on, in order.
    std::vector<int> addressesOf(sim::InstructionKind kind)
    {
        std::vector<int> out;
        for (const auto& i : chip().history())
            if (i.kind == kind && !i.ignored)
                out.push_back(i.address);
        return out;
    }

    // Every instruction the chip decoded, as (kind, address).
    std::vector<std::pair<sim::InstructionKind, int>> history()
    {
        std::vector<std::pair<sim::InstructionKind, int>> out;
        for (const auto& i : chip().history())
            out.emplace_back(i.kind, i.address);
        return out;
    }

    static std::vector<int> span(int from, int to, int step = 1)
    {
        std::vector<int> out;
        for (int a = from; a <= to; a += step)
            out.push_back(a);
        return out;
    }

    PortTap* tap = nullptr;
    DeviceImage image;
    RecordingFeedback feedback;
};
