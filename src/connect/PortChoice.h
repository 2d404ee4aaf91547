#pragma once

#include <Device.h>
#include <FtdiPins.h>
#include <GpioLines.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What a port argument asks for (VORLANE_PORT, vorlane-cli's --port): one
// grammar, one table of forms, from which both programs' help and errors
// are made.
struct PortChoice {
    enum class Kind { Auto, Ppdev, Direct, Sim, Usbasp, Arduino, Gpio, Ftdi, None, Invalid };
    Kind kind = Kind::Auto;
    // ppdev, arduino: the device; sim: the chip file; Invalid: the text as given.
    std::string argument;
    // arduino only: the sketch's baud rate.
    uint32_t baud = 0;
    // sim only: the time each port access costs.
    int64_t accessNs = 0;
    // sim only: the AT89S51/52 boards' crystal in Hz; 0 for the 3 MHz default.
    int64_t crystalHz = 0;
    // sim only: the model named ("sim:s52:FILE"), else the selected device's.
    std::optional<DeviceId> simModel;
    // usbasp only: the bus and device numbers lsusb shows; 0 for the first found.
    int usbBus = 0;
    int usbDevice = 0;
    // gpio only: the chip and its lines.
    GpioLines gpio;
    // ftdi only: the cable and its pins.
    FtdiPins ftdi;
    // Invalid: what is wrong with it, and what the forms are. Nothing is
    // guessed: an unknown form, model or option, or an argument where the
    // form takes none, is refused rather than read as a file name.
    std::string problem;

    // A millisecond per access is already far beyond any real port.
    static constexpr int64_t kMaxAccessNs = 1'000'000;
    // The stock ArduinoISP sketch's rate, and the fastest a serial port takes.
    static constexpr uint32_t kDefaultBaud = 19200;
    static constexpr uint32_t kMaxBaud = 4'000'000;

    // null or "" is auto.
    static PortChoice parse(const char* text);

    // What reaches the chip, as users name it: "Parallel-port cable",
    // "Arduino as ISP", "USBasp", ...
    std::string programmer() const;
    // Whether it reaches the chip through the parallel-port cable, real or
    // simulated: the Programmer menu's cable item.
    bool isCable() const
    {
        return kind == Kind::Auto || kind == Kind::Ppdev || kind == Kind::Direct || kind == Kind::Sim;
    }
};

// The port a program works with: VORLANE_PORT when it is set and not empty,
// else the programmer stored. A stored form the grammar refuses (edited by
// hand) is the cable, as other stored values that cannot be used give their
// defaults.
PortChoice ChosenPort(const char* environment, const std::string& stored);

// One form of the grammar: how it is written and what it means (for help
// and errors), and how it is read. A new kind of link adds its row.
struct PortForm {
    // What may follow the name after a colon.
    enum class Argument {
        None,     // nothing: "direct"
        Path,     // a device or file, which may be left out: "ppdev[:DEV]"
        SimChip,  // [MODEL][:FILE], MODEL a tag of the device table
        UsbPlace, // BUS:DEVICE as lsusb shows them, which may be left out
        Device,   // a device that must be named: "arduino:DEV"
        GpioChip, // a GPIO chip, which may be left out, then its lines
        Serial,   // a USB serial number, which may be left out
    };
    const char* syntax;
    const char* meaning;
    const char* name; // what the form begins with
    PortChoice::Kind kind;
    Argument argument;
};

std::span<const PortForm> PortForms();

// "auto, ppdev[:DEV], direct, ... or none".
std::string PortFormList();

// The forms as a help text: each syntax `indent` spaces in, its meaning in a
// column beside it, wrapped to `width`.
std::string PortFormHelp(int indent, int width);
