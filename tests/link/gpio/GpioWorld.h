#pragma once

#include <IspChip.h>
#include <KeptChip.h>
#include <ModelClock.h>

#include <linux/gpio.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gpiomodel {

using GpioClock = model::ModelClock<CLOCK_MONOTONIC>;

// What a chip's lines reach: the chip in the socket on four of them, RST
// through an inverting stage where the cable has one. A line nobody drives
// is low at the board (a pull-down).
struct Board {
    sim::IspChip* chip = nullptr;
    uint32_t rst = 17;
    uint32_t sck = 11;
    uint32_t mosi = 10;
    uint32_t miso = 9;
    bool rstInverted = false;
};

// One line as the kernel keeps it.
struct Line {
    std::string name;
    // Who holds it: a request's consumer, or a kernel driver's name.
    std::string consumer;
    bool kernel = false;   // a kernel driver has it (SPI on a Pi's header)
    bool inputOnly = false;
    bool output = false;
    bool activeLow = false;
    uint64_t bias = 0;     // its GPIO_V2_LINE_FLAG_BIAS_* flag, if any
    bool level = false;    // physical level an output drives
    int request = 0;       // the request holding it; 0: none, -1: another process's
};

struct Chip {
    std::string path;
    std::string name;
    std::string label;
    std::vector<Line> lines;
    bool denied = false;   // this user may not open the node
    bool gone = false;     // unplugged: the node is gone, every fd says ENODEV
    int unplugAfter = -1;  // value ioctls it serves before it goes; -1: never
    Board board;
};

// The pins at the chip after a change.
struct Pins {
    bool rst, sck, mosi;
    bool operator==(const Pins&) const = default;
};

// The GPIO character devices as the kernel's userspace API documents them
// (Documentation/userspace-api/gpio, include/uapi/linux/gpio.h): chips, line
// info, one-shot line requests validated as the kernel does, values under a
// mask, lines freed when the request's fd closes. Each ioctl costs
// `ioctlNs`; an output changes at its end, an input is sampled at its start.
// Tests set it up; vorlane-cli built with the model takes it from
// VORLANE_GPIO_MODEL ("s51", "s52" or "s53", then ":FILE" keeping the chip):
// /dev/gpiochip0, a Raspberry Pi 4's, with the chip on the default lines.
class GpioWorld {
public:
    GpioWorld();
    ~GpioWorld();

    void reset();
    // /dev/gpiochipN, N its place among the chips; lines named "GPIOn".
    Chip& addChip(const std::string& label, uint32_t lines);
    void configureFromEnvironment();

    int open(const char* path, int flags);
    int ioctl(int fd, unsigned long request, void* arg);
    int close(int fd);
    // The present chips' nodes, one a line.
    std::string chipNodes() const;

    GpioClock clock;
    int64_t ioctlNs = 0;
    std::map<unsigned long, int> ioctls; // by request code
    bool recordPins = false;
    std::vector<Pins> pins;              // each change at the chip's pins, when recorded
    std::vector<std::unique_ptr<Chip>> chips;

private:
    struct Handle {
        Chip* chip;
        int request;                   // 0: the chip's own fd
        std::vector<uint32_t> offsets; // a request's lines
    };
    int chipIoctl(Chip& chip, unsigned long code, void* arg, int64_t end);
    int requestIoctl(Handle& handle, unsigned long code, void* arg, int64_t start, int64_t end);
    // Rejects what the kernel rejects; -errno or 0.
    int applyConfig(Chip& chip, const std::vector<uint32_t>& offsets, const gpio_v2_line_config& config);
    void drive(Chip& chip, int64_t at);
    void save();

    std::map<int, Handle> handles_;
    int nextFd_ = 100;
    int nextRequest_ = 1;
    KeptChip ownChip_;
    bool configured_ = false;
};

GpioWorld& World();

} // namespace gpiomodel
