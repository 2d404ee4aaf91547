#pragma once

#include "PortBackend.h"

// Linux ppdev (/dev/parportN). Needs the lp group's access to the node, and the
// port free of the lp printer driver. The node stays open between jobs, which
// holds nothing; a job's claim locks it (so that a second program is told who
// has it instead of sleeping in PPCLAIM) and then claims the port.
class PpdevBackend : public PortBackend {
public:
    // An empty device means: the /dev/parportN whose base is the one asked for.
    explicit PpdevBackend(std::string device = {},
                          std::string procRoot = "/proc/sys/dev/parport",
                          std::string devRoot = "/dev");
    ~PpdevBackend() override;

    bool open(uint16_t base) override;
    void close() override;
    bool claim(std::chrono::milliseconds wait, std::string* why) override;
    void unclaim() override;
    void write(uint16_t address, uint8_t value) override;
    uint8_t read(uint16_t address) override;
    std::string describe() const override { return description_; }
    std::string takeFault() override;

    bool isOpen() const { return fd_ >= 0; }
    bool isClaimed() const { return claimed_; }

private:
    // The first failed register access of a job: the port went away.
    void noteFailure(const char* what);

    std::string namedDevice_;
    std::string procRoot_;
    std::string devRoot_;
    std::string device_;
    std::string description_;
    std::string fault_;
    uint16_t base_ = 0;
    int fd_ = -1;
    bool claimed_ = false;
};
