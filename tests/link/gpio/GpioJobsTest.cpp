// Every job over GPIO lines, through the real backend, line driver and job
// code, with the kernel's character device modelled in front of each of the
// three chips.
#include "GpioFixture.h"

#include <CableLevels.h>

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

uint8_t Pattern(int a)
{
    return static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
}

int LockMode(sim::SerialChip& chip)
{
    if (auto* s53 = dynamic_cast<sim::At89s53*>(&chip))
        return s53->lockMode();
    return dynamic_cast<sim::At89s51And52&>(chip).lockMode();
}

class GpioJobsTest : public GpioFixture {};

} // namespace

TEST_F(GpioJobsTest, EveryJobRunsOnEachChip)
{
    const struct {
        DeviceId id;
        const char* form;
        gpiomodel::Board lines;
        const char* lockedText; // lock level 1 in the chip file's form
    } combos[] = {
        {DeviceId::AT89S51, "gpio", {}, "mode 2"},
        {DeviceId::AT89S52, "gpio:/dev/gpiochip1:rst=4,sck=5,mosi=6,miso=7,rst-active-low",
         {nullptr, 4, 5, 6, 7, true}, "mode 2"},
        {DeviceId::AT89S53, "gpio:gpiochip1", {}, "0x67"},
    };
    for (const auto& c : combos) {
        SCOPED_TRACE(c.form);
        restart();
        gpiomodel::Chip* gpio = &addChip();
        if (std::string(c.form).find("gpiochip1") != std::string::npos)
            gpio = &addChip();
        plug(*gpio, c.id, c.lines);
        const int size = static_cast<int>(chip().flashBytes().size());
        for (int a = 0; a < size; ++a)
            chip().flashBytes()[a] = static_cast<uint8_t>(a);
        ASSERT_TRUE(chip().setLockText(c.lockedText));
        EXPECT_EQ(session(c.form).describePort(), std::string("GPIO lines on ") + gpio->path + " (pinctrl-bcm2711): " +
                                                  (c.lines.rst == 4 ? "RST 4, SCK 5, MOSI 6, MISO 7 (RST active low)"
                                                                    : "RST 17, SCK 11, MOSI 10, MISO 9"));

        EXPECT_TRUE(EraseJob(session(), image, feedback).run());
        EXPECT_EQ(std::vector<uint8_t>(chip().flashBytes().begin(), chip().flashBytes().end()),
                  std::vector<uint8_t>(size, 0xFF));
        EXPECT_EQ(LockMode(chip()), 1);
        EXPECT_TRUE(BlankCheckJob(session(), image, feedback).run(0, size - 1));

        for (int a = 0; a < size; ++a)
            image.buffer[a] = Pattern(a);
        EXPECT_TRUE(WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0, size - 1, 0));
        EXPECT_TRUE(std::equal(chip().flashBytes().begin(), chip().flashBytes().end(), image.buffer.begin()));

        DeviceImage back;
        back.deviceSize = size;
        EXPECT_TRUE(ReadJob(session(), back, feedback).run(0, size - 1));
        EXPECT_TRUE(std::equal(chip().flashBytes().begin(), chip().flashBytes().end(), back.buffer.begin()));

        chip().flashBytes()[0x123] ^= 0x40;
        EXPECT_FALSE(VerifyJob(session(), image, feedback).run(0, size - 1));
        chip().flashBytes()[0x123] ^= 0x40;
        EXPECT_TRUE(VerifyJob(session(), image, feedback).run(0, size - 1));

        EXPECT_TRUE(LockJob(session(), image, feedback).run(2));
        EXPECT_EQ(LockMode(chip()), 3);
        std::string why;
        EXPECT_TRUE(ResetJob(session()).run(&why)) << why;
        session().link().Close();
        // Between jobs the lines float: RST rests low, or high through an
        // inverter unless the board pulls its input up.
        EXPECT_EQ(chip().inProgramming(), c.lines.rstInverted);
        EXPECT_EQ(messages(), (std::vector<std::string>{"Memory erased", "Memory is blanck",
                                                        "ERROR: The contents of the IC and the buffer doesn't match"}));
        // Free for others, inputs without pull.
        for (uint32_t offset : {c.lines.rst, c.lines.sck, c.lines.mosi, c.lines.miso}) {
            const gpiomodel::Line& line = gpio->lines[offset];
            EXPECT_EQ(line.request, 0) << offset;
            EXPECT_FALSE(line.output) << offset;
            EXPECT_EQ(line.bias, GPIO_V2_LINE_FLAG_BIAS_DISABLED) << offset;
        }
    }
}

TEST_F(GpioJobsTest, TheTraceIsTheParallelPortsBits)
{
    // The same read over GPIO and over the simulated parallel-port cable:
    // the same bytes written, the same status read; and the levels each
    // byte written stands for are the ones the lines took.
    const std::string dir = testing::TempDir();
    std::vector<gpiomodel::Pins> pins;
    const auto traceOf = [&](const std::string& form, const std::string& trace) {
        std::filesystem::remove(trace);
        DeviceImage back;
        back.deviceSize = 0x2000;
        EXPECT_TRUE(ReadJob(session(form, trace), back, feedback).run(0x100, 0x11F));
        session().link().Close();
        pins = gpiomodel::World().pins;
        restart();
        settings.device = static_cast<uint32_t>(DeviceId::AT89S52);
        std::ifstream in(trace);
        std::vector<std::string> accesses;
        for (std::string stamp, kind, byte; in >> stamp >> kind >> byte;)
            accesses.push_back(kind + " " + byte);
        return accesses;
    };
    plug(addChip(), DeviceId::AT89S52);
    for (int a = 0; a < 0x2000; ++a)
        chip().flashBytes()[a] = Pattern(a);
    const std::string chipFile = dir + "gpio-trace.bin";
    std::ofstream(chipFile, std::ios::binary).write(reinterpret_cast<const char*>(chip().flashBytes().data()), 0x2000);
    gpiomodel::World().recordPins = true;
    const auto gpio = traceOf("gpio", dir + "gpio.trace");

    std::vector<gpiomodel::Pins> levels{{false, false, false}}; // as the request sets them
    for (const std::string& access : gpio)
        if (access[0] == 'W') {
            const uint8_t byte = static_cast<uint8_t>(std::stoi(access.substr(2), nullptr, 16));
            const CableLevels l = LevelsFromData(byte, settings);
            levels.push_back({l.rst, l.sck, l.mosi});
        }
    levels.push_back({false, false, false}); // let go: inputs, low at the board
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    EXPECT_GT(gpio.size(), 32u * 24);
    EXPECT_EQ(pins, levels);

    EXPECT_EQ(traceOf("sim:s52:" + chipFile, dir + "sim.trace"), gpio);
}
