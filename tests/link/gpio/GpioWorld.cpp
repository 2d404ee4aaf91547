#include "GpioWorld.h"


#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gpiomodel {

namespace {

constexpr uint64_t kBias =
    GPIO_V2_LINE_FLAG_BIAS_PULL_UP | GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN | GPIO_V2_LINE_FLAG_BIAS_DISABLED;
constexpr uint64_t kDrive = GPIO_V2_LINE_FLAG_OPEN_DRAIN | GPIO_V2_LINE_FLAG_OPEN_SOURCE;
constexpr uint64_t kEdge = GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING;
constexpr uint64_t kValid = GPIO_V2_LINE_FLAG_ACTIVE_LOW | GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT | kEdge |
                            kDrive | kBias | GPIO_V2_LINE_FLAG_EVENT_CLOCK_REALTIME | GPIO_V2_LINE_FLAG_EVENT_CLOCK_HTE;

bool Zero(const void* p, size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i])
            return false;
    return true;
}

// A line's flags: the first flags attribute naming it, else the default.
uint64_t LineFlags(const gpio_v2_line_config& c, size_t i)
{
    for (uint32_t a = 0; a < c.num_attrs; ++a)
        if (c.attrs[a].attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (c.attrs[a].mask >> i & 1))
            return c.attrs[a].attr.flags;
    return c.flags;
}

bool OutputValue(const gpio_v2_line_config& c, size_t i)
{
    for (uint32_t a = 0; a < c.num_attrs; ++a)
        if (c.attrs[a].attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES && (c.attrs[a].mask >> i & 1))
            return c.attrs[a].attr.values >> i & 1;
    return false;
}

// The configuration rules: one direction at most, edges on inputs, drive
// modes on outputs and not both, one bias and only with a direction, one
// event clock.
int CheckFlags(uint64_t f)
{
    const bool in = f & GPIO_V2_LINE_FLAG_INPUT;
    const bool out = f & GPIO_V2_LINE_FLAG_OUTPUT;
    if ((f & ~kValid) || (in && out) || ((f & kEdge) && !in) || ((f & kDrive) == kDrive) || ((f & kDrive) && !out) ||
        __builtin_popcountll(f & kBias) > 1 || ((f & kBias) && !in && !out) ||
        ((f & GPIO_V2_LINE_FLAG_EVENT_CLOCK_REALTIME) && (f & GPIO_V2_LINE_FLAG_EVENT_CLOCK_HTE)))
        return -EINVAL;
    return 0;
}

int CheckConfig(const gpio_v2_line_config& c, size_t lines)
{
    if (c.num_attrs > GPIO_V2_LINE_NUM_ATTRS_MAX || !Zero(c.padding, sizeof c.padding))
        return -EINVAL;
    for (size_t i = 0; i < lines; ++i)
        if (const int r = CheckFlags(LineFlags(c, i)))
            return r;
    return 0;
}

void Copy(char (&to)[GPIO_MAX_NAME_SIZE], const std::string& from)
{
    std::strncpy(to, from.c_str(), GPIO_MAX_NAME_SIZE - 1);
}

} // namespace

GpioWorld::GpioWorld() = default;
GpioWorld::~GpioWorld() = default;

GpioWorld& World()
{
    static GpioWorld world;
    return world;
}

void GpioWorld::reset()
{
    handles_.clear();
    nextFd_ = 100;
    nextRequest_ = 1;
    chips.clear();
    clock.useRealTime(false);
    ioctlNs = 0;
    ioctls.clear();
    recordPins = false;
    pins.clear();
    ownChip_.reset();
    configured_ = true;
}

Chip& GpioWorld::addChip(const std::string& label, uint32_t lines)
{
    auto chip = std::make_unique<Chip>();
    chip->name = "gpiochip" + std::to_string(chips.size());
    chip->path = "/dev/" + chip->name;
    chip->label = label;
    chip->lines.resize(lines);
    for (uint32_t i = 0; i < lines; ++i)
        chip->lines[i].name = "GPIO" + std::to_string(i);
    chips.push_back(std::move(chip));
    return *chips.back();
}

void GpioWorld::configureFromEnvironment()
{
    if (configured_)
        return;
    configured_ = true;
    const char* text = std::getenv("VORLANE_GPIO_MODEL");
    if (!text || !*text)
        return;
    const std::string model = text;
    const auto colon = model.find(':');
    const std::string kind = model.substr(0, colon);
    sim::IspChip& socket = ownChip_.make(kind, colon == std::string::npos ? "" : model.substr(colon + 1), "gpio model");
    ioctlNs = 1500;
    addChip("pinctrl-bcm2711", 58).board.chip = &socket;
}

void GpioWorld::save()
{
    ownChip_.save();
}

std::string GpioWorld::chipNodes() const
{
    std::string nodes;
    for (const auto& chip : chips)
        if (!chip->gone)
            nodes += chip->path + "\n";
    return nodes;
}

int GpioWorld::open(const char* path, int)
{
    configureFromEnvironment();
    for (const auto& chip : chips) {
        if (chip->gone || chip->path != path)
            continue;
        if (chip->denied) {
            errno = EACCES;
            return -1;
        }
        handles_[nextFd_] = {chip.get(), 0, {}};
        return nextFd_++;
    }
    errno = ENOENT;
    return -1;
}

int GpioWorld::close(int fd)
{
    const auto it = handles_.find(fd);
    if (it == handles_.end()) {
        errno = EBADF;
        return -1;
    }
    // Closing a request frees its lines, as they are.
    if (it->second.request)
        for (Line& line : it->second.chip->lines)
            if (line.request == it->second.request) {
                line.request = 0;
                line.consumer.clear();
            }
    handles_.erase(it);
    save();
    return 0;
}

int GpioWorld::ioctl(int fd, unsigned long code, void* arg)
{
    const auto it = handles_.find(fd);
    if (it == handles_.end()) {
        errno = EBADF;
        return -1;
    }
    // Reading the thread's CPU time is a system call: only when it counts.
    const bool real = clock.realTime();
    const int64_t realStart = real ? GpioClock::realNs() : 0;
    const int64_t start = clock.peek();
    const int64_t end = start + ioctlNs;
    ++ioctls[code];
    Handle& handle = it->second;
    int r = -ENODEV;
    if (!handle.chip->gone)
        r = handle.request ? requestIoctl(handle, code, arg, start, end) : chipIoctl(*handle.chip, code, arg, end);
    // The model's own computing is no time at the lines.
    if (real)
        clock.exclude(GpioClock::realNs() - realStart);
    clock.advanceTo(end);
    if (r < 0) {
        errno = -r;
        return -1;
    }
    return 0;
}

int GpioWorld::chipIoctl(Chip& chip, unsigned long code, void* arg, int64_t end)
{
    if (code == GPIO_GET_CHIPINFO_IOCTL) {
        auto* info = static_cast<gpiochip_info*>(arg);
        *info = {};
        Copy(info->name, chip.name);
        Copy(info->label, chip.label);
        info->lines = static_cast<uint32_t>(chip.lines.size());
        return 0;
    }
    if (code == GPIO_V2_GET_LINEINFO_IOCTL) {
        auto* info = static_cast<gpio_v2_line_info*>(arg);
        if (info->offset >= chip.lines.size() || !Zero(info->padding, sizeof info->padding))
            return -EINVAL;
        const uint32_t offset = info->offset;
        const Line& line = chip.lines[offset];
        *info = {};
        info->offset = offset;
        Copy(info->name, line.name);
        Copy(info->consumer, line.consumer);
        info->flags = (line.output ? GPIO_V2_LINE_FLAG_OUTPUT : GPIO_V2_LINE_FLAG_INPUT) | line.bias |
                      (line.activeLow ? GPIO_V2_LINE_FLAG_ACTIVE_LOW : 0) |
                      (line.request || line.kernel ? GPIO_V2_LINE_FLAG_USED : 0);
        return 0;
    }
    if (code != GPIO_V2_GET_LINE_IOCTL)
        return -ENOTTY;
    auto* request = static_cast<gpio_v2_line_request*>(arg);
    const uint32_t n = request->num_lines;
    if (n == 0 || n > GPIO_V2_LINES_MAX || !Zero(request->padding, sizeof request->padding))
        return -EINVAL;
    if (const int r = CheckConfig(request->config, n))
        return r;
    std::vector<uint32_t> offsets(request->offsets, request->offsets + n);
    for (uint32_t offset : offsets)
        if (offset >= chip.lines.size())
            return -EINVAL;
    // Each line in turn is taken, then set up; a failure frees them all.
    const int id = nextRequest_++;
    const auto undo = [&](int error) {
        for (Line& line : chip.lines)
            if (line.request == id) {
                line.request = 0;
                line.consumer.clear();
            }
        return error;
    };
    for (size_t i = 0; i < n; ++i) {
        Line& line = chip.lines[offsets[i]];
        if (line.request || line.kernel)
            return undo(-EBUSY);
        line.request = id;
        line.consumer = std::string(request->consumer, strnlen(request->consumer, sizeof request->consumer));
        if ((LineFlags(request->config, i) & GPIO_V2_LINE_FLAG_OUTPUT) && line.inputOnly)
            return undo(-EIO);
    }
    applyConfig(chip, offsets, request->config);
    handles_[nextFd_] = {&chip, id, offsets};
    request->fd = nextFd_++;
    drive(chip, end);
    return 0;
}

int GpioWorld::applyConfig(Chip& chip, const std::vector<uint32_t>& offsets, const gpio_v2_line_config& config)
{
    for (size_t i = 0; i < offsets.size(); ++i)
        if ((LineFlags(config, i) & GPIO_V2_LINE_FLAG_OUTPUT) && chip.lines[offsets[i]].inputOnly)
            return -EIO;
    for (size_t i = 0; i < offsets.size(); ++i) {
        Line& line = chip.lines[offsets[i]];
        const uint64_t f = LineFlags(config, i);
        line.activeLow = f & GPIO_V2_LINE_FLAG_ACTIVE_LOW;
        line.bias = f & kBias;
        if (f & GPIO_V2_LINE_FLAG_OUTPUT) {
            line.output = true;
            line.level = OutputValue(config, i) != line.activeLow;
        } else if (f & GPIO_V2_LINE_FLAG_INPUT) {
            line.output = false;
        }
    }
    return 0;
}

int GpioWorld::requestIoctl(Handle& handle, unsigned long code, void* arg, int64_t start, int64_t end)
{
    Chip& chip = *handle.chip;
    const size_t n = handle.offsets.size();
    const uint64_t all = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
    if (code == GPIO_V2_LINE_SET_CONFIG_IOCTL) {
        const auto& config = *static_cast<gpio_v2_line_config*>(arg);
        if (const int r = CheckConfig(config, n))
            return r;
        const int r = applyConfig(chip, handle.offsets, config);
        drive(chip, end);
        return r;
    }
    if (code != GPIO_V2_LINE_SET_VALUES_IOCTL && code != GPIO_V2_LINE_GET_VALUES_IOCTL)
        return -ENOTTY;
    if (chip.unplugAfter == 0) {
        chip.gone = true;
        return -ENODEV;
    }
    if (chip.unplugAfter > 0)
        --chip.unplugAfter;
    auto* values = static_cast<gpio_v2_line_values*>(arg);
    const uint64_t mask = values->mask & all;
    if (mask == 0)
        return -EINVAL;
    if (code == GPIO_V2_LINE_SET_VALUES_IOCTL) {
        for (size_t i = 0; i < n; ++i)
            if ((mask >> i & 1) && !chip.lines[handle.offsets[i]].output)
                return -EPERM;
        for (size_t i = 0; i < n; ++i)
            if (mask >> i & 1) {
                Line& line = chip.lines[handle.offsets[i]];
                line.level = (values->bits >> i & 1) != line.activeLow;
            }
        drive(chip, end);
        return 0;
    }
    uint64_t bits = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!(mask >> i & 1))
            continue;
        const uint32_t offset = handle.offsets[i];
        const Line& line = chip.lines[offset];
        const bool fromChip = offset == chip.board.miso && chip.board.chip && chip.board.chip->miso(start);
        const bool physical = line.output ? line.level : fromChip;
        bits |= uint64_t{physical != line.activeLow} << i;
    }
    values->bits = bits;
    return 0;
}

void GpioWorld::drive(Chip& chip, int64_t at)
{
    const Board& b = chip.board;
    if (!b.chip)
        return;
    const auto level = [&](uint32_t offset) {
        return offset < chip.lines.size() && chip.lines[offset].output && chip.lines[offset].level;
    };
    const Pins now{level(b.rst) != b.rstInverted, level(b.sck), level(b.mosi)};
    b.chip->drive(now.rst, now.sck, now.mosi, at);
    if (recordPins && (pins.empty() || !(pins.back() == now)))
        pins.push_back(now);
}

} // namespace gpiomodel
