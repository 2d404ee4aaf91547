#include <PortChoice.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

// A documentation file as a reader sees its words: roff's font escapes and
// hyphen escapes taken out.
std::string Text(const std::string& relative)
{
    std::ifstream in(std::string(VORLANE_SOURCE_DIR) + "/" + relative);
    std::stringstream all;
    all << in.rdbuf();
    std::string text = std::regex_replace(all.str(), std::regex(R"(\\f[BIRP])"), "");
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

} // namespace

TEST(PortChoiceTest, ParsesEveryForm)
{
    using Kind = PortChoice::Kind;
    EXPECT_EQ(PortChoice::parse(nullptr).kind, Kind::Auto);
    EXPECT_EQ(PortChoice::parse("").kind, Kind::Auto);
    EXPECT_EQ(PortChoice::parse("auto").kind, Kind::Auto);
    EXPECT_EQ(PortChoice::parse("direct").kind, Kind::Direct);
    EXPECT_EQ(PortChoice::parse("none").kind, Kind::None);
    const PortChoice ppdev = PortChoice::parse("ppdev:/dev/parport2");
    EXPECT_EQ(ppdev.kind, Kind::Ppdev);
    EXPECT_EQ(ppdev.argument, "/dev/parport2");
    EXPECT_EQ(PortChoice::parse("ppdev").argument, "");
    const PortChoice sim = PortChoice::parse("sim:/home/ana/chip:1.bin");
    EXPECT_EQ(sim.kind, Kind::Sim);
    EXPECT_EQ(sim.argument, "/home/ana/chip:1.bin") << "only the first colon separates";
    EXPECT_EQ(PortChoice::parse("lpt1").kind, Kind::Invalid);
    EXPECT_EQ(PortChoice::parse("sim").accessNs, 0);
    // A USBasp: the first found, or at the bus and device lsusb shows.
    const PortChoice usbasp = PortChoice::parse("usbasp:001:017");
    EXPECT_EQ(usbasp.kind, Kind::Usbasp);
    EXPECT_EQ(usbasp.usbBus, 1);
    EXPECT_EQ(usbasp.usbDevice, 17);
    EXPECT_EQ(PortChoice::parse("usbasp").kind, Kind::Usbasp);
    EXPECT_EQ(PortChoice::parse("usbasp").usbBus, 0);
    for (const char* wrong : {"usbasp:", "usbasp:1", "usbasp:0:5", "usbasp:1:x", "usbasp:1:128"}) {
        EXPECT_EQ(PortChoice::parse(wrong).kind, Kind::Invalid) << wrong;
        EXPECT_EQ(PortChoice::parse(wrong).problem, "does not give BUS:DEVICE as lsusb shows them (e.g. usbasp:1:5)");
    }
}

TEST(PortChoiceTest, TheSimulatedPortTakesAnAccessCostAndACrystal)
{
    using Kind = PortChoice::Kind;
    struct Case {
        const char* text;
        Kind kind;
        const char* argument;
        int64_t accessNs;
        int64_t crystalHz = 0;
    };
    const Case cases[] = {
        {"sim,access=1900ns", Kind::Sim, "", 1900},
        {"sim,access=1000", Kind::Sim, "", 1000},
        {"sim:/tmp/chip.bin,access=2us", Kind::Sim, "/tmp/chip.bin", 2000},
        {"sim:/tmp/a,b.bin", Kind::Sim, "/tmp/a,b.bin", 0},
        {"sim:/tmp/a,b.bin,access=0ns", Kind::Sim, "/tmp/a,b.bin", 0},
        {"sim,access=1000us", Kind::Sim, "", 1'000'000},
        {"sim,access=1001us", Kind::Invalid, "sim,access=1001us", 0},
        {"sim,access=2ms", Kind::Invalid, "sim,access=2ms", 0},
        {"sim,access=", Kind::Invalid, "sim,access=", 0},
        {"sim,access=-5ns", Kind::Invalid, "sim,access=-5ns", 0},
        {"ppdev,access=1us", Kind::Invalid, "ppdev,access=1us", 0},
        {"sim:s52:/tmp/c.bin,xtal=3MHz", Kind::Sim, "/tmp/c.bin", 0, 3'000'000},
        {"sim,xtal=11.0592MHz,access=1us", Kind::Sim, "", 1000, 11'059'200},
        {"sim,access=1us,xtal=33000000", Kind::Sim, "", 1000, 33'000'000},
        {"sim,xtal=2.9MHz", Kind::Invalid, "sim,xtal=2.9MHz", 0},
        {"sim,xtal=1.2.3MHz", Kind::Invalid, "sim,xtal=1.2.3MHz", 0},
    };
    for (const Case& c : cases) {
        const PortChoice choice = PortChoice::parse(c.text);
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_EQ(choice.argument, c.argument) << c.text;
        EXPECT_EQ(choice.accessNs, c.accessNs) << c.text;
        EXPECT_EQ(choice.crystalHz, c.crystalHz) << c.text;
    }
}

// A typo is never taken for a file name or left out: the choice is refused
// with what is wrong and the forms that would do.
TEST(PortChoiceTest, TyposAreRefusedNotGuessed)
{
    const std::string forms = "; the forms are " + PortFormList();
    const struct {
        const char* text;
        std::string problem; // empty: taken, with this file
        const char* file;
    } cases[] = {
        {"sim:s54:x", "names no model s54: MODEL is s51, s52 or s53 (a chip file of that name is ./s54)" + forms, ""},
        {"sim:s54", "names no model s54: MODEL is s51, s52 or s53 (a chip file of that name is ./s54)" + forms, ""},
        {"sim:chip:x", "names no model chip: MODEL is s51, s52 or s53 (a chip file of that name is ./chip)" + forms, ""},
        {"sim:./s54", "", "./s54"},
        {"sim:s52", "", ""},
        {"sim:chip.bin,acess=5us", "has an option acess= that sim does not take" + forms, ""},
        {"sim:chip.bin,access=1us,access=2us", "gives access= twice" + forms, ""},
        {"ppdev:/dev/parport0,access=1us", "has an option access= that ppdev does not take" + forms, ""},
        {"direct:/dev/port", "has something after direct, which takes nothing" + forms, ""},
        {"none:x", "has something after none, which takes nothing" + forms, ""},
        {"auto:", "has something after auto, which takes nothing" + forms, ""},
        {"arduino:/dev/ttyACM0,bauds=9600", "has an option bauds= that arduino does not take" + forms, ""},
    };
    for (const auto& c : cases) {
        const PortChoice choice = PortChoice::parse(c.text);
        EXPECT_EQ(choice.problem, c.problem) << c.text;
        EXPECT_EQ(choice.kind == PortChoice::Kind::Invalid, !c.problem.empty()) << c.text;
        if (c.problem.empty()) {
            EXPECT_EQ(choice.argument, c.file) << c.text;
        }
    }
}

TEST(PortChoiceTest, ArduinoAsIspTakesItsSerialPortAndBaudRate)
{
    using Kind = PortChoice::Kind;
    const struct {
        const char* text;
        Kind kind;
        const char* argument;
        uint32_t baud;
        const char* problem;
    } cases[] = {
        {"arduino:/dev/ttyACM0", Kind::Arduino, "/dev/ttyACM0", 19200, ""},
        {"arduino:/dev/serial/by-id/usb-Arduino:Uno,baud=115200", Kind::Arduino,
         "/dev/serial/by-id/usb-Arduino:Uno", 115200, ""},
        {"arduino:/dev/ttyUSB0,baud=1200x", Kind::Invalid, "arduino:/dev/ttyUSB0,baud=1200x", 0,
         "does not give baud=N as a rate from 300 to 4000000 (e.g. baud=115200)"},
        {"arduino:/dev/ttyUSB0,baud=4000001", Kind::Invalid, "arduino:/dev/ttyUSB0,baud=4000001", 0,
         "does not give baud=N as a rate from 300 to 4000000 (e.g. baud=115200)"},
        {"arduino", Kind::Invalid, "arduino", 0, "names no serial port: arduino:/dev/ttyACM0, for example"},
    };
    for (const auto& c : cases) {
        const PortChoice choice = PortChoice::parse(c.text);
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_EQ(choice.argument, c.argument) << c.text;
        EXPECT_EQ(choice.baud, c.baud) << c.text;
        EXPECT_EQ(choice.problem, c.problem) << c.text;
    }
}

TEST(PortChoiceTest, GpioAndFtdiTakeTheirLinesAndPins)
{
    using Kind = PortChoice::Kind;
    const auto lines = [](const char* chip, uint32_t rst, uint32_t sck, uint32_t mosi, uint32_t miso, bool low) {
        return GpioLines{chip, rst, sck, mosi, miso, low};
    };
    const auto pins = [](const char* serial, uint8_t rst, uint8_t sck, uint8_t mosi, uint8_t miso) {
        return FtdiPins{serial, rst, sck, mosi, miso};
    };
    const struct {
        const char* text;
        Kind kind;
        GpioLines gpio;
        FtdiPins ftdi;
        const char* problem;
    } cases[] = {
        {"gpio", Kind::Gpio, lines("/dev/gpiochip0", 17, 11, 10, 9, false), {}, ""},
        {"gpio:/dev/gpiochip0:rst=17,sck=11,mosi=10,miso=9,rst-active-low", Kind::Gpio,
         lines("/dev/gpiochip0", 17, 11, 10, 9, true), {}, ""},
        {"gpio:gpiochip4:rst=25,sck=21,mosi=20,miso=19", Kind::Gpio, lines("/dev/gpiochip4", 25, 21, 20, 19, false), {},
         ""},
        {"gpio:1,rst-active-low,rst=4", Kind::Gpio, lines("/dev/gpiochip1", 4, 11, 10, 9, true), {}, ""},
        {"gpio:rst=5", Kind::Gpio, lines("/dev/gpiochip0", 5, 11, 10, 9, false), {}, ""},
        {"gpio:/dev/gpiochip0:rst=11", Kind::Invalid, {}, {},
         "gives one GPIO line to two pins: rst, sck, mosi and miso need a line each"},
        {"gpio:rst=x", Kind::Invalid, {}, {}, "does not give a GPIO line as its offset on the chip (e.g. rst=17)"},
        {"gpio,rst-active-low=1", Kind::Invalid, {}, {}, "rst-active-low takes no value; the forms are "},
        {"ftdi", Kind::Ftdi, {}, pins("", 4, 0, 1, 3), ""},
        {"ftdi:A6008isP,rst=rts,sck=D5,miso=6,mosi=RI", Kind::Ftdi, {}, pins("A6008isP", 2, 5, 7, 6), ""},
        {"ftdi,sck=DTR", Kind::Invalid, {}, {},
         "gives one FTDI pin to two of the target's: rst, sck, mosi and miso need a pin each"},
        {"ftdi,miso=D8", Kind::Invalid, {}, {},
         "does not name an FTDI pin: TXD, RXD, RTS, CTS, DTR, DSR, DCD or RI (e.g. rst=DTR)"},
        {"ftdi,rst-active-low", Kind::Invalid, {}, {}, "has an option rst-active-low= that ftdi does not take"},
    };
    for (const auto& c : cases) {
        const PortChoice choice = PortChoice::parse(c.text);
        EXPECT_EQ(choice.kind, c.kind) << c.text;
        EXPECT_TRUE(choice.problem.starts_with(c.problem)) << c.text << ": " << choice.problem;
        if (c.kind == Kind::Gpio)
            EXPECT_EQ(choice.gpio, c.gpio) << c.text << ": " << choice.gpio.chip << " " << choice.gpio.rst;
        if (c.kind == Kind::Ftdi)
            EXPECT_EQ(choice.ftdi, c.ftdi) << c.text;
    }
}

TEST(PortChoiceTest, EveryFormIsInTheHelpTheManPagesAndTheReadme)
{
    const std::string help = PortFormHelp(2, 79);
    const std::string list = PortFormList();
    const char* const documents[] = {"src/res/vorlane.1", "src/res/vorlane-cli.1", "README.md"};
    for (const PortForm& form : PortForms()) {
        EXPECT_NE(help.find(std::string("  ") + form.syntax), std::string::npos) << form.syntax;
        EXPECT_NE(list.find(form.syntax), std::string::npos) << form.syntax;
        for (const char* document : documents)
            EXPECT_NE(Text(document).find(form.syntax), std::string::npos) << form.syntax << " in " << document;
    }
    EXPECT_EQ(PortChoice::parse("lpt1").problem, "is not one of " + list);
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 79u) << line;
}
