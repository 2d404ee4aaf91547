#include "PortChoice.h"

#include <CrystalTiming.h>

#include <charconv>
#include <vector>

namespace {

using Kind = PortChoice::Kind;

constexpr PortForm kForms[] = {
    {"auto", "ppdev for the port address if a /dev/parportN has it, else direct I/O"},
    {"ppdev[:DEV]", "Linux ppdev: DEV, or the /dev/parportN at the port address"},
    {"direct", "ioperm and outb/inb at the port address (x86; root or CAP_SYS_RAWIO)"},
    {"sim[:MODEL][:FILE][,access=N][,xtal=F]",
     "a simulated chip: MODEL s51, s52 or s53 (default: the chip selected); FILE keeps its flash "
     "between runs; access=N makes each port access take N ns (or Nus), up to 1 ms; xtal=F is the "
     "AT89S51/52 board's crystal, 3MHz (the default) to 33MHz"},
    {"usbasp[:BUS:DEVICE]",
     "a USBasp (USB 16C0:05DC) whose firmware drives the AT89S51/52: the first found, or the one at the bus "
     "and device numbers lsusb shows"},
    {"arduino:DEV[,baud=N]",
     "Arduino as ISP: the ArduinoISP sketch on serial port DEV (e.g. /dev/ttyACM0) at N baud (default 19200, "
     "the stock sketch's); AT89S51 and AT89S52 only"},
    {"none", "no port"},
};

// "1900ns", "1900" (nanoseconds) or "2us"; false for anything else or above 1 ms.
bool ParseDuration(const std::string& text, int64_t& ns)
{
    constexpr int64_t kMax = PortChoice::kMaxAccessNs;
    int64_t n = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, n);
    if (error != std::errc{} || rest == text.data() || n < 0)
        return false;
    const std::string unit(rest, end);
    if (unit == "us") {
        if (n > kMax / 1000)
            return false;
        n *= 1000;
    } else if (!unit.empty() && unit != "ns") {
        return false;
    }
    if (n > kMax)
        return false;
    ns = n;
    return true;
}

PortChoice Invalid(const std::string& text, std::string problem)
{
    PortChoice choice;
    choice.kind = Kind::Invalid;
    choice.argument = text;
    choice.problem = std::move(problem);
    return choice;
}

// "BUS:DEVICE" as lsusb shows them (leading zeros allowed); false for anything else.
bool ParseUsbPlace(const std::string& text, int& bus, int& device)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const auto number = [](const std::string& digits, int most, int& value) {
        const char* end = digits.data() + digits.size();
        const auto [rest, error] = std::from_chars(digits.data(), end, value);
        return error == std::errc{} && rest == end && !digits.empty() && value >= 1 && value <= most;
    };
    return number(text.substr(0, colon), 255, bus) && number(text.substr(colon + 1), 127, device);
}

// "arduino:DEV" or "arduino:DEV,baud=N" after the name.
PortChoice ParseArduino(const std::string& original, std::string value)
{
    PortChoice choice;
    choice.kind = Kind::Arduino;
    choice.baud = PortChoice::kDefaultBaud;
    const auto option = value.rfind(",baud=");
    if (option != std::string::npos) {
        const std::string digits = value.substr(option + 6);
        uint32_t baud = 0;
        const auto [rest, error] = std::from_chars(digits.data(), digits.data() + digits.size(), baud);
        if (error != std::errc{} || rest != digits.data() + digits.size() || baud < 300 ||
            baud > PortChoice::kMaxBaud)
            return Invalid(original, "does not give baud=N as a rate from 300 to 4000000 (e.g. baud=115200)");
        choice.baud = baud;
        value.resize(option);
    }
    if (value.empty())
        return Invalid(original, "names no serial port: arduino:/dev/ttyACM0, for example");
    choice.argument = value;
    return choice;
}

// "s52", or "s52:FILE", names the model; anything else is the file alone.
void TakeModel(PortChoice& choice)
{
    const std::string& argument = choice.argument;
    const std::string model = argument.substr(0, argument.find(':'));
    for (const Device& d : Devices()) {
        if (model == d.tag) {
            choice.simModel = d.id;
            choice.argument = model.size() < argument.size() ? argument.substr(model.size() + 1) : std::string();
        }
    }
}

} // namespace

std::span<const PortForm> PortForms()
{
    return kForms;
}

std::string PortFormList()
{
    std::string list;
    const size_t n = std::size(kForms);
    for (size_t i = 0; i < n; ++i)
        list += std::string(i == 0 ? "" : i + 1 == n ? " or " : ", ") + kForms[i].syntax;
    return list;
}

std::string PortFormHelp(int indent, int width)
{
    size_t column = 0;
    for (const PortForm& f : kForms)
        column = std::max(column, std::char_traits<char>::length(f.syntax));
    column += static_cast<size_t>(indent) + 2;
    std::string text;
    for (const PortForm& f : kForms) {
        std::string line = std::string(static_cast<size_t>(indent), ' ') + f.syntax;
        // A syntax too long for the column gets its meaning on the next line.
        const std::string meaning = f.meaning;
        size_t at = 0;
        while (at < meaning.size()) {
            if (line.size() >= column) {
                text += line + "\n";
                line.clear();
            }
            line.resize(column, ' ');
            size_t room = static_cast<size_t>(width) > column ? static_cast<size_t>(width) - column : 20;
            size_t end = meaning.size();
            if (end - at > room) {
                end = meaning.rfind(' ', at + room);
                if (end == std::string::npos || end <= at)
                    end = at + room;
            }
            line += meaning.substr(at, end - at);
            at = end;
            while (at < meaning.size() && meaning[at] == ' ')
                ++at;
        }
        text += line + "\n";
    }
    return text;
}

PortChoice PortChoice::parse(const char* text)
{
    const std::string original = text ? text : "";
    std::string value = original;
    int64_t accessNs = 0;
    int64_t crystalHz = 0;
    // The simulated port's options trail its value, after the file if any,
    // in either order.
    for (bool more = value.rfind("sim", 0) == 0; more;) {
        const auto comma = value.rfind(',');
        const std::string option = comma == std::string::npos ? std::string() : value.substr(comma + 1);
        more = false;
        if (option.rfind("access=", 0) == 0) {
            if (!ParseDuration(option.substr(7), accessNs))
                return Invalid(original,
                               "does not give access=N as a time up to 1 ms (e.g. access=1900ns or access=2us)");
            more = true;
        } else if (option.rfind("xtal=", 0) == 0) {
            const auto hz = CrystalTiming::Parse(option.substr(5));
            if (!hz)
                return Invalid(original,
                               "does not give xtal=F as a crystal from 3 to 33 MHz (e.g. xtal=3MHz or xtal=11.0592MHz)");
            crystalHz = *hz;
            more = true;
        }
        if (more)
            value.resize(comma);
    }
    const auto colon = value.find(':');
    const std::string name = value.substr(0, colon);
    PortChoice choice;
    choice.argument = colon == std::string::npos ? std::string() : value.substr(colon + 1);
    if (name.empty() || name == "auto") {
        choice.kind = Kind::Auto;
        choice.argument.clear();
    } else if (name == "ppdev") {
        choice.kind = Kind::Ppdev;
    } else if (name == "direct") {
        choice.kind = Kind::Direct;
        choice.argument.clear();
    } else if (name == "sim") {
        choice.kind = Kind::Sim;
        choice.accessNs = accessNs;
        choice.crystalHz = crystalHz;
        TakeModel(choice);
    } else if (name == "usbasp") {
        choice.kind = Kind::Usbasp;
        if (colon != std::string::npos &&
            !ParseUsbPlace(choice.argument, choice.usbBus, choice.usbDevice))
            return Invalid(original, "does not give BUS:DEVICE as lsusb shows them (e.g. usbasp:1:5)");
    } else if (name == "arduino") {
        return ParseArduino(original, colon == std::string::npos ? std::string() : value.substr(colon + 1));
    } else if (name == "none") {
        choice.kind = Kind::None;
        choice.argument.clear();
    } else {
        return Invalid(original, "is not one of " + PortFormList());
    }
    return choice;
}
