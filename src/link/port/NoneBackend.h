#pragma once

#include "PortBackend.h"

// No port. Status reads 0x80: BUSY seen low, so ShiftIn gives 0x00 and a blank
// check, verify or read-back fails instead of passing.
class NoneBackend : public PortBackend {
public:
    explicit NoneBackend(std::string reason) : reason_(std::move(reason)) {}
    bool open(uint16_t) override { return true; }
    void close() override {}
    void write(uint16_t, uint8_t) override {}
    uint8_t read(uint16_t) override { return 0x80; }
    std::string describe() const override { return reason_; }
    bool usable() const override { return false; }

private:
    std::string reason_;
};
