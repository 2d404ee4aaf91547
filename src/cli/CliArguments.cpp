#include "CliArguments.h"

#include "CliText.h"

#include <HexDigit.h>

#include <string_view>

namespace {

using Command = CliArguments::Command;

struct CommandEntry {
    Command command;
    const char* name;
    bool takesFile;  // one FILE argument
    bool takesLevel; // one N argument
    bool takesRange;
    bool takesFormat;
};

constexpr CommandEntry kCommands[] = {
    {Command::Write, "write", true, false, true, true},
    {Command::Read, "read", true, false, true, true},
    {Command::Verify, "verify", true, false, true, true},
    {Command::BlankCheck, "blank-check", false, false, true, false},
    {Command::Erase, "erase", false, false, false, false},
    {Command::Lock, "lock", false, true, false, false},
    {Command::Reset, "reset", false, false, false, false},
    {Command::Info, "info", false, false, false, false},
};

const CommandEntry* FindCommand(std::string_view name)
{
    for (const CommandEntry& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

// A whole hexadecimal number, "0x" optional; nothing else on the text.
std::optional<int64_t> Hex(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::optional<int> Level(std::string_view text, int lowest)
{
    if (text.size() != 1 || text[0] < '0' + lowest || text[0] > '3')
        return std::nullopt;
    return text[0] - '0';
}

class Parser {
public:
    Parser(const std::vector<std::string>& words, int32_t deviceSize, std::string* error)
        : words_(words), deviceSize_(deviceSize), error_(error)
    {
    }

    std::optional<CliArguments> run();

private:
    bool fail(std::string text)
    {
        if (error_)
            *error_ = std::move(text);
        return false;
    }
    bool option(std::string_view word, size_t& i);
    // The value of an option: after '=' or the next word.
    bool value(std::string_view name, std::optional<std::string_view> inline_, size_t& i, std::string& out);
    bool range(const std::string& text);
    bool check();

    const std::vector<std::string>& words_;
    int32_t deviceSize_;
    std::string* error_;
    CliArguments args_;
    std::vector<std::string> positional_;
    std::vector<std::string> options_; // as typed, for "applies to" messages
};

std::optional<CliArguments> Parser::run()
{
    bool optionsEnded = false;
    for (size_t i = 0; i < words_.size(); ++i) {
        const std::string_view word = words_[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            if (!option(word, i))
                return std::nullopt;
            // As with GNU tools: what follows --help or --version is not looked at.
            if (args_.help || args_.version)
                return args_;
        } else {
            positional_.emplace_back(word);
        }
    }
    if (!check())
        return std::nullopt;
    return args_;
}

bool Parser::value(std::string_view name, std::optional<std::string_view> inline_, size_t& i, std::string& out)
{
    if (inline_) {
        out = *inline_;
        return true;
    }
    if (i + 1 >= words_.size())
        return fail("option " + std::string(name) + " needs a value");
    out = words_[++i];
    return true;
}

bool Parser::option(std::string_view word, size_t& i)
{
    std::string_view name = word;
    std::optional<std::string_view> inline_;
    if (const auto eq = word.find('='); word.starts_with("--") && eq != std::string_view::npos) {
        name = word.substr(0, eq);
        inline_ = word.substr(eq + 1);
    }
    const bool flag = !inline_;
    std::string text;
    if ((name == "--help" || name == "-h") && flag) {
        args_.help = true;
    } else if ((name == "--version" || name == "-V") && flag) {
        args_.version = true;
    } else if ((name == "--quiet" || name == "-q") && flag) {
        args_.quiet = true;
    } else if (name == "--erase" && flag) {
        args_.erase = true;
    } else if (name == "--port") {
        if (!value(name, inline_, i, text))
            return false;
        args_.port = PortChoice::parse(text.c_str());
        if (args_.port->kind == PortChoice::Kind::Invalid)
            return fail("--port " + text + " " + args_.port->problem);
    } else if (name == "--trace") {
        if (!value(name, inline_, i, text))
            return false;
        if (text.empty())
            return fail("option --trace needs a file name");
        args_.trace = text;
    } else if (name == "--device") {
        if (!value(name, inline_, i, text))
            return false;
        const Device* device = DeviceNamed(text);
        if (!device)
            return fail("--device " + text + ": expected at89s51, at89s52 or at89s53");
        args_.device = device->id;
    } else if (name == "--format") {
        if (!value(name, inline_, i, text))
            return false;
        if (text == "bin")
            args_.format = ImageFileKind::Binary;
        else if (text == "hex")
            args_.format = ImageFileKind::IntelHex;
        else
            return fail("--format " + text + ": expected bin or hex");
    } else if (name == "--range") {
        if (!value(name, inline_, i, text) || !range(text))
            return false;
    } else if (name == "--lock") {
        if (!value(name, inline_, i, text))
            return false;
        const auto level = Level(text, 0);
        if (!level)
            return fail("--lock " + text + ": expected a lock level from 0 to 3");
        args_.level = *level;
    } else if (name == "--set") {
        if (!value(name, inline_, i, text))
            return false;
        const auto eq = text.find('=');
        if (eq == std::string::npos || eq == 0)
            return fail("--set " + text + ": expected NAME=VALUE, e.g. --set \"Clock Pin=5\"");
        args_.settings.emplace_back(text.substr(0, eq), text.substr(eq + 1));
    } else {
        return fail("unknown option " + std::string(word));
    }
    options_.emplace_back(name);
    return true;
}

bool Parser::range(const std::string& text)
{
    const auto colon = text.find(':');
    const auto first = colon == std::string::npos ? std::nullopt : Hex(std::string_view(text).substr(0, colon));
    const auto last = colon == std::string::npos ? std::nullopt : Hex(std::string_view(text).substr(colon + 1));
    if (!first || !last)
        return fail("--range " + text + ": expected START:END in hexadecimal, e.g. 0:2FFF");
    if (*first > *last)
        return fail("--range " + text + ": START lies above END");
    if (*last >= deviceSize_)
        return fail("--range " + text + ": " + AddressText(static_cast<int32_t>(*last)) +
                    " lies outside the device (" + SpanText(0, deviceSize_ - 1) + ")");
    args_.range = CliArguments::Range{static_cast<int32_t>(*first), static_cast<int32_t>(*last)};
    return true;
}

bool Parser::check()
{
    if (positional_.empty())
        return fail("no command given");
    const CommandEntry* entry = FindCommand(positional_[0]);
    if (!entry)
        return fail("unknown command " + positional_[0]);
    args_.command = entry->command;
    const size_t wanted = entry->takesFile || entry->takesLevel ? 2 : 1;
    if (positional_.size() < wanted)
        return fail(std::string(entry->name) + " needs " + (entry->takesLevel ? "a lock level (1 to 3)" : "a file"));
    if (positional_.size() > wanted)
        return fail(std::string(entry->name) + ": unexpected argument " + positional_[wanted]);
    if (entry->takesFile) {
        if (positional_[1].empty())
            return fail(std::string(entry->name) + " needs a file");
        args_.file = positional_[1];
    }
    if (entry->takesLevel) {
        // Level 0 would ask to unlock: only a chip erase clears lock bits.
        const auto level = Level(positional_[1], 1);
        if (!level)
            return fail("lock " + positional_[1] + ": expected a lock level from 1 to 3 (only erase unlocks)");
        args_.level = *level;
    }
    for (const std::string& o : options_) {
        const bool applies = (o == "--range" && entry->takesRange) || (o == "--format" && entry->takesFormat) ||
                             ((o == "--lock" || o == "--erase") && entry->command == Command::Write);
        const bool general = o != "--range" && o != "--format" && o != "--lock" && o != "--erase";
        if (!applies && !general)
            return fail("option " + o + " does not apply to " + entry->name);
    }
    return true;
}

} // namespace

std::optional<CliArguments> CliArguments::Parse(const std::vector<std::string>& words, int32_t deviceSize,
                                                std::string* error)
{
    return Parser(words, deviceSize, error).run();
}

const char* CommandName(CliArguments::Command command)
{
    for (const CommandEntry& c : kCommands)
        if (c.command == command)
            return c.name;
    return "";
}
