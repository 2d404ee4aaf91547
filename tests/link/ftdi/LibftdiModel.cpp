// libftdi1 as the model world answers it: the functions the host calls,
// linked in their place with -Wl,--wrap, each with the results and error
// codes libftdi's API documentation gives.
#include "FtdiWorld.h"

#include <Counter.h>

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using ftdimodel::FtdiDevice;
using ftdimodel::World;

namespace {

constexpr int kVendor = 0x0403;
// What libftdi's ftdi_usb_find_all lists when asked for no IDs.
constexpr uint16_t kDefaultProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};

int Fail(ftdi_context* ftdi, int code, const char* text)
{
    ftdi->error_str = text;
    return code;
}

FtdiDevice* CableOf(ftdi_context* ftdi)
{
    return reinterpret_cast<FtdiDevice*>(ftdi->usb_dev);
}

FtdiDevice* Listed(libusb_device* dev)
{
    return reinterpret_cast<FtdiDevice*>(dev);
}

bool Matches(const FtdiDevice& d, int vendor, int product)
{
    if (vendor == 0 && product == 0)
        return std::find(std::begin(kDefaultProducts), std::end(kDefaultProducts), d.product) !=
               std::end(kDefaultProducts);
    return vendor == kVendor && product == d.product;
}

// A bulk transfer: false once the device has been pulled out.
bool Served(FtdiDevice& d)
{
    if (d.unplugAfter == 0) {
        d.gone = true;
        d.chip = nullptr;
    }
    if (d.gone)
        return false;
    if (d.unplugAfter > 0)
        --d.unplugAfter;
    return true;
}

void CopyString(const std::string& text, char* out, int length)
{
    if (!out || length <= 0)
        return;
    const size_t n = std::min(text.size(), static_cast<size_t>(length - 1));
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

// DTR or RTS asserted (their pins low while the cable is a serial port).
int SetModemLine(ftdi_context* ftdi, bool FtdiDevice::*line, int state)
{
    FtdiDevice* d = CableOf(ftdi);
    if (!d || d->gone)
        return Fail(ftdi, -2, "USB device unavailable");
    d->*line = state != 0;
    World().drivePins(*d, World().clock.peek());
    return 0;
}

} // namespace

extern "C" {

ftdi_context* __wrap_ftdi_new()
{
    World().configureFromEnvironment();
    // The host's waits and the model's time are one.
    SetCounterForTesting(&World().clock);
    auto* ftdi = new ftdi_context{};
    ftdi->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    ftdi->error_str = "";
    return ftdi;
}

int __wrap_ftdi_usb_close(ftdi_context* ftdi)
{
    if (FtdiDevice* d = CableOf(ftdi))
        d->open = false;
    ftdi->usb_dev = nullptr;
    World().save();
    return 0;
}

void __wrap_ftdi_free(ftdi_context* ftdi)
{
    if (!ftdi)
        return;
    __wrap_ftdi_usb_close(ftdi);
    delete ftdi;
}

int __wrap_ftdi_usb_find_all(ftdi_context* ftdi, ftdi_device_list** list, int vendor, int product)
{
    *list = nullptr;
    ftdi_device_list** tail = list;
    int count = 0;
    for (const auto& d : World().devices) {
        if (d->gone || !Matches(*d, vendor, product))
            continue;
        *tail = new ftdi_device_list{nullptr, reinterpret_cast<libusb_device*>(d.get())};
        tail = &(*tail)->next;
        ++count;
    }
    (void)ftdi;
    return count;
}

void __wrap_ftdi_list_free(ftdi_device_list** list)
{
    for (ftdi_device_list* d = *list; d;) {
        ftdi_device_list* next = d->next;
        delete d;
        d = next;
    }
    *list = nullptr;
}

int __wrap_ftdi_usb_get_strings(ftdi_context* ftdi, libusb_device* dev, char* manufacturer, int mnfLength,
                                 char* description, int descLength, char* serial, int serialLength)
{
    FtdiDevice* d = Listed(dev);
    if (d->gone || d->denied)
        return Fail(ftdi, -4, "libusb_open() failed");
    CopyString("FTDI", manufacturer, mnfLength);
    CopyString(d->description, description, descLength);
    CopyString(d->serial, serial, serialLength);
    return 0;
}

int __wrap_ftdi_usb_open_desc_index(ftdi_context* ftdi, int vendor, int product, const char* description,
                                     const char* serial, unsigned int index)
{
    for (const auto& owned : World().devices) {
        FtdiDevice& d = *owned;
        if (d.gone || !Matches(d, vendor, product) || vendor == 0)
            continue;
        // Each candidate is opened to read its strings.
        if (d.denied)
            return Fail(ftdi, -4, "usb_open() failed");
        if ((description && d.description != description) || (serial && d.serial != serial))
            continue;
        if (index > 0) {
            --index;
            continue;
        }
        // ftdi_sio is bound to every FTDI interface until detached.
        if (ftdi->module_detach_mode != AUTO_DETACH_SIO_MODULE)
            return Fail(ftdi, -5, "unable to claim usb device. Make sure the default FTDI driver is not in use");
        if (d.driverHeld)
            return Fail(ftdi, -8, "inappropriate permissions on device!");
        if (d.busy || d.open)
            return Fail(ftdi, -5, "unable to claim usb device. Make sure the default FTDI driver is not in use");
        // Opening resets the serial engine: DTR and RTS cleared, 9600 baud,
        // out of bit-bang.
        d.open = true;
        d.mode = 0;
        d.dtr = d.rts = false;
        d.eighths = 0;
        d.latencyMs = 16;
        d.pending.clear();
        d.sampled.clear();
        ftdi->usb_dev = reinterpret_cast<libusb_device_handle*>(&d);
        ftdi->bitbang_enabled = 0;
        World().drivePins(d, World().clock.peek());
        return Fail(ftdi, 0, "all fine");
    }
    return Fail(ftdi, -3, "device not found");
}

int __wrap_ftdi_set_latency_timer(ftdi_context* ftdi, unsigned char latency)
{
    FtdiDevice* d = CableOf(ftdi);
    if (latency < 1)
        return Fail(ftdi, -1, "latency out of range. Only valid for 1-255");
    if (!d || d->gone)
        return Fail(ftdi, -3, "USB device unavailable");
    d->latencyMs = latency;
    return 0;
}

int __wrap_ftdi_set_bitmode(ftdi_context* ftdi, unsigned char bitmask, unsigned char mode)
{
    FtdiDevice* d = CableOf(ftdi);
    if (!d || d->gone)
        return Fail(ftdi, -2, "USB device unavailable");
    // The FT232R has no MPSSE.
    if ((mode != BITMODE_RESET && mode != BITMODE_SYNCBB && mode != BITMODE_MPSSE) ||
        (mode == BITMODE_MPSSE && d->product != 0x6014 && d->product != 0x6010))
        return Fail(ftdi, -1, "unable to configure bitbang mode. Perhaps not a BM/2232C type chip?");
    ftdi->bitbang_enabled = mode == BITMODE_RESET ? 0 : 1;
    ftdi->bitbang_mode = mode;
    d->mode = mode;
    if (mode != BITMODE_RESET)
        d->modeSet = mode;
    // The MPSSE's pins are inputs until a command sets them; its clock
    // starts divided by 5.
    d->outputs = mode == BITMODE_MPSSE ? 0 : bitmask;
    d->divideBy5 = true;
    d->divisor = 0;
    d->unsent.clear();
    d->pending.clear();
    d->sampled.clear();
    const int64_t now = World().clock.peek();
    d->clockFreePs = now * 1000;
    World().drivePins(*d, now);
    return 0;
}

int __wrap_ftdi_set_baudrate(ftdi_context* ftdi, int baudrate)
{
    FtdiDevice* d = CableOf(ftdi);
    if (!d || d->gone)
        return Fail(ftdi, -3, "USB device unavailable");
    if (baudrate <= 0)
        return Fail(ftdi, -1, "Silly baudrate <= 0.");
    // libftdi: bit-bang rates are multiplied by 4. The FT232R's generator is
    // 3 MHz over n + x/8, n from 2 up or exactly 1.
    const double asked = ftdi->bitbang_enabled ? baudrate * 4.0 : baudrate;
    long eighths = std::lround(24'000'000.0 / asked);
    if (eighths < 8)
        eighths = 8;
    else if (eighths > 8 && eighths < 16)
        eighths = eighths < 12 ? 8 : 16;
    eighths = std::min<long>(eighths, 16384 * 8 + 7);
    const double actual = 24'000'000.0 / static_cast<double>(eighths);
    if (std::fabs(actual - asked) * 20 > asked)
        return Fail(ftdi, -1, "Unsupported baudrate. Note: bitbang baudrates are automatically multiplied by 4");
    d->eighths = ftdi->bitbang_enabled ? static_cast<uint32_t>(eighths) : 0;
    return 0;
}

int __wrap_ftdi_setdtr(ftdi_context* ftdi, int state)
{
    return SetModemLine(ftdi, &FtdiDevice::dtr, state);
}

int __wrap_ftdi_setrts(ftdi_context* ftdi, int state)
{
    return SetModemLine(ftdi, &FtdiDevice::rts, state);
}

int __wrap_ftdi_write_data(ftdi_context* ftdi, const unsigned char* buf, int size)
{
    ftdimodel::FtdiWorld& world = World();
    FtdiDevice* d = CableOf(ftdi);
    if (!d)
        return Fail(ftdi, -666, "USB device unavailable");
    if (!Served(*d))
        return Fail(ftdi, -1, "usb bulk write failed");
    ++world.writes;
    world.bytesWritten += size;
    const int64_t realStart = ftdimodel::ModelClock::realNs();
    const int64_t start = world.clock.peek();
    // Bytes enter the transmit FIFO as the clock takes them out; the write
    // is done once the last is in.
    const size_t ahead = d->pending.size();
    d->pending.insert(d->pending.end(), buf, buf + size);
    const size_t before = d->sampled.size();
    if (d->mode == BITMODE_MPSSE) {
        // The write is done once its last byte is in the MPSSE's buffer.
        std::vector<int64_t> taken;
        world.runMpsse(*d, start, &taken);
        const size_t fifo = ftdimodel::FtdiWorld::kMpsseFifo;
        const size_t mustTake = ahead + size > fifo ? ahead + size - fifo : 0;
        if (taken.size() < mustTake) {
            world.clock.advanceTo(start + 5'000'000'000);
            return Fail(ftdi, -1, "usb bulk write failed");
        }
        world.clock.exclude(ftdimodel::ModelClock::realNs() - realStart);
        world.clock.advanceTo(world.frameEnd(mustTake > 0 ? std::max(taken[mustTake - 1], start) : start));
        return size;
    }
    world.clockOut(*d, start);
    const int64_t lastIn = ahead + size <= ftdimodel::FtdiWorld::kTransmitFifo
                               ? start
                               : (d->sampled.size() > before + (ahead + size - ftdimodel::FtdiWorld::kTransmitFifo) - 1
                                      ? d->sampled[before + ahead + size - ftdimodel::FtdiWorld::kTransmitFifo - 1].ns
                                      : -1);
    if (lastIn < 0 || d->pending.size() > static_cast<size_t>(ftdimodel::FtdiWorld::kTransmitFifo)) {
        // The receive FIFO full and nobody reading: the clock stands, and
        // the write times out (libftdi's 5 s).
        world.clock.advanceTo(start + 5'000'000'000);
        return Fail(ftdi, -1, "usb bulk write failed");
    }
    // The model's own computing is no time on the bus.
    world.clock.exclude(ftdimodel::ModelClock::realNs() - realStart);
    world.clock.advanceTo(world.frameEnd(std::max(lastIn, start)));
    return size;
}

int __wrap_ftdi_read_data(ftdi_context* ftdi, unsigned char* buf, int size)
{
    ftdimodel::FtdiWorld& world = World();
    FtdiDevice* d = CableOf(ftdi);
    if (!d)
        return Fail(ftdi, -666, "USB device unavailable");
    if (!Served(*d))
        return Fail(ftdi, LIBUSB_ERROR_NO_DEVICE, "usb bulk read failed");
    ++world.reads;
    const int64_t realStart = ftdimodel::ModelClock::realNs();
    const int64_t start = world.clock.peek();
    // The chip sends what it holds at the next frame, or once its latency
    // timer has run when it holds less than a packet.
    int64_t end = world.frameEnd(start);
    world.sendLatent(*d, end);
    const auto ready = [&](int64_t at) {
        return std::count_if(d->sampled.begin(), d->sampled.end(), [&](const auto& s) { return s.ns <= at; });
    };
    if (ready(end) < 62 && d->latencyMs > 1)
        end = world.frameEnd(start + int64_t{d->latencyMs - 1} * 1'000'000);
    int n = 0;
    while (n < size && !d->sampled.empty() && d->sampled.front().ns <= end) {
        buf[n++] = d->sampled.front().value;
        d->sampled.pop_front();
    }
    // Room in the receive FIFO: the clock goes on from the read's end.
    world.clockOut(*d, end);
    world.runMpsse(*d, end);
    world.clock.exclude(ftdimodel::ModelClock::realNs() - realStart);
    world.clock.advanceTo(end);
    return n;
}

const char* __wrap_ftdi_get_error_string(ftdi_context* ftdi)
{
    return ftdi ? ftdi->error_str : "";
}

} // extern "C"
