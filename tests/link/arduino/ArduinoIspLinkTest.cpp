// Arduino as ISP through the real serial code, over a pseudo-terminal with a
// model of the ArduinoISP sketch on the far side driving a simulated
// AT89S52: reaching the sketch, or why not, and instructions sent ahead.
#include "ArduinoIspModel.h"

#include <ArduinoIspLink.h>
#include <At89s51And52.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Board = ArduinoIspModel::Board;
using sim::At89s51And52;

// An Uno-class board: the reset on opening, Optiboot's second, setup()'s LEDs.
Board Uno(uint32_t baud)
{
    Board b;
    b.baud = baud;
    return b;
}

// The same with a bootloader that gives up sooner.
Board QuickUno(uint32_t baud)
{
    Board b = Uno(baud);
    b.bootloaderNs = 100'000'000;
    return b;
}

std::string Named(std::string text, const std::string& device)
{
    return std::regex_replace(text, std::regex("DEV"), device);
}

// `sleep` holding `device` open and locked, as another program would.
pid_t HoldWithSleep(const std::string& device)
{
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
    flock(fd, LOCK_EX);
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fd);
    const std::string comm = "/proc/" + std::to_string(pid) + "/comm";
    for (std::string name; name != "sleep";) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::ifstream in(comm);
        std::getline(in, name);
    }
    return pid;
}

} // namespace

TEST(ArduinoIspLinkTest, TheSketchIsReachedOrTheReasonSaysWhatToCheck)
{
    Board native = Uno(19200);
    native.uart = false;
    native.resetsOnOpen = false;
    native.bootloaderNs = native.setupNs = 0; // running long before the port opens
    Board silent = native;
    silent.runsSketch = false;
    const struct {
        const char* board;
        Board model;
        uint32_t hostBaud;
        bool onTheLine;
        std::string why;
    } cases[] = {
        {"an Uno at the stock rate, through its reset", Uno(19200), 19200, true, ""},
        {"an Uno at 115200", QuickUno(115200), 115200, true, ""},
        {"the sketch at 1000000 cannot keep ahead of its line", QuickUno(1'000'000), 1'000'000, false, ""},
        {"native USB: no line time between instructions", native, 19200, false, ""},
        {"a board without the sketch", silent, 19200, false,
         "Arduino as ISP: no answer from the ArduinoISP sketch on DEV at 19200 baud: check that the board runs the "
         "ArduinoISP sketch (Arduino IDE: File > Examples > 11.ArduinoISP), that its BAUDRATE is 19200, and the USB "
         "cable."},
        {"the sketch at another rate", QuickUno(115200), 19200, false,
         "Arduino as ISP: the board on DEV at 19200 baud answers, but not as the ArduinoISP sketch does: give the "
         "sketch's BAUDRATE (arduino:DEV,baud=N; the stock sketch's is 19200) and check that it runs the ArduinoISP "
         "sketch."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.board);
        At89s51And52 chip(At89s51And52::Variant::S52);
        ArduinoIspModel model(chip, c.model);
        ArduinoIspLink link(model.device(), c.hostBaud);
        std::string why;
        EXPECT_EQ(link.PortReady(&why), c.why.empty());
        EXPECT_EQ(why, Named(c.why, model.device()));
        EXPECT_EQ(link.waitsOnTheLine(), c.onTheLine);
        if (!c.why.empty())
            continue;
        // Set Device's code made the sketch hold RST high: the chip answers.
        link.EnterProgramming();
        EXPECT_TRUE(chip.inProgramming());
        EXPECT_EQ(link.Ask({0xAC, 0x53, 0x00}), 0x69);
        link.LeaveProgramming();
        EXPECT_FALSE(chip.inProgramming());
        EXPECT_EQ(link.TakePortFault(), "");
    }
}

TEST(ArduinoIspLinkTest, APortThatCannotBeHadSaysWhoOrWhat)
{
    At89s51And52 chip(At89s51And52::Variant::S52);
    ArduinoIspModel model(chip, Uno(19200));
    const pid_t holder = HoldWithSleep(model.device());
    const struct {
        std::string device;
        std::string why;
    } cases[] = {
        {model.device(), "Arduino as ISP: DEV is in use by sleep (PID " + std::to_string(holder) +
                             "): close it, then try again."},
        {"/dev/ttyACM-vorlane-none",
         "Arduino as ISP: DEV is not there (No such file or directory (errno 2)): plug the Arduino in; its port "
         "is /dev/ttyACM0 or /dev/ttyUSB0 as a rule (ls /dev/ttyACM* /dev/ttyUSB*)."},
    };
    for (const auto& c : cases) {
        ArduinoIspLink link(c.device, 19200);
        std::string why;
        EXPECT_FALSE(link.PortReady(&why));
        EXPECT_EQ(why, Named(c.why, c.device));
    }
    kill(holder, SIGTERM);
    waitpid(holder, nullptr, 0);
}

TEST(ArduinoIspLinkTest, ReadsGoAheadAsFarAsTheSketchsBufferAllows)
{
    // At 1000000 baud the line brings a universal command in 60 us and the
    // sketch needs 260 us to clock it: whatever runs ahead waits in its ring.
    At89s51And52 chip(At89s51And52::Variant::S52);
    for (int a = 0; a < 0x2000; ++a)
        chip.flash()[a] = static_cast<uint8_t>(a * 7 + (a >> 8));
    ArduinoIspModel model(chip, QuickUno(1'000'000));
    ArduinoIspLink link(model.device(), 1'000'000);
    ASSERT_TRUE(link.PortReady(nullptr));
    link.EnterProgramming();
    std::vector<std::array<uint8_t, 3>> reads;
    for (int a = 0; a < 0x2000; ++a)
        reads.push_back({0x20, static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(a)});
    std::vector<uint8_t> answers(reads.size());
    link.AskMany(reads, answers);
    link.LeaveProgramming();
    EXPECT_EQ(link.TakePortFault(), "");
    EXPECT_EQ(answers, chip.flash());
    EXPECT_EQ(model.overruns(), 0);
    EXPECT_EQ(model.unexpected(), "") << "no page command of the sketch's";
}
