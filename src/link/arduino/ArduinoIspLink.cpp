#include "ArduinoIspLink.h"

#include "FindSketch.h"
#include "Stk500.h"

#include <algorithm>
#include <thread>

namespace {

using namespace std::chrono;

// The sketch decides RST's polarity by this code alone: from 0xE0 up it
// drives RST high to program (AT89), below it low (AVR).
constexpr uint8_t kAt89DeviceCode = 0xE0;

// From the arrival of a universal command's fourth instruction byte to the
// end of its SPI transfer at the sketch, at the longest: the stock sketch
// on a 16 MHz AVR clocks SPI at 125 kHz (1 MHz / 6 asked, the next divider
// down), 32 bits in 256 us, and reads the byte at once; so with room to spare.
constexpr auto kSketchInstruction = microseconds(500);
// A universal command's fourth byte to the next one's: its CRC_EOP, then
// the next command's 'V' and four bytes.
constexpr int kBytesBetweenInstructions = 6;
// Past this many syncs a wait costs more line time than a reply's turn.
constexpr int kMostSyncsForAWait = 8;
// Syncs sent at once to see whether a UART paces the line.
constexpr int kPaceSyncs = 20;

} // namespace

ArduinoIspLink::ArduinoIspLink(std::string device, uint32_t baud)
    : device_(std::move(device)), baud_(baud == 0 ? kDefaultBaud : baud), channel_(port_, baud_)
{
}

ArduinoIspLink::~ArduinoIspLink()
{
    Close();
}

std::string ArduinoIspLink::Describe()
{
    return "Arduino as ISP on " + device_ + " at " + std::to_string(baud_) + " baud";
}

bool ArduinoIspLink::PortReady(std::string* why)
{
    if (usable())
        return true;
    std::string problem;
    if (connect(&problem))
        return true;
    if (why)
        *why = "Arduino as ISP: " + problem;
    return false;
}

bool ArduinoIspLink::connect(std::string* why)
{
    Close();
    if (!port_.open(device_, baud_, why))
        return false;
    port_.pulseReset();
    if (!FindSketch(port_, device_, baud_, why)) {
        port_.close();
        return false;
    }
    channel_.restart();
    connected_ = true;
    misuse_.clear();
    waitsOnTheLine_ = channel_.lineTime(kBytesBetweenInstructions) >= kSketchInstruction && linePaced();
    if (waitsOnTheLine_)
        channel_.widenWindow();
    setDevice();
    // Out of any programming mode an earlier program left it in (a board
    // whose auto-reset is disabled keeps it), now with RST's polarity known.
    channel_.send({stk::kLeaveProgMode, stk::kEop});
    if (!channel_.drain()) {
        *why = faultText();
        Close();
        return false;
    }
    waitEnd_ = channel_.lastReply();
    return true;
}

bool ArduinoIspLink::linePaced()
{
    // Over a UART the syncs and their answers take (2n + 2) byte times at
    // the least; a sketch that reads native USB (Leonardo, Micro) answers
    // them all far sooner, and there no line time separates instructions.
    const auto start = Clock::now();
    for (int i = 0; i < kPaceSyncs; ++i)
        channel_.send({stk::kGetSync, stk::kEop});
    return channel_.drain() && Clock::now() - start >= channel_.lineTime(2 * kPaceSyncs + 2) * 9 / 10;
}

void ArduinoIspLink::setDevice()
{
    // The sketch keeps only the device code (and the page size, for its own
    // page commands, which are not used).
    uint8_t command[22] = {stk::kSetDevice, kAt89DeviceCode};
    command[21] = stk::kEop;
    channel_.send(command, sizeof command, 0, nullptr);
}

std::string ArduinoIspLink::faultText() const
{
    switch (channel_.fault()) {
    case StkChannel::Fault::Gone:
        return device_ +
               " went away during the job (the board unplugged or reset): the job did not finish. Plug it back in "
               "and run the job again.";
    case StkChannel::Fault::Silent:
        return "the sketch on " + device_ +
               " stopped answering during the job: the job did not finish. Check the board and its USB cable, then "
               "run the job again.";
    case StkChannel::Fault::OutOfStep:
        return "the sketch on " + device_ +
               " answered out of step: the job did not finish. Run it again; if this repeats, check that no other "
               "program uses " + device_ + ".";
    case StkChannel::Fault::None:
        break;
    }
    return {};
}

std::string ArduinoIspLink::TakePortFault()
{
    std::string fault = misuse_;
    misuse_.clear();
    // A line that failed is let go; the next job reaches the board afresh.
    if (connected_ && channel_.fault() != StkChannel::Fault::None) {
        fault = "Arduino as ISP: " + faultText();
        port_.close();
        connected_ = false;
    }
    return fault;
}

void ArduinoIspLink::Close()
{
    if (usable() && programming_)
        LeaveProgramming();
    port_.close();
    connected_ = false;
    programming_ = false;
}

void ArduinoIspLink::EnterProgramming()
{
    if (!usable())
        return;
    settleOwed();
    // The sketch pulses reset only when it enters from outside programming mode.
    if (programming_)
        channel_.send({stk::kLeaveProgMode, stk::kEop});
    channel_.send({stk::kEnterProgMode, stk::kEop});
    channel_.drain();
    programming_ = true;
}

void ArduinoIspLink::LeaveProgramming()
{
    if (!usable())
        return;
    settleOwed();
    channel_.send({stk::kLeaveProgMode, stk::kEop});
    channel_.drain();
    programming_ = false;
}

void ArduinoIspLink::universal(const std::array<uint8_t, 4>& i, uint8_t* answer)
{
    if (!usable()) {
        if (answer)
            *answer = 0xFF;
        return;
    }
    channel_.send({stk::kUniversal, i[0], i[1], i[2], i[3], stk::kEop}, 1, answer);
    // Whatever wait went as line time before it is over at the chip by now.
    owedUs_ = 0;
}

void ArduinoIspLink::Send(const std::array<uint8_t, 4>& instruction)
{
    universal(instruction, nullptr);
}

uint8_t ArduinoIspLink::Ask(const std::array<uint8_t, 3>& instruction)
{
    uint8_t answer = 0xFF;
    universal({instruction[0], instruction[1], instruction[2], 0x00}, &answer);
    channel_.drain();
    return answer;
}

void ArduinoIspLink::AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers)
{
    const size_t n = std::min(instructions.size(), answers.size());
    for (size_t k = 0; k < n; ++k)
        universal({instructions[k][0], instructions[k][1], instructions[k][2], 0x00}, &answers[k]);
    channel_.drain();
}

int ArduinoIspLink::syncsToCover(uint32_t us) const
{
    // The next instruction reaches the chip no sooner than the bytes between
    // take on the line, less what the sketch may still spend on this one.
    const auto byte = channel_.lineTime(1);
    const auto needed = microseconds(us) + kSketchInstruction;
    const auto bytes = static_cast<int>((needed + byte - Clock::duration(1)) / byte) - kBytesBetweenInstructions;
    return std::max(0, (bytes + 1) / 2);
}

void ArduinoIspLink::DelayMicroseconds(uint32_t us)
{
    if (!usable() || us == 0)
        return;
    if (!channel_.idle() && waitsOnTheLine_ && syncsToCover(us) <= kMostSyncsForAWait) {
        for (int k = syncsToCover(us); k > 0; --k)
            channel_.send({stk::kGetSync, stk::kEop});
        owedUs_ += us;
        return;
    }
    waitFromLastReply(us);
}

void ArduinoIspLink::waitFromLastReply(uint32_t us)
{
    channel_.drain();
    // Waits with nothing sent between them add up.
    const auto end = std::max(channel_.lastReply(), waitEnd_) + microseconds(us);
    std::this_thread::sleep_until(end);
    waitEnd_ = end;
    owedUs_ = 0;
}

void ArduinoIspLink::settleOwed()
{
    if (owedUs_ > 0)
        waitFromLastReply(owedUs_);
}

IspLink::Deadline ArduinoIspLink::DeadlineAfter(uint32_t us)
{
    Deadline d;
    d.us = us;
    auto from = Clock::now();
    if (usable()) {
        settleOwed();
        channel_.drain();
        from = std::max(channel_.lastReply(), waitEnd_);
    }
    d.at = duration_cast<nanoseconds>((from + microseconds(us)).time_since_epoch()).count();
    return d;
}

bool ArduinoIspLink::Passed(Deadline& deadline)
{
    return duration_cast<nanoseconds>(Clock::now().time_since_epoch()).count() >= deadline.at;
}

void ArduinoIspLink::ShiftOut(uint8_t)
{
    if (misuse_.empty())
        misuse_ = Describe() + " carries whole four-byte instructions, not single bytes: the job did not finish.";
}

uint8_t ArduinoIspLink::ShiftIn()
{
    ShiftOut(0);
    return 0xFF;
}
