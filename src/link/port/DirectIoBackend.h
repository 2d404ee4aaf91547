#pragma once

#include "PortBackend.h"

// Direct register access with ioperm/outb/inb: x86 only, root or CAP_SYS_RAWIO.
// Nothing in the kernel keeps two programs off the same registers, so a job's
// claim locks a file named after the base in `lockFolder`, as ppdev's lock does
// its device node.
class DirectIoBackend : public PortBackend {
public:
    explicit DirectIoBackend(std::string lockFolder = "/run/lock") : lockFolder_(std::move(lockFolder)) {}
    ~DirectIoBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    bool claim(std::chrono::milliseconds wait, std::string* why) override;
    void unclaim() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    // Why the last open failed, without the advice around it.
    const std::string& failure() const { return failure_; }

private:
    std::string lockFolder_;
    int lockFd_ = -1;
    std::string description_;
    std::string failure_;
    uint16_t base_ = 0;
    bool granted_ = false;
};
