#pragma once

// What the line protocol costs in microseconds, phase by phase, given the
// settings and the time one port access takes. With an access time of 0 it
// is the mandated waits; otherwise the floor the accesses impose. A wait
// counts from the end of the access that changed the line, so each phase is
// its access and its wait; a status read sits inside an up phase, from where
// SCK has been up its time counted from the start of the rise.
#include <CrystalTiming.h>
#include <ProgrammerSettings.h>

#include <algorithm>

class LineModel {
public:
    LineModel(const ProgrammerSettings& s, double accessUs)
        : s_(s), a_(accessUs), up_(Phase(s.upTimeUs, s)), down_(Phase(s.downTimeUs, s))
    {
    }

    // One write, then its wait.
    double phase(double waitUs) const { return a_ + waitUs; }
    // Eight (down, up) pairs, and the low phase that puts MOSI back to rest.
    double byteOut() const { return 8 * (phase(down_) + phase(up_)) + phase(down_); }
    // Eight (up with its status read, down) pairs.
    double byteIn() const { return 8 * (phase(up_) + phase(down_)); }
    double enter() const { return phase(12000) + phase(1000) + phase(s_.resetTimeUs); }
    double leave() const { return 3 * phase(1000) + a_; }
    // Enter, programming enable, ..., leave.
    double bracket() const { return enter() + 3 * byteOut() + leave(); }
    double readInstruction() const { return 2 * byteOut() + byteIn(); }
    double writeInstruction() const { return 3 * byteOut(); }

private:
    // A setting, or the selected chip's shortest phase where that is longer.
    static double Phase(uint32_t settingUs, const ProgrammerSettings& s)
    {
        return std::max<double>(settingUs, ShortestPhaseNs(s) / 1000.0);
    }

    const ProgrammerSettings& s_;
    double a_;
    double up_;
    double down_;
};
