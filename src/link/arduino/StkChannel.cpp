#include "StkChannel.h"

#include "SerialPort.h"
#include "Stk500.h"

#include <algorithm>

namespace {

using namespace std::chrono;

// Beyond the line time of what is in flight: the slowest command (Enter
// Programming Mode, 70 ms of the sketch's delays) and a USB-serial adapter's
// latency (an FTDI's timer holds a short reply up to 16 ms), many times over.
constexpr auto kReplyTimeout = milliseconds(1000);

} // namespace

StkChannel::StkChannel(SerialPort& port, uint32_t baud) : port_(port), baud_(baud == 0 ? 1 : baud) {}

void StkChannel::restart()
{
    pending_.clear();
    inFlight_ = 0;
    window_ = kWindowBytes;
    received_.clear();
    fault_ = Fault::None;
    lastReply_ = Clock::now();
}

StkChannel::Clock::duration StkChannel::lineTime(int bytes) const
{
    // A start bit, eight data bits and a stop bit each.
    return duration_cast<Clock::duration>(nanoseconds(int64_t{bytes} * 10 * 1'000'000'000 / baud_));
}

void StkChannel::failWith(Fault fault)
{
    if (fault_ == Fault::None)
        fault_ = fault;
    for (const Pending& p : pending_) {
        if (p.answer)
            std::fill_n(p.answer, p.answerBytes, 0xFF);
    }
    pending_.clear();
    inFlight_ = 0;
}

void StkChannel::send(std::initializer_list<uint8_t> command, int answerBytes, uint8_t* answer)
{
    send(command.begin(), static_cast<int>(command.size()), answerBytes, answer);
}

void StkChannel::send(const uint8_t* command, int count, int answerBytes, uint8_t* answer)
{
    while (fault_ == Fault::None && !pending_.empty() && inFlight_ + count > window_)
        receiveOne();
    if (fault_ == Fault::None && !port_.writeAll(command, static_cast<size_t>(count), 1000))
        failWith(port_.failed() ? Fault::Gone : Fault::Silent);
    if (fault_ != Fault::None) {
        if (answer)
            std::fill_n(answer, answerBytes, 0xFF);
        return;
    }
    pending_.push_back({answerBytes, answer, count});
    inFlight_ += count;
}

bool StkChannel::drain()
{
    while (fault_ == Fault::None && !pending_.empty())
        receiveOne();
    return fault_ == Fault::None;
}

bool StkChannel::receiveOne()
{
    const Pending p = pending_.front();
    const size_t need = static_cast<size_t>(p.answerBytes) + 2;
    const auto deadline = Clock::now() + kReplyTimeout + 2 * lineTime(inFlight_ + 3 * static_cast<int>(pending_.size()));
    while (received_.size() < need) {
        // A reply out of step shows in its first byte; waiting for more would not mend it.
        if (!received_.empty() && received_[0] != stk::kInSync) {
            failWith(Fault::OutOfStep);
            return false;
        }
        const auto left = duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            failWith(Fault::Silent);
            return false;
        }
        uint8_t chunk[256];
        const long n = port_.readSome(chunk, sizeof chunk, static_cast<int>(left) + 1);
        if (n < 0) {
            failWith(Fault::Gone);
            return false;
        }
        received_.insert(received_.end(), chunk, chunk + n);
    }
    if (received_[0] != stk::kInSync || received_[need - 1] != stk::kOk) {
        failWith(Fault::OutOfStep);
        return false;
    }
    if (p.answer)
        std::copy_n(received_.begin() + 1, p.answerBytes, p.answer);
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(need));
    pending_.pop_front();
    inFlight_ -= p.sent;
    lastReply_ = Clock::now();
    return true;
}
