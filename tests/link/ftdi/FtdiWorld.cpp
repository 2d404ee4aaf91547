#include "FtdiWorld.h"


#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ftdimodel {

FtdiWorld::FtdiWorld() = default;
FtdiWorld::~FtdiWorld() = default;

FtdiWorld& World()
{
    static FtdiWorld world;
    return world;
}

void FtdiWorld::reset()
{
    devices.clear();
    clock.useRealTime(false);
    frameNs = 1'000'000;
    writes = 0;
    reads = 0;
    bytesWritten = 0;
    ownChip_.reset();
    configured_ = true;
}

FtdiDevice& FtdiWorld::plug(uint16_t product, std::string serial, sim::IspChip* chip)
{
    auto device = std::make_unique<FtdiDevice>();
    device->product = product;
    device->serial = std::move(serial);
    device->chip = chip;
    if (product == 0x6014)
        device->description = "Single RS232-HS";
    else if (product == 0x6010)
        device->description = "Dual RS232-HS";
    // Plugged in, the cable is a serial port: its idle levels reach the chip.
    drivePins(*device, clock.peek());
    devices.push_back(std::move(device));
    return *devices.back();
}

int64_t FtdiWorld::frameEnd(int64_t ns) const
{
    return frameNs > 0 ? (ns / frameNs + 1) * frameNs : ns;
}

void FtdiWorld::drivePins(FtdiDevice& d, int64_t ns)
{
    if (!d.chip)
        return;
    // In bit-bang the output bits follow the latch and input pins float
    // high; as a serial port TXD idles high, RTS# and DTR# are low while
    // asserted, and the rest are inputs.
    uint8_t levels = 0xFF;
    if (d.mode != 0)
        levels = static_cast<uint8_t>((d.latch & d.outputs) | ~d.outputs);
    else
        levels = static_cast<uint8_t>(~((d.rts ? 1 << 2 : 0) | (d.dtr ? 1 << 4 : 0)));
    const auto pin = [&](int bit) { return ((levels >> bit) & 1) != 0; };
    d.chip->drive(pin(d.rstBit), pin(d.sckBit), pin(d.mosiBit), ns);
}

void FtdiWorld::clockOut(FtdiDevice& d, int64_t fromNs)
{
    if (d.mode != 4 || d.eighths == 0)
        return;
    // A byte lasts 4 baud-generator cycles: libftdi asked for 4 times the
    // rate, so that the byte rate is the rate asked for.
    const int64_t periodPs = int64_t{d.eighths} * 1'000'000 / 6;
    int64_t ps = std::max(d.clockFreePs, fromNs * 1000);
    while (!d.pending.empty() && static_cast<int>(d.sampled.size()) < kReceiveFifo) {
        const int64_t ns = ps / 1000;
        const uint8_t inputs = d.chip && !d.chip->miso(ns) ? static_cast<uint8_t>(~(1 << d.misoBit)) : 0xFF;
        d.sampled.push_back({ns, static_cast<uint8_t>((d.latch & d.outputs) | (inputs & ~d.outputs))});
        d.latch = d.pending.front();
        d.pending.pop_front();
        drivePins(d, ns);
        ps += periodPs;
    }
    d.clockFreePs = ps;
}

void FtdiWorld::configureFromEnvironment()
{
    if (configured_)
        return;
    configured_ = true;
    const char* text = std::getenv("VORLANE_FTDI_MODEL");
    if (!text || !*text)
        return;
    const std::string model = text;
    const auto colon = model.find(':');
    // "s52@ft232h": an FT232H with the chip's MISO on AD2, its MPSSE's input.
    const std::string cable = model.substr(0, colon);
    const auto at = cable.find('@');
    const bool ft232h = at != std::string::npos && cable.substr(at + 1) == "ft232h";
    const std::string chip = cable.substr(0, at);
    sim::IspChip& socket = ownChip_.make(chip, colon == std::string::npos ? "" : model.substr(colon + 1), "ftdi model");
    plug(ft232h ? 0x6014 : 0x6001, "VL000001", &socket).misoBit = ft232h ? 2 : 3;
}

void FtdiWorld::save()
{
    ownChip_.save();
}

} // namespace ftdimodel
