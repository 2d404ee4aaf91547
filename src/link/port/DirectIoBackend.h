#pragma once

#include "PortBackend.h"

// Direct register access with ioperm/outb/inb: x86 only, root or CAP_SYS_RAWIO.
class DirectIoBackend : public PortBackend {
public:
    ~DirectIoBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    // Why the last open failed, without the advice around it.
    const std::string& failure() const { return failure_; }

private:
    std::string description_;
    std::string failure_;
    uint16_t base_ = 0;
    bool granted_ = false;
};
