#pragma once

#include "PortBackend.h"
#include "PortChoice.h"

#include <At89s53.h>
#include <VirtualCable.h>

// The simulated AT89S53 on the default cable, at whatever base is asked for.
// With a file, the chip's flash lives in it between runs. An access cost makes
// every data write and status read busy-wait on the counter until it has
// taken that long, as a real port's bus cycle or ioctl does: about 1000 ns
// for direct I/O, 1900 ns for ppdev.
class SimBackend : public PortBackend {
public:
    explicit SimBackend(std::string chipFile = {}, int64_t accessNs = 0);
    ~SimBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }

    sim::At89s53& chip() { return chip_; }
    sim::VirtualCable& cable() { return cable_; }
    int64_t accessNs() const { return accessNs_; }

private:
    void saveIfChanged();
    // Busy-waits until the access, seen by the chip at counter value `seen`,
    // has taken its cost.
    void spendAccessTime(int64_t seen);

    std::string chipFile_;
    std::string description_;
    sim::At89s53 chip_;
    sim::VirtualCable cable_;
    int64_t accessNs_ = 0;
    uint16_t base_ = 0;
    bool loaded_ = false;
    uint64_t savedModification_ = 0;
};
