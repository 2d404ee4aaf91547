#include "GpioBackend.h"

#include "GpioSyscalls.h"
#include "GpioTexts.h"

#include <CableLevels.h>
#include <ProgrammerSettings.h>

#include <linux/gpio.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <vector>

namespace {

constexpr const char* kPins[] = {"RST", "SCK", "MOSI", "MISO"};
// The request's bits: RST, SCK and MOSI are driven, MISO is read.
constexpr uint64_t kOutputs = 0b0111;
constexpr uint64_t kMisoBit = 0b1000;
// As if nothing answered, like the none backend: every byte reads 0x00.
constexpr uint8_t kAbsentStatus = 0x80;
// Another program's job: how often to ask again while the claim waits.
constexpr auto kRetry = std::chrono::milliseconds(20);

template <size_t N>
std::string Text(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

std::vector<std::string> ChipNodes()
{
    std::string buffer(256, '\0');
    const size_t needed = GpioChipNodes(buffer.data(), buffer.size());
    if (needed >= buffer.size()) {
        buffer.assign(needed + 1, '\0');
        GpioChipNodes(buffer.data(), buffer.size());
    }
    std::vector<std::string> nodes;
    size_t from = 0;
    for (size_t end; (end = buffer.find('\n', from)) != std::string::npos; from = end + 1)
        nodes.push_back(buffer.substr(from, end - from));
    return nodes;
}

} // namespace

GpioBackend::GpioBackend(GpioLines lines, const ProgrammerSettings& settings)
    : lines_(std::move(lines)), settings_(settings), description_("No GPIO lines: " + lines_.chip + " not opened")
{
}

GpioBackend::~GpioBackend()
{
    close();
}

uint32_t GpioBackend::offset(int index) const
{
    const uint32_t offsets[] = {lines_.rst, lines_.sck, lines_.mosi, lines_.miso};
    return offsets[index];
}

bool GpioBackend::open(uint16_t base)
{
    close();
    base_ = base;
    opened_ = openChip();
    return opened_;
}

bool GpioBackend::openChip()
{
    const int fd = GpioOpen(lines_.chip.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        description_ =
            error == ENOENT ? NoGpioChipText(lines_.chip, ChipNodes()) : GpioOpenFailedText(lines_.chip, error);
        return false;
    }
    gpiochip_info info{};
    if (GpioIoctl(fd, GPIO_GET_CHIPINFO_IOCTL, &info) != 0) {
        description_ = GpioOpenFailedText(lines_.chip, errno);
        GpioClose(fd);
        return false;
    }
    const std::string label = Text(info.label).empty() ? Text(info.name) : Text(info.label);
    chipText_ = lines_.chip + " (" + label + ")";
    chipFd_ = fd;
    failed_ = false;
    for (int i = 0; i < kCount; ++i) {
        const std::string problem = offset(i) < info.lines ? checkLine(i)
                                                           : NoSuchLineText(chipText_, info.lines, kPins[i], offset(i));
        if (!problem.empty()) {
            description_ = problem;
            GpioClose(chipFd_);
            chipFd_ = -1;
            return false;
        }
    }
    description_ = "GPIO lines on " + chipText_ + ": " + PinOnLine("RST", lines_.rst) + ", " +
                   PinOnLine("SCK", lines_.sck) + ", " + PinOnLine("MOSI", lines_.mosi) + ", " +
                   PinOnLine("MISO", lines_.miso) + (lines_.rstActiveLow ? " (RST active low)" : "");
    return true;
}

std::string GpioBackend::checkLine(int index)
{
    gpio_v2_line_info info{};
    info.offset = offset(index);
    if (GpioIoctl(chipFd_, GPIO_V2_GET_LINEINFO_IOCTL, &info) != 0)
        return GpioOpenFailedText(chipText_, errno);
    // A kernel driver (SPI on a Pi's header) holds its lines for good; only
    // another Vorlane's job ends, and a claim waits for it.
    const std::string consumer = Text(info.consumer);
    if ((info.flags & GPIO_V2_LINE_FLAG_USED) && consumer != "vorlane")
        return LineInUseText(chipText_, kPins[index], offset(index), consumer);
    return {};
}

int GpioBackend::requestLines(const int* pins, int count)
{
    gpio_v2_line_request request{};
    uint64_t outputs = 0;
    uint64_t rst = 0;
    for (int i = 0; i < count; ++i) {
        request.offsets[i] = offset(pins[i]);
        if (pins[i] != kMiso)
            outputs |= uint64_t{1} << i;
        if (pins[i] == kRst && lines_.rstActiveLow)
            rst = uint64_t{1} << i;
    }
    std::strncpy(request.consumer, "vorlane", sizeof request.consumer - 1);
    request.num_lines = static_cast<uint32_t>(count);
    gpio_v2_line_config& config = request.config;
    config.flags = GPIO_V2_LINE_FLAG_INPUT;
    uint32_t n = 0;
    if (outputs & ~rst) {
        config.attrs[n].attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        config.attrs[n].attr.flags = GPIO_V2_LINE_FLAG_OUTPUT;
        config.attrs[n++].mask = outputs & ~rst;
    }
    if (rst) {
        config.attrs[n].attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
        config.attrs[n].attr.flags = GPIO_V2_LINE_FLAG_OUTPUT | GPIO_V2_LINE_FLAG_ACTIVE_LOW;
        config.attrs[n++].mask = rst;
    }
    // All low from the start, RST too: the chip runs until a job resets it.
    config.attrs[n].attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
    config.attrs[n].attr.values = 0;
    config.attrs[n++].mask = outputs;
    config.num_attrs = n;
    if (GpioIoctl(chipFd_, GPIO_V2_GET_LINE_IOCTL, &request) != 0)
        return -1;
    return request.fd;
}

bool GpioBackend::claim(std::chrono::milliseconds wait, std::string* why)
{
    if (requestFd_ >= 0)
        return true;
    // The chip went away during the last job: it may be back.
    if (chipFd_ < 0 || failed_) {
        if (chipFd_ >= 0)
            GpioClose(chipFd_);
        chipFd_ = -1;
        if (!openChip()) {
            if (why)
                *why = description_;
            return false;
        }
    }
    const int all[] = {kRst, kSck, kMosi, kMiso};
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        requestFd_ = requestLines(all, kCount);
        if (requestFd_ >= 0)
            return true;
        const int error = errno;
        if (error == EBUSY && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(kRetry);
            continue;
        }
        if (why)
            *why = whyNotRequested(error);
        if (error == ENODEV)
            failed_ = true;
        return false;
    }
}

std::string GpioBackend::whyNotRequested(int error)
{
    if (error == EBUSY) {
        for (int i = 0; i < kCount; ++i) {
            gpio_v2_line_info info{};
            info.offset = offset(i);
            if (GpioIoctl(chipFd_, GPIO_V2_GET_LINEINFO_IOCTL, &info) == 0 && (info.flags & GPIO_V2_LINE_FLAG_USED))
                return LineInUseText(chipText_, kPins[i], offset(i), Text(info.consumer));
        }
    } else if (error != ENODEV) {
        // One of the outputs cannot drive (an input-only line): find which.
        for (int pin : {kRst, kSck, kMosi}) {
            const int fd = requestLines(&pin, 1);
            if (fd >= 0)
                GpioClose(fd);
            else if (errno != EBUSY)
                return LineCannotDriveText(chipText_, kPins[pin], offset(pin), errno);
        }
    }
    return "No GPIO lines: the lines of " + chipText_ + " could not be had: " + std::strerror(error) + " (errno " +
           std::to_string(error) + "). Try again; if it persists, check the chip with gpioinfo.";
}

void GpioBackend::noteFailure(int error)
{
    if (!failed_)
        fault_ = GpioChipGoneText(chipText_, error);
    failed_ = true;
}

void GpioBackend::write(uint16_t address, uint8_t value)
{
    if (requestFd_ < 0 || failed_ || address != base_)
        return;
    const CableLevels levels = LevelsFromData(value, settings_);
    gpio_v2_line_values values{};
    values.mask = kOutputs;
    values.bits = (levels.rst ? 1u : 0u) | (levels.sck ? 2u : 0u) | (levels.mosi ? 4u : 0u);
    if (GpioIoctl(requestFd_, GPIO_V2_LINE_SET_VALUES_IOCTL, &values) != 0)
        noteFailure(errno);
}

uint8_t GpioBackend::read(uint16_t address)
{
    if (requestFd_ < 0 || failed_ || address != base_ + 1)
        return kAbsentStatus;
    gpio_v2_line_values values{};
    values.mask = kMisoBit;
    if (GpioIoctl(requestFd_, GPIO_V2_LINE_GET_VALUES_IOCTL, &values) != 0) {
        noteFailure(errno);
        return kAbsentStatus;
    }
    return StatusFromMiso((values.bits & kMisoBit) != 0);
}

std::string GpioBackend::takeFault()
{
    std::string fault;
    fault.swap(fault_);
    return fault;
}

void GpioBackend::releaseLines()
{
    if (requestFd_ < 0)
        return;
    // Inputs without pull, so that between jobs the board runs as if the
    // cable were unplugged; plain inputs where the chip has no bias control.
    if (!failed_) {
        gpio_v2_line_config config{};
        config.flags = GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_BIAS_DISABLED;
        if (GpioIoctl(requestFd_, GPIO_V2_LINE_SET_CONFIG_IOCTL, &config) != 0 && errno != ENODEV) {
            config.flags = GPIO_V2_LINE_FLAG_INPUT;
            GpioIoctl(requestFd_, GPIO_V2_LINE_SET_CONFIG_IOCTL, &config);
        }
    }
    GpioClose(requestFd_);
    requestFd_ = -1;
}

void GpioBackend::unclaim()
{
    releaseLines();
}

void GpioBackend::close()
{
    releaseLines();
    if (chipFd_ >= 0)
        GpioClose(chipFd_);
    chipFd_ = -1;
    opened_ = false;
}
