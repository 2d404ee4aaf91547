#include "PortChoice.h"

#include <CrystalTiming.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <vector>

namespace {

using Kind = PortChoice::Kind;

using Argument = PortForm::Argument;

constexpr PortForm kForms[] = {
    {"auto", "ppdev for the port address if a /dev/parportN has it, else direct I/O", "auto", Kind::Auto,
     Argument::None},
    {"ppdev[:DEV]", "Linux ppdev: DEV, or the /dev/parportN at the port address", "ppdev", Kind::Ppdev,
     Argument::Path},
    {"direct", "ioperm and outb/inb at the port address (x86; root or CAP_SYS_RAWIO)", "direct", Kind::Direct,
     Argument::None},
    {"sim[:MODEL][:FILE][,access=N][,xtal=F]",
     "a simulated chip: MODEL s51, s52 or s53 (default: the chip selected); FILE keeps its flash "
     "between runs; access=N makes each port access take N ns (or Nus), up to 1 ms; xtal=F is the "
     "AT89S51/52 board's crystal, 3MHz (the default) to 33MHz",
     "sim", Kind::Sim, Argument::SimChip},
    {"usbasp[:BUS:DEVICE]",
     "a USBasp (USB 16C0:05DC) whose firmware drives the AT89S51/52: the first found, or the one at the bus "
     "and device numbers lsusb shows",
     "usbasp", Kind::Usbasp, Argument::UsbPlace},
    {"arduino:DEV[,baud=N]",
     "Arduino as ISP: the ArduinoISP sketch on serial port DEV (e.g. /dev/ttyACM0) at N baud (default 19200, "
     "the stock sketch's); AT89S51 and AT89S52 only",
     "arduino", Kind::Arduino, Argument::Device},
    {"gpio[:CHIP][:rst=N,sck=N,mosi=N,miso=N][,rst-active-low]",
     "Linux GPIO lines (a Raspberry Pi's header, through a level shifter to the 5 V chip): CHIP a "
     "/dev/gpiochipN (default /dev/gpiochip0), each line by its offset on the chip (default rst=17, sck=11, "
     "mosi=10, miso=9); rst-active-low when RST is driven through an inverting stage",
     "gpio", Kind::Gpio, Argument::GpioChip},
    {"ftdi[:SERIAL][,rst=PIN,sck=PIN,mosi=PIN,miso=PIN]",
     "an FTDI cable (FT232R and kin) in synchronous bit-bang: the first found or the one with that serial "
     "number; PIN TXD, RXD, RTS, CTS, DTR, DSR, DCD or RI (default rst=DTR, sck=TXD, mosi=RXD, miso=CTS)",
     "ftdi", Kind::Ftdi, Argument::Serial},
    {"none", "no port", "none", Kind::None, Argument::None},
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

bool TakeAccess(const std::string& value, PortChoice& choice, std::string* problem)
{
    if (ParseDuration(value, choice.accessNs))
        return true;
    *problem = "does not give access=N as a time up to 1 ms (e.g. access=1900ns or access=2us)";
    return false;
}

bool TakeCrystal(const std::string& value, PortChoice& choice, std::string* problem)
{
    if (const auto hz = CrystalTiming::Parse(value)) {
        choice.crystalHz = *hz;
        return true;
    }
    *problem = "does not give xtal=F as a crystal from 3 to 33 MHz (e.g. xtal=3MHz or xtal=11.0592MHz)";
    return false;
}

bool TakeBaud(const std::string& value, PortChoice& choice, std::string* problem)
{
    uint32_t baud = 0;
    const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), baud);
    if (error == std::errc{} && rest == value.data() + value.size() && baud >= 300 && baud <= PortChoice::kMaxBaud) {
        choice.baud = baud;
        return true;
    }
    *problem = "does not give baud=N as a rate from 300 to 4000000 (e.g. baud=115200)";
    return false;
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

// A GPIO line's offset on its chip; no chip has more lines than this.
template <uint32_t GpioLines::*Line>
bool TakeGpioLine(const std::string& value, PortChoice& choice, std::string* problem)
{
    uint32_t offset = 0;
    const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), offset);
    if (error == std::errc{} && rest == value.data() + value.size() && !value.empty() && offset < 65536) {
        choice.gpio.*Line = offset;
        return true;
    }
    *problem = "does not give a GPIO line as its offset on the chip (e.g. rst=17)";
    return false;
}

bool TakeRstActiveLow(const std::string&, PortChoice& choice, std::string*)
{
    choice.gpio.rstActiveLow = true;
    return true;
}

template <uint8_t FtdiPins::*Pin>
bool TakeFtdiPin(const std::string& value, PortChoice& choice, std::string* problem)
{
    if (const auto bit = FtdiPinByName(value)) {
        choice.ftdi.*Pin = *bit;
        return true;
    }
    *problem = "does not name an FTDI pin: TXD, RXD, RTS, CTS, DTR, DSR, DCD or RI (e.g. rst=DTR)";
    return false;
}

// An option that trails a form as ",NAME=VALUE", or as ",NAME" for a flag.
// A new option adds its row.
struct PortOption {
    const char* name;
    Kind kind; // the form that takes it
    // Puts a value into the choice; false (with *problem) for a value it does
    // not take.
    bool (*take)(const std::string& value, PortChoice& choice, std::string* problem);
    bool flag = false;
};

constexpr PortOption kOptions[] = {
    {"access", Kind::Sim, &TakeAccess},
    {"xtal", Kind::Sim, &TakeCrystal},
    {"baud", Kind::Arduino, &TakeBaud},
    {"rst", Kind::Gpio, &TakeGpioLine<&GpioLines::rst>},
    {"sck", Kind::Gpio, &TakeGpioLine<&GpioLines::sck>},
    {"mosi", Kind::Gpio, &TakeGpioLine<&GpioLines::mosi>},
    {"miso", Kind::Gpio, &TakeGpioLine<&GpioLines::miso>},
    {"rst-active-low", Kind::Gpio, &TakeRstActiveLow, true},
    {"rst", Kind::Ftdi, &TakeFtdiPin<&FtdiPins::rst>},
    {"sck", Kind::Ftdi, &TakeFtdiPin<&FtdiPins::sck>},
    {"mosi", Kind::Ftdi, &TakeFtdiPin<&FtdiPins::mosi>},
    {"miso", Kind::Ftdi, &TakeFtdiPin<&FtdiPins::miso>},
};

// "name=value", or a flag's name alone: an option, not part of a file name.
bool OptionShaped(const std::string& part)
{
    const size_t eq = part.find('=');
    if (eq == std::string::npos)
        return std::any_of(std::begin(kOptions), std::end(kOptions),
                           [&](const PortOption& o) { return o.flag && part == o.name; });
    return eq > 0 && std::all_of(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(eq),
                                 [](char c) { return std::islower(static_cast<unsigned char>(c)) || c == '-'; });
}

std::pair<std::string, std::string> SplitOption(const std::string& part)
{
    const size_t eq = part.find('=');
    if (eq == std::string::npos)
        return {part, std::string()};
    return {part.substr(0, eq), part.substr(eq + 1)};
}

// The GPIO chip as a path: "gpiochip1" and "1" are /dev/gpiochip1.
std::string GpioChipPath(const std::string& given)
{
    if (given.empty())
        return GpioLines{}.chip;
    if (std::all_of(given.begin(), given.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return "/dev/gpiochip" + given;
    if (given.find('/') == std::string::npos)
        return "/dev/" + given;
    return given;
}

PortChoice Invalid(const std::string& text, std::string problem)
{
    PortChoice choice;
    choice.kind = Kind::Invalid;
    choice.argument = text;
    choice.problem = std::move(problem);
    return choice;
}

// What an error adds so that the user sees every form they could have meant.
std::string Forms()
{
    return "; the forms are " + PortFormList();
}

// "a, b or c" of n items.
std::string Listed(size_t n, const std::function<std::string(size_t)>& item)
{
    std::string list;
    for (size_t i = 0; i < n; ++i)
        list += std::string(i == 0 ? "" : i + 1 == n ? " or " : ", ") + item(i);
    return list;
}

std::string ModelList()
{
    const auto devices = Devices();
    return Listed(devices.size(), [&](size_t i) { return std::string(devices[i].tag); });
}

// A name of a model tag's shape: a letter, then digits ("s52").
bool ModelShaped(const std::string& word)
{
    if (word.size() < 2 || !std::isalpha(static_cast<unsigned char>(word[0])))
        return false;
    return std::all_of(word.begin() + 1, word.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "s52", or "s52:FILE", names the model; a name before a colon is always
// one, and so is a bare name of a model's shape: "s54:x" and "s54" are
// typos, not files. A path ("./s54", "/tmp/a:b") is the file alone.
bool TakeModel(PortChoice& choice, std::string* problem)
{
    const std::string& argument = choice.argument;
    const size_t colon = argument.find(':');
    const std::string model = argument.substr(0, colon);
    const bool named = colon != std::string::npos ? model.find('/') == std::string::npos : ModelShaped(model);
    if (!named || model.empty())
        return true;
    for (const Device& d : Devices()) {
        if (model == d.tag) {
            choice.simModel = d.id;
            choice.argument = colon == std::string::npos ? std::string() : argument.substr(colon + 1);
            return true;
        }
    }
    *problem = "names no model " + model + ": MODEL is " + ModelList() + " (a chip file of that name is ./" +
               model + ")";
    return false;
}

// The trailing ",NAME=VALUE" options, last first; what is left is the form.
// A trailing part without "name=" belongs to a file name ("a,b.bin").
std::vector<std::pair<std::string, std::string>> TakeOptions(std::string& value)
{
    std::vector<std::pair<std::string, std::string>> options;
    for (size_t comma; (comma = value.rfind(',')) != std::string::npos;) {
        const std::string part = value.substr(comma + 1);
        if (!OptionShaped(part))
            break;
        options.insert(options.begin(), SplitOption(part));
        value.resize(comma);
    }
    return options;
}

// Why the target's four lines are not four: one line cannot be two pins.
const char* SharedLine(const PortChoice& choice)
{
    const auto distinct = [](auto a, auto b, auto c, auto d) {
        return a != b && a != c && a != d && b != c && b != d && c != d;
    };
    if (choice.kind == Kind::Gpio && !distinct(choice.gpio.rst, choice.gpio.sck, choice.gpio.mosi, choice.gpio.miso))
        return "gives one GPIO line to two pins: rst, sck, mosi and miso need a line each";
    if (choice.kind == Kind::Ftdi && !distinct(choice.ftdi.rst, choice.ftdi.sck, choice.ftdi.mosi, choice.ftdi.miso))
        return "gives one FTDI pin to two of the target's: rst, sck, mosi and miso need a pin each";
    return nullptr;
}

} // namespace

std::span<const PortForm> PortForms()
{
    return kForms;
}

std::string PortFormList()
{
    return Listed(std::size(kForms), [](size_t i) { return std::string(kForms[i].syntax); });
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
    auto options = TakeOptions(value);
    const auto colon = value.find(':');
    const std::string name = value.substr(0, colon);
    const PortForm* form = nullptr;
    for (const PortForm& f : kForms)
        if (name == f.name || (name.empty() && f.kind == Kind::Auto))
            form = &f;
    if (!form)
        return Invalid(original, "is not one of " + PortFormList());

    PortChoice choice;
    choice.kind = form->kind;
    if (colon != std::string::npos) {
        if (form->argument == Argument::None)
            return Invalid(original, "has something after " + name + ", which takes nothing" + Forms());
        choice.argument = value.substr(colon + 1);
    }
    std::string problem;
    if (form->argument == Argument::GpioChip) {
        // The lines follow the chip after a colon: "gpio:/dev/gpiochip0:rst=17,sck=11".
        std::string& argument = choice.argument;
        const size_t last = argument.rfind(':');
        const std::string part = last == std::string::npos ? argument : argument.substr(last + 1);
        if (OptionShaped(part)) {
            options.insert(options.begin(), SplitOption(part));
            argument.resize(last == std::string::npos ? 0 : last);
        }
        choice.gpio.chip = GpioChipPath(argument);
        argument = choice.gpio.chip;
    }
    if (form->argument == Argument::Serial)
        choice.ftdi.serial = choice.argument;
    if (form->argument == Argument::SimChip && !TakeModel(choice, &problem))
        return Invalid(original, problem + Forms());
    if (form->argument == Argument::UsbPlace && colon != std::string::npos &&
        !ParseUsbPlace(choice.argument, choice.usbBus, choice.usbDevice))
        return Invalid(original, "does not give BUS:DEVICE as lsusb shows them (e.g. usbasp:1:5)");
    if (form->kind == Kind::Arduino)
        choice.baud = PortChoice::kDefaultBaud;
    for (size_t i = 0; i < options.size(); ++i) {
        const auto& [option, setting] = options[i];
        const PortOption* known = nullptr;
        for (const PortOption& o : kOptions)
            if (option == o.name && o.kind == form->kind)
                known = &o;
        if (!known)
            return Invalid(original, "has an option " + option + "= that " + name + " does not take" + Forms());
        if (known->flag && original.find(option + "=") != std::string::npos)
            return Invalid(original, option + " takes no value" + Forms());
        for (size_t j = 0; j < i; ++j)
            if (options[j].first == option)
                return Invalid(original, "gives " + option + "= twice" + Forms());
        if (!known->take(setting, choice, &problem))
            return Invalid(original, problem);
    }
    if (const char* clash = SharedLine(choice))
        return Invalid(original, clash);
    if (form->argument == Argument::Device && choice.argument.empty())
        return Invalid(original, "names no serial port: arduino:/dev/ttyACM0, for example");
    return choice;
}

std::string PortChoice::programmer() const
{
    if (isCable())
        return kind == Kind::Sim ? "Parallel-port cable to a simulated chip" : "Parallel-port cable";
    switch (kind) {
    case Kind::Usbasp:
        return "USBasp";
    case Kind::Arduino:
        return "Arduino as ISP";
    case Kind::Gpio:
        return "GPIO lines";
    case Kind::Ftdi:
        return "FTDI cable";
    default:
        break;
    }
    return "None";
}

PortChoice ChosenPort(const char* environment, const std::string& stored)
{
    if (environment && *environment)
        return PortChoice::parse(environment);
    PortChoice choice = PortChoice::parse(stored.c_str());
    return choice.kind == PortChoice::Kind::Invalid ? PortChoice{} : choice;
}
