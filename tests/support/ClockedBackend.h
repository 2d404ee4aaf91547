#pragma once

#include "FakeCounter.h"

#include <PortBackend.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// A port whose every access takes `accessTicks` of a fake counter's time, as
// a real port's bus cycle or ioctl does, and that notes when each began. The
// accesses go on to `inner` (the simulated chip, say) once their time is
// spent; without one, status reads give `idleStatus`.
class ClockedBackend : public PortBackend {
public:
    struct Access {
        char operation;   // 'W' data write, 'R' status read
        int value;        // the byte written; -1 for a read
        int64_t at;       // the counter when the access began
        int64_t end;      // and when it returned
    };

    ClockedBackend(FakeCounter& counter, int64_t accessTicks, std::unique_ptr<PortBackend> inner = {})
        : counter_(counter), accessTicks_(accessTicks), inner_(std::move(inner)) {}

    bool open(uint16_t base) override
    {
        base_ = base;
        return inner_ ? inner_->open(base) : true;
    }
    void close() override
    {
        if (inner_)
            inner_->close();
    }
    void write(uint16_t address, uint8_t value) override
    {
        const int64_t at = counter_.ticks();
        counter_.advance(accessTicks_);
        if (const auto held = heldUp_.find(writes_++); held != heldUp_.end())
            counter_.advance(held->second);
        if (inner_)
            inner_->write(address, value);
        if (address == base_)
            accesses.push_back({'W', value, at, counter_.ticks()});
    }
    uint8_t read(uint16_t address) override
    {
        const int64_t at = counter_.ticks();
        counter_.advance(accessTicks_);
        const uint8_t status = inner_ ? inner_->read(address) : idleStatus;
        if (address == base_ + 1)
            accesses.push_back({'R', -1, at, counter_.ticks()});
        return status;
    }
    std::string describe() const override { return "clocked"; }

    // The data write with this index (counted from 0) takes `ticks` longer,
    // as one interrupted or preempted would.
    void holdUpWrite(std::size_t index, int64_t ticks) { heldUp_[index] = ticks; }
    std::size_t writeCount() const { return writes_; }

    // Ticks between the starts of consecutive data writes.
    std::vector<int64_t> writeGaps() const { return gaps(false); }
    // Ticks from the end of each data write to the start of the next: the
    // line phases the pins show whenever in its access each line changed.
    std::vector<int64_t> pinPhases() const { return gaps(true); }

    std::vector<Access> accesses;
    uint8_t idleStatus = 0x80;

private:
    std::vector<int64_t> gaps(bool fromEnd) const
    {
        std::vector<int64_t> gaps;
        const Access* last = nullptr;
        for (const Access& a : accesses) {
            if (a.operation != 'W')
                continue;
            if (last)
                gaps.push_back(a.at - (fromEnd ? last->end : last->at));
            last = &a;
        }
        return gaps;
    }

    FakeCounter& counter_;
    int64_t accessTicks_;
    std::unique_ptr<PortBackend> inner_;
    std::map<std::size_t, int64_t> heldUp_;
    std::size_t writes_ = 0;
    uint16_t base_ = 0;
};
