#include "ArduinoIspModel.h"

#include <IspChip.h>

// termios2: the host's baud rate as the pseudo-terminal keeps it.
#include <asm/termbits.h>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr uint8_t kOk = 0x10;
constexpr uint8_t kInSync = 0x14;
constexpr uint8_t kNoSync = 0x15;
constexpr uint8_t kUnknown = 0x12;
constexpr uint8_t kEop = 0x20;

constexpr size_t kRxHeld = 63;   // SERIAL_RX_BUFFER_SIZE 64, a ring
constexpr size_t kTxBuffer = 64; // SERIAL_TX_BUFFER_SIZE
// Hardware SPI at 125 kHz: half a bit is 4 us; between bytes the sketch
// loads the next one.
constexpr int64_t kHalfBitNs = 4'000;
constexpr int64_t kBetweenBytesNs = 1'000;
constexpr int64_t kMs = 1'000'000;

} // namespace

ArduinoIspModel::ArduinoIspModel(sim::IspChip& chip, Board board, std::function<bool(int64_t)> busy)
    : chip_(chip), board_(board), busy_(std::move(busy))
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        std::abort();
    device_ = ptsname(master_);
    epoch_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                 std::chrono::steady_clock::now().time_since_epoch()).count();
    byteNs_ = board_.uart ? int64_t{10} * 1'000'000'000 / board_.baud : 0;
    thread_ = std::thread(&ArduinoIspModel::run, this);
}

ArduinoIspModel::~ArduinoIspModel()
{
    stop_ = true;
    thread_.join();
    if (master_ >= 0)
        close(master_);
}

std::string ArduinoIspModel::unexpected() const
{
    std::lock_guard lock(mutex_);
    return unexpected_;
}

int64_t ArduinoIspModel::realNow() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count() - epoch_;
}

void ArduinoIspModel::run()
{
    bool powered = false;
    try {
        for (;;) {
            awaitOpen();
            try {
                if (board_.resetsOnOpen || !powered)
                    board();
                powered = true;
                while (!board_.runsSketch) {
                    pump(realNow() + 20 * kMs);
                    arriving_.clear();
                }
                for (;;)
                    command();
            } catch (const Closed&) {
                // The port closed: what was on its way goes nowhere.
                arriving_.clear();
                leaving_.clear();
                departures_.clear();
            }
        }
    } catch (const Stop&) {
    }
}

void ArduinoIspModel::board()
{
    ++resets_;
    rstDriven_ = spiOn_ = programming_ = rstActiveHigh_ = false;
    pins();
    ring_.clear();
    // The bootloader: what arrives is not the sketch's, and one at another
    // baud rate answers with bytes the host cannot read.
    now_ = std::max(now_, realNow());
    const int64_t bootEnd = now_ + board_.bootloaderNs;
    int heard = 0;
    for (;;) {
        while (!arriving_.empty() && arriving_.front().first <= bootEnd) {
            now_ = std::max(now_, arriving_.front().first);
            arriving_.pop_front();
            if (++heard % 2 == 0)
                putch(0x00);
        }
        if (realNow() >= bootEnd)
            break;
        pump(bootEnd);
    }
    // setup(): the LEDs pulsed while bytes wait in the ring.
    now_ = std::max(now_, bootEnd) + board_.setupNs;
}

void ArduinoIspModel::awaitOpen()
{
    for (;;) {
        if (stop_)
            throw Stop{};
        pollfd p{master_, POLLIN, 0};
        poll(&p, 1, 0);
        if (!(p.revents & POLLHUP))
            return;
        usleep(2000);
    }
}

bool ArduinoIspModel::baudMatches() const
{
    termios2 t{};
    return ioctl(master_, TCGETS2, &t) == 0 && t.c_ospeed == board_.baud;
}

void ArduinoIspModel::receive(const uint8_t* bytes, long n, int64_t at)
{
    const bool garbled = board_.uart && !baudMatches();
    for (long i = 0; i < n; ++i) {
        // The line carries one byte after another from when it was sent.
        const int64_t arrival = std::max(at + board_.usbLatencyNs, lastArrival_) + byteNs_;
        lastArrival_ = arrival;
        arriving_.emplace_back(arrival, garbled ? static_cast<uint8_t>(~bytes[i]) : bytes[i]);
    }
}

void ArduinoIspModel::deliver()
{
    uint8_t due[256];
    size_t n = 0;
    const int64_t real = realNow();
    while (n < sizeof due && n < leaving_.size() && leaving_[n].first <= real) {
        due[n] = leaving_[n].second;
        ++n;
    }
    const ssize_t written = n > 0 ? write(master_, due, n) : 0;
    for (ssize_t k = 0; k < written; ++k)
        leaving_.pop_front();
}

void ArduinoIspModel::pump(int64_t waitUntilReal)
{
    if (stop_)
        throw Stop{};
    deliver();
    int64_t wake = waitUntilReal;
    if (!leaving_.empty())
        wake = std::min(wake, leaving_.front().first);
    const int64_t waitNs = std::clamp<int64_t>(wake - realNow(), 0, 20 * kMs);
    const timespec timeout{0, static_cast<long>(waitNs)};
    pollfd p{master_, POLLIN, 0};
    ppoll(&p, 1, &timeout, nullptr);
    if (p.revents & POLLHUP)
        throw Closed{};
    if (p.revents & POLLIN) {
        uint8_t bytes[4096];
        const ssize_t n = read(master_, bytes, sizeof bytes);
        if (n > 0)
            receive(bytes, n, realNow());
    }
    deliver();
}

void ArduinoIspModel::receiveInterrupts()
{
    // The receive interrupt keeps what arrived by now, in order, while the
    // ring has room.
    while (!arriving_.empty() && arriving_.front().first <= now_) {
        if (ring_.size() < kRxHeld)
            ring_.push_back(arriving_.front().second);
        else
            ++overruns_;
        arriving_.pop_front();
    }
}

uint8_t ArduinoIspModel::getch()
{
    for (;;) {
        pump(0);
        receiveInterrupts();
        if (!ring_.empty()) {
            const uint8_t b = ring_.front();
            ring_.pop_front();
            return b;
        }
        if (!arriving_.empty())
            now_ = std::max(now_, arriving_.front().first);
        else
            pump(realNow() + 20 * kMs);
    }
}

void ArduinoIspModel::fill(uint8_t* into, int n)
{
    for (int i = 0; i < n; ++i)
        into[i] = getch();
}

void ArduinoIspModel::putch(uint8_t b)
{
    while (!departures_.empty() && departures_.front() <= now_)
        departures_.pop_front();
    if (departures_.size() >= kTxBuffer) {
        now_ = departures_.front();
        departures_.pop_front();
    }
    const int64_t departure = std::max(now_, lastDeparture_) + byteNs_;
    lastDeparture_ = departure;
    departures_.push_back(departure);
    const bool garbled = board_.uart && !baudMatches();
    leaving_.emplace_back(departure + board_.usbLatencyNs, garbled ? static_cast<uint8_t>(~b) : b);
}

void ArduinoIspModel::reply(std::initializer_list<uint8_t> middle)
{
    if (getch() != kEop) {
        putch(kNoSync);
        return;
    }
    putch(kInSync);
    for (const uint8_t b : middle)
        putch(b);
    putch(kOk);
}

void ArduinoIspModel::pins()
{
    // A released RST is held low by the target board's reset resistor;
    // SCK and MOSI released drive nothing.
    chip_.drive(rstDriven_ && rstLevel_, spiOn_ && sck_, spiOn_ && mosi_, now_);
}

void ArduinoIspModel::resetTarget(bool reset)
{
    rstDriven_ = true;
    rstLevel_ = reset == rstActiveHigh_;
    pins();
}

uint8_t ArduinoIspModel::spi(uint8_t out)
{
    // Mode 0, MSB first: MOSI set while SCK is low, both sides sample on the
    // rising edge, the chip moves MISO after the falling one.
    uint8_t in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        mosi_ = (out >> bit) & 1;
        sck_ = false;
        pins();
        now_ += kHalfBitNs;
        sck_ = true;
        pins();
        in = static_cast<uint8_t>(in << 1 | (chip_.miso(now_) ? 1 : 0));
        now_ += kHalfBitNs;
        sck_ = false;
        pins();
    }
    now_ += kBetweenBytesNs;
    return in;
}

void ArduinoIspModel::noteDisturbance()
{
    if (busy_ && busy_(now_))
        ++disturbances_;
}

uint8_t ArduinoIspModel::transaction(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    noteDisturbance();
    spi(a);
    spi(b);
    spi(c);
    return spi(d);
}

void ArduinoIspModel::startProgramming()
{
    resetTarget(true);
    spiOn_ = true;
    sck_ = mosi_ = false;
    pins();
    now_ += 20 * kMs;
    resetTarget(false);
    now_ += 100'000;
    resetTarget(true);
    now_ += 50 * kMs;
    transaction(0xAC, 0x53, 0x00, 0x00);
    programming_ = true;
}

void ArduinoIspModel::endProgramming()
{
    noteDisturbance();
    spiOn_ = false;
    pins();
    resetTarget(false);
    rstDriven_ = false;
    pins();
    programming_ = false;
}

void ArduinoIspModel::unplug()
{
    close(master_);
    master_ = -1;
    throw Stop{};
}

void ArduinoIspModel::command()
{
    uint8_t buff[20];
    const uint8_t c = getch();
    switch (c) {
    case '0':
        emptyReply();
        break;
    case '1':
        reply({'A', 'V', 'R', ' ', 'I', 'S', 'P'});
        break;
    case 'A': {
        const uint8_t which = getch();
        byteReply(which == 0x80 ? 2 : which == 0x81 ? 1 : which == 0x82 ? 18 : which == 0x93 ? 'S' : 0);
        break;
    }
    case 'B':
        fill(buff, 20);
        // AVRs have an active-low reset, the AT89 range (0xE0 up) an active-high one.
        rstActiveHigh_ = buff[0] >= 0xE0;
        emptyReply();
        break;
    case 'E':
        fill(buff, 5);
        emptyReply();
        break;
    case 'P':
        if (!programming_)
            startProgramming();
        emptyReply();
        break;
    case 'U':
    case 0x60:
        fill(buff, 2);
        emptyReply();
        break;
    case 0x61:
        fill(buff, 1);
        emptyReply();
        break;
    case 'V': {
        fill(buff, 4);
        const uint8_t answer = transaction(buff[0], buff[1], buff[2], buff[3]);
        if (++universals_ == unplugAt_)
            unplug();
        byteReply(answer);
        break;
    }
    case 'Q':
        endProgramming();
        emptyReply();
        break;
    case kEop:
        putch(kNoSync);
        break;
    default:
        // The page commands ('d', 't', 'u') would clock AVR opcodes into the
        // chip: noted, and answered as unknown so that nothing passes.
        if (c == 'd' || c == 't' || c == 'u') {
            std::lock_guard lock(mutex_);
            unexpected_ += static_cast<char>(c);
        }
        putch(getch() == kEop ? kUnknown : kNoSync);
        break;
    }
}
