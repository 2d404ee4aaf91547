#include "FtdiLink.h"

#include <CableLevels.h>
#include <Counter.h>
#include <PortTrace.h>
#include <ProgrammerSettings.h>

#include <algorithm>
#include <utility>

namespace {

__extension__ typedef unsigned __int128 Wide;

} // namespace

FtdiLink::FtdiLink(FtdiPins pins, const ProgrammerSettings& settings, std::string tracePath)
    : pins_(std::move(pins)), settings_(settings), tracePath_(std::move(tracePath))
{
}

FtdiLink::~FtdiLink()
{
    Close();
}

std::string FtdiLink::Describe()
{
    ftdi::SeenDevice found;
    std::string why;
    if (cable_.isOpen())
        found = cable_.cable();
    else if (!FtdiCable::Find(pins_.serial, &found, &why))
        return why;
    const bool mpsse = FtdiCable::HasMpsse(found.product) && fitsMpsse();
    // The MPSSE's pins go by their port names too.
    const auto pin = [&](uint8_t bit) {
        return std::string(FtdiPinName(bit)) + (mpsse ? " (AD" + std::to_string(bit) + ")" : "");
    };
    const uint32_t hz = mpsseClock().hz();
    const std::string sck = hz >= 1000 ? std::to_string(hz / 1000) + " kHz" : std::to_string(hz) + " Hz";
    const std::string mode = mpsse ? "MPSSE at " + sck : std::string("synchronous bit-bang");
    return "FTDI cable " + ftdi::CableText(found) + " in " + mode + ": RST on " + pin(pins_.rst) + ", SCK on " +
           pin(pins_.sck) + ", MOSI on " + pin(pins_.mosi) + ", MISO on " + pin(pins_.miso);
}

bool FtdiLink::fitsMpsse() const
{
    // The MPSSE clocks SCK out of AD0, data out of AD1 and in from AD2; its
    // mode 0 has SCK resting low; its slowest SCK bounds the phases.
    return pins_.sck == 0 && pins_.mosi == 1 && pins_.miso == 2 && pins_.rst >= 3 && pins_.rst <= 7 &&
           !LevelsFromData(settings_.idleByte, settings_).sck &&
           std::max(settings_.upTimeUs, settings_.downTimeUs) * uint64_t{1000} <= MpsseClock::kLongestPhaseNs;
}

uint8_t FtdiLink::outputMask() const
{
    return static_cast<uint8_t>(PinMask(pins_.rst) | PinMask(pins_.sck) | PinMask(pins_.mosi));
}

bool FtdiLink::openCable(std::string* why)
{
    if (!cable_.open(pins_.serial, outputMask(), fitsMpsse(), why))
        return false;
    appliedRate_ = 0;
    mpsse_ = MpsseBuffer({settings_.idleByte, PinMask(settings_.clockPin), PinMask(settings_.dataPin),
                          LevelsFromData(settings_.idleByte, settings_).mosi});
    mpsseClocked_ = false;
    if (cable_.inMpsse())
        mpsse_.setUp();
    // Opened with the first cable, once the session's counter is the one
    // its stamps count on.
    if (!trace_ && !tracePath_.empty())
        trace_ = std::make_unique<PortTrace>(tracePath_);
    return true;
}

bool FtdiLink::PortReady(std::string* why)
{
    // Opened afresh for every job: a cable plugged in again is a new device.
    Close();
    failed_ = false;
    return openCable(why);
}

bool FtdiLink::ensureOpen()
{
    if (failed_)
        return false;
    if (cable_.isOpen())
        return true;
    std::string why;
    if (openCable(&why))
        return true;
    failed_ = true;
    fault(why);
    return false;
}

std::string FtdiLink::TakePortFault()
{
    std::string taken;
    taken.swap(fault_);
    return taken;
}

void FtdiLink::fault(const std::string& text)
{
    if (fault_.empty())
        fault_ = text;
}

void FtdiLink::Close()
{
    LeaveProgramming();
    samples_.clear();
    events_.clear();
    ins_.clear();
    mpsse_.clear();
    unread_ = 0;
    cable_.close(pins_.rst);
    if (trace_)
        trace_->flush();
}

std::string FtdiLink::TraceProblem() const
{
    return trace_ ? trace_->problem() : std::string();
}

int64_t FtdiLink::Now() const
{
    return currentCounter().now();
}

int64_t FtdiLink::Ticks(uint64_t ns)
{
    const int64_t f = currentCounter().frequency();
    const uint64_t perSecond = f > 0 ? static_cast<uint64_t>(f) : 1'000'000'000u;
    // Rounded up: a wait is a least time.
    return static_cast<int64_t>((Wide{ns} * perSecond + 999'999'999u) / 1'000'000'000u);
}

void FtdiLink::RefreshTimerFrequency()
{
    anchor_ = Now();
}

FtdiClock FtdiLink::clock() const
{
    // A setting below what the chip takes would clock it faster than it
    // allows: the longer of the two stands, as on the parallel port.
    const uint64_t shortest = shortestPhaseNs_;
    return FtdiClock::For(std::max<uint64_t>(settings_.upTimeUs * uint64_t{1000}, shortest),
                          std::max<uint64_t>(settings_.downTimeUs * uint64_t{1000}, shortest));
}

MpsseClock FtdiLink::mpsseClock() const
{
    // SCK's two halves are alike: each as long as the longer phase.
    return MpsseClock::For(std::max<uint64_t>(
        {settings_.upTimeUs * uint64_t{1000}, settings_.downTimeUs * uint64_t{1000}, uint64_t{shortestPhaseNs_}}));
}

void FtdiLink::SetShortestPhaseNs(uint32_t ns)
{
    shortestPhaseNs_ = ns;
}

FtdiClock FtdiLink::pace()
{
    if (cable_.inMpsse()) {
        // The clock changes between commands of one buffer.
        const MpsseClock sck = mpsseClock();
        if (!mpsseClocked_ || !(sck == mpsseClockSet_))
            mpsse_.setClock(sck);
        mpsseClockSet_ = sck;
        mpsseClocked_ = true;
    }
    const FtdiClock now = clock();
    if (!samples_.empty() && !(now == queuedClock_))
        flush();
    queuedClock_ = now;
    return now;
}

uint8_t FtdiLink::pinByte(uint8_t data) const
{
    const CableLevels levels = LevelsFromData(data, settings_);
    return static_cast<uint8_t>((levels.rst ? PinMask(pins_.rst) : 0) | (levels.sck ? PinMask(pins_.sck) : 0) |
                                (levels.mosi ? PinMask(pins_.mosi) : 0));
}

void FtdiLink::put(uint8_t data, uint32_t samples)
{
    if (cable_.inMpsse()) {
        mpsse_.setPins(pinByte(data), outputMask(), data);
        return;
    }
    events_.push_back({samples_.size(), 'W', data});
    samples_.insert(samples_.end(), samples, pinByte(data));
}

void FtdiLink::queueOut(uint8_t value)
{
    const FtdiClock c = pace();
    if (cable_.inMpsse()) {
        mpsse_.out(value);
        return;
    }
    const uint8_t idle = settings_.idleByte;
    const uint8_t clockMask = PinMask(settings_.clockPin);
    const uint8_t dataMask = PinMask(settings_.dataPin);
    for (int n = 7; n >= 0; --n) {
        // As the line driver: SCK falls with the next bit presented, which
        // the chip samples on the rise that follows.
        const uint8_t down = idle ^ (((value >> n) & 1) ? dataMask : 0);
        put(down, c.downSamples);
        put(down ^ clockMask, c.upSamples);
    }
    put(idle, c.downSamples);
}

size_t FtdiLink::queueIn()
{
    const FtdiClock c = pace();
    if (cable_.inMpsse())
        return mpsse_.in();
    const uint8_t idle = settings_.idleByte;
    std::array<size_t, 8> at{};
    for (size_t bit = 0; bit < 8; ++bit) {
        put(idle ^ PinMask(settings_.clockPin), c.upSamples);
        // The chip moves MISO only after SCK falls. In synchronous bit-bang
        // each byte's read-back is the inputs just before it took effect:
        // the byte that lowers SCK brings the level at the up phase's end.
        at[bit] = samples_.size();
        events_.push_back({samples_.size(), 'R', 0});
        put(idle, c.downSamples);
    }
    ins_.push_back(at);
    return ins_.size() - 1;
}

bool FtdiLink::flush()
{
    if (cable_.inMpsse())
        return flushMpsse();
    answers_.assign(ins_.size(), 0xFF);
    std::vector<uint8_t> out;
    out.swap(samples_);
    std::vector<Event> events;
    events.swap(events_);
    std::vector<std::array<size_t, 8>> ins;
    ins.swap(ins_);
    if (out.empty())
        return !failed_;
    if (!ensureOpen())
        return false;
    std::string why;
    if (queuedClock_.rate != appliedRate_) {
        if (!cable_.setRate(queuedClock_.rate, &why)) {
            failed_ = true;
            fault(why);
            return false;
        }
        appliedRate_ = queuedClock_.rate;
    }
    if (!drain())
        return false;
    // In chunks the FIFOs take, each read back before the next goes out.
    // A buffer with no answers in it (a write) is not waited on: the chip's
    // wait starts once its last chunk is surely through the pins, the cable
    // having taken it all, and its read-back comes in during that wait.
    const bool answered = !ins.empty();
    std::vector<uint8_t> back(out.size(), 0xFF);
    std::vector<int64_t> starts;
    for (size_t at = 0; at < out.size(); at += FtdiCable::kChunk) {
        const size_t n = std::min<size_t>(FtdiCable::kChunk, out.size() - at);
        const auto sent = std::span(out).subspan(at, n);
        const auto read = std::span(back).subspan(at, n);
        starts.push_back(Now());
        const bool last = at + n == out.size();
        if (!(last && !answered ? cable_.send(sent, read, &why) : cable_.transfer(sent, read, &why))) {
            failed_ = true;
            fault(why);
            return false;
        }
        if (last && !answered) {
            unread_ = n;
            // Taken by the cable, at most a FIFO's worth is still to go out,
            // at the pace set, give or take the cable's clock.
            anchor_ = Now() + Ticks(std::min<size_t>(n, FtdiCable::kTransmitFifo) * queuedClock_.periodPs() * 21 /
                                    20 / 1000);
        } else if (last) {
            anchor_ = Now();
        }
    }
    const auto miso = [&](size_t sample) { return ((back[sample] >> pins_.miso) & 1) != 0; };
    for (size_t i = 0; i < ins.size(); ++i) {
        uint8_t value = 0;
        for (size_t bit = 0; bit < 8; ++bit)
            value = static_cast<uint8_t>((value << 1) | (miso(ins[i][bit]) ? 1 : 0));
        answers_[i] = value;
    }
    if (trace_ && trace_->active()) {
        const uint64_t periodPs = queuedClock_.periodPs();
        for (const Event& e : events) {
            const size_t chunk = e.sample / FtdiCable::kChunk;
            const int64_t stamp = (chunk < starts.size() ? starts[chunk] : anchor_) +
                                  Ticks((e.sample % FtdiCable::kChunk) * periodPs / 1000);
            trace_->record(e.operation, e.operation == 'W' ? e.data : StatusFromMiso(miso(e.sample)), stamp);
        }
    }
    return true;
}

bool FtdiLink::flushMpsse()
{
    const std::vector<uint8_t> commands = mpsse_.commands();
    answers_.assign(mpsse_.answers(), 0xFF);
    if (mpsse_.empty() || failed_) {
        mpsse_.clear();
        return !failed_;
    }
    std::string why;
    uint8_t probe = 0;
    const int64_t start = Now();
    bool sent = cable_.send(commands, std::span(&probe, 1), &why);
    if (sent && !answers_.empty())
        sent = cable_.receive(answers_, &why);
    if (sent && !mpsse_.inStep(answers_)) {
        sent = false;
        why = ftdi::TransferText("MPSSE", "no 0xFA 0xAA back for a bad command: its answers are out of step");
    }
    if (!sent) {
        mpsse_.clear();
        answers_.assign(answers_.size(), 0xFF);
        failed_ = true;
        fault(why);
        return false;
    }
    // With answers, their read-back ends the buffer. Without, the cable
    // has taken it and clocks it yet: its whole length, give or take the
    // cable's clock, is still to run.
    anchor_ = answers_.empty() ? Now() + Ticks(mpsse_.lengthPs() * 21 / 20 / 1000) : Now();
    if (trace_ && trace_->active())
        for (const MpsseBuffer::Event& e : mpsse_.events())
            trace_->record(e.operation,
                           e.operation == 'W' ? e.data : StatusFromMiso(((answers_[e.answer] << e.bit) & 0x80) != 0),
                           start + Ticks(e.ps / 1000));
    mpsse_.clear();
    return true;
}

bool FtdiLink::drain()
{
    if (unread_ == 0)
        return !failed_;
    std::vector<uint8_t> back(unread_);
    unread_ = 0;
    std::string why;
    if (cable_.receive(back, &why))
        return true;
    failed_ = true;
    fault(why);
    return false;
}

uint8_t FtdiLink::answer(size_t slot) const
{
    // MISO idles high: a link that failed reads as no chip.
    return slot < answers_.size() ? answers_[slot] : 0xFF;
}

void FtdiLink::playSteps(std::span<const CableStep> steps)
{
    for (const CableStep& step : steps) {
        pace();
        put(step.data, 1);
        if (step.hold)
            DelayMicroseconds(step.holdUs);
    }
}

void FtdiLink::EnterProgramming()
{
    if (!ensureOpen())
        return;
    entered_ = true;
    playSteps(ResetPulse(settings_));
}

void FtdiLink::LeaveProgramming()
{
    if (!entered_)
        return;
    entered_ = false;
    playSteps(ReleaseSteps(settings_));
    flush();
    drain();
    // The cable is the system's again between jobs.
    cable_.close(pins_.rst);
    if (trace_)
        trace_->flush();
}

void FtdiLink::DelayMicroseconds(uint32_t us)
{
    // A link that failed has no chip to wait for.
    if (!flush())
        return;
    const int64_t until = anchor_ + Ticks(uint64_t{us} * 1000);
    waitedTicks_ += std::max<int64_t>(0, until - Now());
    if (!drain())
        return;
    while (Now() < until) {
    }
    // Waits with no buffer between them add up.
    anchor_ = until;
}

IspLink::Deadline FtdiLink::DeadlineAfter(uint32_t us)
{
    Deadline deadline;
    deadline.us = us;
    deadline.at = flush() ? anchor_ + Ticks(uint64_t{us} * 1000) : INT64_MIN;
    return deadline;
}

bool FtdiLink::Passed(Deadline& deadline)
{
    return Now() >= deadline.at;
}

void FtdiLink::ShiftOut(uint8_t value)
{
    queueOut(value);
}

uint8_t FtdiLink::ShiftIn()
{
    const size_t slot = queueIn();
    flush();
    return answer(slot);
}

uint8_t FtdiLink::Ask(const std::array<uint8_t, 3>& instruction)
{
    for (const uint8_t b : instruction)
        queueOut(b);
    const size_t slot = queueIn();
    flush();
    return answer(slot);
}

void FtdiLink::AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers)
{
    const size_t n = std::min(instructions.size(), answers.size());
    std::vector<size_t> slots;
    for (size_t i = 0; i < n; ++i) {
        for (const uint8_t b : instructions[i])
            queueOut(b);
        slots.push_back(queueIn());
    }
    flush();
    for (size_t i = 0; i < n; ++i)
        answers[i] = answer(slots[i]);
}

void FtdiLink::AskPage(const std::array<uint8_t, 2>& head, std::span<uint8_t> bytes)
{
    queueOut(head[0]);
    queueOut(head[1]);
    std::vector<size_t> slots;
    for (size_t i = 0; i < bytes.size(); ++i)
        slots.push_back(queueIn());
    flush();
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = answer(slots[i]);
}
