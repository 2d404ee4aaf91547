// The MPSSE of an FT232H or FT2232H, from FTDI's AN_108 ("Command Processor
// for MPSSE and MCU Host Bus Emulation Modes"): the commands a serial flash
// or an ISP link needs; any other opcode is refused with 0xFA and the opcode.
#include "FtdiWorld.h"

#include <algorithm>

namespace ftdimodel {

namespace {

constexpr uint8_t kModeMpsse = 0x02;
constexpr uint8_t kSck = 1 << 0; // AD0: TCK/SK
constexpr uint8_t kDo = 1 << 1;  // AD1: TDI/DO
constexpr int kDiBit = 2;        // AD2: TDO/DI

// The bytes a command takes, opcode included, once its header is in; 0: not yet known.
size_t CommandSize(const std::deque<uint8_t>& p)
{
    switch (p[0]) {
    case 0x80:
    case 0x86: return 3;
    case 0x11:
    case 0x31: return p.size() < 3 ? 0 : 3 + (p[1] | p[2] << 8) + 1;
    default: return 1;
    }
}

bool Known(uint8_t opcode)
{
    constexpr uint8_t kKnown[] = {0x80, 0x86, 0x11, 0x31, 0x85, 0x87, 0x8A, 0x8B, 0x8D, 0x97};
    return std::find(std::begin(kKnown), std::end(kKnown), opcode) != std::end(kKnown);
}

} // namespace

void FtdiWorld::sendLatent(FtdiDevice& d, int64_t ns)
{
    while (!d.unsent.empty() && d.unsent.front().ns + int64_t{d.latencyMs} * 1'000'000 <= ns) {
        d.sampled.push_back({d.unsent.front().ns + int64_t{d.latencyMs} * 1'000'000, d.unsent.front().value});
        d.unsent.pop_front();
    }
}

void FtdiWorld::runMpsse(FtdiDevice& d, int64_t fromNs, std::vector<int64_t>* taken)
{
    if (d.mode != kModeMpsse)
        return;
    int64_t ps = std::max(d.clockFreePs, fromNs * 1000);
    const auto take = [&] {
        const uint8_t byte = d.pending.front();
        d.pending.pop_front();
        if (taken)
            taken->push_back(ps / 1000);
        return byte;
    };
    const auto pins = [&](uint8_t set, uint8_t mask) {
        d.latch = static_cast<uint8_t>((d.latch & ~mask) | set);
        drivePins(d, ps / 1000);
    };
    while (!d.pending.empty()) {
        const size_t size = CommandSize(d.pending);
        // A command is run once all of it is in.
        if (size == 0 || d.pending.size() < size)
            break;
        const uint8_t opcode = d.pending[0];
        const size_t answered = opcode == 0x31 ? size - 3 : Known(opcode) ? 0 : 2;
        // With its buffer to the host full, the MPSSE waits for a read.
        if (answered > 0 && d.sampled.size() + d.unsent.size() + answered > static_cast<size_t>(kMpsseFifo))
            break;
        take();
        switch (opcode) {
        case 0x80: {
            const uint8_t value = take();
            d.outputs = take();
            pins(value, 0xFF);
            break;
        }
        case 0x86:
            d.divisor = take();
            d.divisor = static_cast<uint16_t>(d.divisor | take() << 8);
            break;
        case 0x8A: d.divideBy5 = false; break;
        case 0x8B: d.divideBy5 = true; break;
        case 0x85: // loopback off
        case 0x8D: // three-phase clocking off
        case 0x97: // adaptive clocking off
            break;
        case 0x87:
            for (const FtdiDevice::Sample& s : d.unsent)
                d.sampled.push_back({ps / 1000, s.value});
            d.unsent.clear();
            break;
        case 0x11:
        case 0x31: {
            take();
            take();
            const int64_t halfPs = (int64_t{d.divisor} + 1) * (d.divideBy5 ? 250'000 : 50'000) / 3;
            for (size_t n = 3; n < size; ++n) {
                const uint8_t out = take();
                uint8_t in = 0;
                // Mode 0, MSB first: each bit out with SCK low (changing as
                // it falls), MISO in as it rises.
                for (int bit = 7; bit >= 0; --bit) {
                    pins((out >> bit) & 1 ? kDo : 0, kDo);
                    ps += halfPs;
                    const bool miso = d.chip && d.misoBit == kDiBit ? d.chip->miso(ps / 1000) : true;
                    in = static_cast<uint8_t>(in << 1 | (miso ? 1 : 0));
                    pins(kSck, kSck);
                    ps += halfPs;
                    pins(0, kSck);
                }
                if (opcode == 0x31)
                    d.unsent.push_back({ps / 1000, in});
            }
            break;
        }
        default:
            d.unsent.push_back({ps / 1000, 0xFA});
            d.unsent.push_back({ps / 1000, opcode});
            break;
        }
    }
    d.clockFreePs = ps;
}

} // namespace ftdimodel
