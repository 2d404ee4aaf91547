#pragma once

// What the line protocol costs in microseconds, phase by phase, given the
// settings and the time one port access takes. With an access time of 0 it
// is the mandated waits; otherwise the floor the accesses impose: each phase
// lasts the larger of its wait and the accesses inside it.
#include <ProgrammerSettings.h>

#include <algorithm>

class LineModel {
public:
    LineModel(const ProgrammerSettings& s, double accessUs) : s_(s), a_(accessUs) {}

    // One write, then its wait.
    double phase(double waitUs, int accesses = 1) const { return std::max(waitUs, accesses * a_); }
    // Eight (down, up) pairs and the 2 us tail.
    double byteOut() const { return 8 * (phase(s_.downTimeUs) + phase(s_.upTimeUs)) + phase(2); }
    // Eight (up with its status read, down) pairs.
    double byteIn() const { return 8 * (phase(s_.upTimeUs, 2) + phase(s_.downTimeUs)); }
    double enter() const { return phase(12000) + phase(1000) + phase(s_.resetTimeUs); }
    double leave() const { return 3 * phase(1000) + a_; }
    // Enter, programming enable, ..., leave.
    double bracket() const { return enter() + 3 * byteOut() + leave(); }
    double readInstruction() const { return 2 * byteOut() + byteIn(); }
    double writeInstruction() const { return 3 * byteOut(); }

private:
    const ProgrammerSettings& s_;
    double a_;
};
