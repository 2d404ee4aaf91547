#include "FindSketch.h"

#include "SerialPort.h"
#include "Stk500.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;
using Clock = steady_clock;

// Opening the port resets an Uno-class board: its bootloader listens for
// about a second (Optiboot; older ones a little longer, and garbage makes
// them give up sooner), then the sketch's setup() flashes its LEDs for half
// a second before it reads a byte. What arrives meanwhile is lost to the
// bootloader or waits in the sketch's buffer. So syncs go out again and
// again until one is answered, for longer than all that takes.
constexpr auto kSyncWindow = milliseconds(4000);
constexpr auto kSyncWait = milliseconds(250);
// Syncs sent while setup() ran are all answered at once when it ends.
constexpr auto kQuiet = milliseconds(60);
// A bootloader at the sketch's rate keeps listening while it is spoken to;
// left alone past its watchdog (1 s for Optiboot) it starts the sketch.
constexpr auto kBootloaderTimeout = milliseconds(1500);

constexpr std::array<uint8_t, 9> kSignOn = {stk::kInSync, 'A', 'V', 'R', ' ', 'I', 'S', 'P', stk::kOk};

// Bytes until `done` says so, the line fails, or `wait` passes.
template <typename Done>
std::vector<uint8_t> Collect(SerialPort& port, Clock::duration wait, Done done)
{
    std::vector<uint8_t> got;
    const auto end = Clock::now() + wait;
    while (!done(got)) {
        const auto left = duration_cast<milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            break;
        uint8_t chunk[64];
        const long n = port.readSome(chunk, sizeof chunk, static_cast<int>(left));
        if (n < 0)
            break;
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

bool HasSync(const std::vector<uint8_t>& bytes)
{
    const uint8_t pair[] = {stk::kInSync, stk::kOk};
    return std::search(bytes.begin(), bytes.end(), std::begin(pair), std::end(pair)) != bytes.end();
}

// Reads until the line has been quiet for kQuiet.
void AwaitQuiet(SerialPort& port)
{
    uint8_t chunk[64];
    while (port.readSome(chunk, sizeof chunk, static_cast<int>(kQuiet.count())) > 0) {
    }
}

} // namespace

bool FindSketch(SerialPort& port, const std::string& device, uint32_t baud, std::string* why)
{
    const std::string at = device + " at " + std::to_string(baud) + " baud";
    bool heard = false;
    bool bootloader = false;
    const auto start = Clock::now();
    while (Clock::now() - start < kSyncWindow && !port.failed()) {
        port.flushInput();
        const uint8_t sync[] = {stk::kGetSync, stk::kEop};
        if (!port.writeAll(sync, sizeof sync, 200))
            continue;
        const auto answer = Collect(port, kSyncWait, HasSync);
        heard = heard || !answer.empty();
        if (!HasSync(answer))
            continue;
        AwaitQuiet(port);
        // In step with something that speaks STK500: the sketch signs on as
        // "AVR ISP"; a bootloader just says OK.
        const uint8_t signOn[] = {stk::kGetSignOn, stk::kEop};
        port.writeAll(signOn, sizeof signOn, 200);
        const auto name = Collect(port, kSyncWait, [](const auto& got) { return got.size() >= kSignOn.size(); });
        if (std::equal(name.begin(), name.end(), kSignOn.begin(), kSignOn.end()))
            return true;
        if (name == std::vector<uint8_t>{stk::kInSync, stk::kOk}) {
            bootloader = true;
            std::this_thread::sleep_for(kBootloaderTimeout);
        }
        AwaitQuiet(port);
    }
    if (port.failed())
        *why = device + " went away while the sketch was being reached: plug the board back in.";
    else if (bootloader)
        *why = "only the board's bootloader answers on " + at +
               ": upload the ArduinoISP sketch to the board, or build it for a baud rate other than the "
               "bootloader's and give that rate (arduino:" + device + ",baud=N).";
    else if (heard)
        *why = "the board on " + at +
               " answers, but not as the ArduinoISP sketch does: give the sketch's BAUDRATE (arduino:" + device +
               ",baud=N; the stock sketch's is 19200) and check that it runs the ArduinoISP sketch.";
    else
        *why = "no answer from the ArduinoISP sketch on " + at +
               ": check that the board runs the ArduinoISP sketch (Arduino IDE: File > Examples > "
               "11.ArduinoISP), that its BAUDRATE is " + std::to_string(baud) + ", and the USB cable.";
    return false;
}
