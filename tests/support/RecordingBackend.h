#pragma once

#include <PortBackend.h>

#include <cstdint>
#include <deque>
#include <vector>

// A port that remembers every data write and answers status reads from a script.
class RecordingBackend : public PortBackend {
public:
    bool open(uint16_t base) override
    {
        opens.push_back(base);
        base_ = base;
        return true;
    }
    void close() override { ++closes; }
    void write(uint16_t address, uint8_t value) override
    {
        if (address == base_)
            writes.push_back(value);
    }
    uint8_t read(uint16_t address) override
    {
        if (address != base_ + 1)
            return 0;
        ++reads;
        if (script.empty())
            return idleStatus;
        const uint8_t s = script.front();
        script.pop_front();
        return s;
    }
    std::string describe() const override { return "recording"; }

    std::vector<uint8_t> writes;
    std::vector<uint16_t> opens;
    std::deque<uint8_t> script;
    uint8_t idleStatus = 0x80;
    int reads = 0;
    int closes = 0;

private:
    uint16_t base_ = 0;
};
