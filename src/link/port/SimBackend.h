#pragma once

#include "PortBackend.h"

#include <At89s53.h>
#include <VirtualCable.h>

// The simulated AT89S53 on the default cable, at whatever base is asked for.
// With a file, the chip's flash lives in it between runs; a chip file that
// cannot be kept is no port at all, never a throwaway chip.
class SimBackend : public PortBackend {
public:
    explicit SimBackend(std::string chipFile = {});
    ~SimBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    std::string takeFault() override;

    sim::At89s53& chip() { return chip_; }
    sim::VirtualCable& cable() { return cable_; }

private:
    void saveIfChanged();
    static int64_t nowNs();

    std::string chipFile_;
    std::string description_;
    sim::At89s53 chip_;
    sim::VirtualCable cable_;
    std::string fault_;
    uint16_t base_ = 0;
    bool loaded_ = false;
    uint64_t savedModification_ = 0;
};
