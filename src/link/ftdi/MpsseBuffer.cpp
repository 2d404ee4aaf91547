#include "MpsseBuffer.h"

namespace {

// FTDI's AN_108 opcodes. Bytes MSB first, out on SCK's falling edge; and
// in on its rising edge.
constexpr uint8_t kBytesOutFalling = 0x11;
constexpr uint8_t kBytesOutFallingInRising = 0x31;
constexpr uint8_t kSetLowByte = 0x80;
constexpr uint8_t kLoopbackOff = 0x85;
constexpr uint8_t kClockDivisor = 0x86;
constexpr uint8_t kSendImmediate = 0x87;
constexpr uint8_t kDivideBy5Off = 0x8A;
constexpr uint8_t kDivideBy5On = 0x8B;
constexpr uint8_t kThreePhaseOff = 0x8D;
constexpr uint8_t kAdaptiveOff = 0x97;
constexpr uint8_t kBadCommand = 0xFA;
constexpr uint8_t kBadOpcode = 0xAA;
constexpr size_t kLongestRun = 65536;

} // namespace

void MpsseBuffer::setUp()
{
    runOpcode_ = 0;
    commands_.insert(commands_.end(), {kAdaptiveOff, kThreePhaseOff, kLoopbackOff, kBadOpcode});
    echoAsked_ = true;
    echoAt_ = answers_;
    answers_ += 2;
}

bool MpsseBuffer::inStep(const std::vector<uint8_t>& answers) const
{
    return !echoAsked_ ||
           (answers.size() >= echoAt_ + 2 && answers[echoAt_] == kBadCommand && answers[echoAt_ + 1] == kBadOpcode);
}

void MpsseBuffer::setClock(MpsseClock clock)
{
    runOpcode_ = 0;
    halfPs_ = clock.halfPs();
    commands_.insert(commands_.end(), {clock.divideBy5 ? kDivideBy5On : kDivideBy5Off, kClockDivisor,
                                       static_cast<uint8_t>(clock.divisor), static_cast<uint8_t>(clock.divisor >> 8)});
}

void MpsseBuffer::setPins(uint8_t value, uint8_t direction, uint8_t data)
{
    runOpcode_ = 0;
    commands_.insert(commands_.end(), {kSetLowByte, value, direction});
    event('W', data);
}

void MpsseBuffer::clocked(uint8_t opcode, uint8_t value)
{
    size_t length = runOpcode_ == opcode ? (commands_[runLength_] | commands_[runLength_ + 1] << 8) + 1 : 0;
    if (runOpcode_ != opcode || length == kLongestRun) {
        commands_.insert(commands_.end(), {opcode, 0, 0});
        runOpcode_ = opcode;
        runLength_ = commands_.size() - 2;
        length = 0;
    }
    // The length is the count less one, low byte first.
    commands_[runLength_] = static_cast<uint8_t>(length);
    commands_[runLength_ + 1] = static_cast<uint8_t>(length >> 8);
    commands_.push_back(lines_.mosiInverted ? static_cast<uint8_t>(~value) : value);
}

void MpsseBuffer::out(uint8_t value)
{
    clocked(kBytesOutFalling, value);
    // Each bit: presented with SCK low, which rises half a period later; the
    // next bit comes with SCK's fall.
    for (int n = 7; n >= 0; --n) {
        const uint8_t down = lines_.idle ^ (((value >> n) & 1) ? lines_.dataMask : 0);
        event('W', down);
        nowPs_ += halfPs_;
        event('W', down ^ lines_.clockMask);
        nowPs_ += halfPs_;
    }
    event('W', lines_.idle);
}

uint32_t MpsseBuffer::in()
{
    // MOSI held at its rest level while the chip answers.
    clocked(kBytesOutFallingInRising, 0x00);
    const uint32_t answer = answers_++;
    for (int bit = 0; bit < 8; ++bit) {
        nowPs_ += halfPs_;
        // MISO sampled as SCK rises.
        event('W', lines_.idle ^ lines_.clockMask);
        event('R', 0, answer, bit);
        nowPs_ += halfPs_;
        event('W', lines_.idle);
    }
    return answer;
}

void MpsseBuffer::event(char operation, uint8_t data, uint32_t answer, int bit)
{
    events_.push_back({nowPs_, operation, data, answer, bit});
}

std::vector<uint8_t> MpsseBuffer::commands() const
{
    std::vector<uint8_t> all = commands_;
    if (answers_ > 0)
        all.push_back(kSendImmediate);
    return all;
}

void MpsseBuffer::clear()
{
    commands_.clear();
    events_.clear();
    nowPs_ = 0;
    answers_ = 0;
    echoAsked_ = false;
    runOpcode_ = 0;
}
