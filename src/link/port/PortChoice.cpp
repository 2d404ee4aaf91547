#include "PortChoice.h"

#include <charconv>

namespace {

constexpr int64_t kMaxAccessNs = PortChoice::kMaxAccessNs;

// "1900ns", "1900" (nanoseconds) or "2us"; false for anything else or above 1 ms.
bool ParseDuration(const std::string& text, int64_t& ns)
{
    int64_t n = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, n);
    if (error != std::errc{} || rest == text.data() || n < 0)
        return false;
    const std::string unit(rest, end);
    if (unit == "us") {
        if (n > kMaxAccessNs / 1000)
            return false;
        n *= 1000;
    } else if (!unit.empty() && unit != "ns") {
        return false;
    }
    if (n > kMaxAccessNs)
        return false;
    ns = n;
    return true;
}

// "s52" or "s52:FILE" names the model; anything else is the file alone.
PortChoice SimChoice(const std::string& argument, int64_t accessNs)
{
    PortChoice choice{PortChoice::Kind::Sim, argument, accessNs, std::nullopt};
    const std::string model = argument.substr(0, argument.find(':'));
    for (const Device& d : Devices()) {
        if (model == d.tag) {
            choice.simModel = d.id;
            choice.argument = model.size() < argument.size() ? argument.substr(model.size() + 1) : std::string();
        }
    }
    return choice;
}

} // namespace

PortChoice PortChoice::parse(const char* text)
{
    const std::string original = text ? text : "";
    std::string value = original;
    int64_t accessNs = 0;
    // The simulated port's one option trails its value, after the file if any.
    const auto option = value.rfind(",access=");
    if (value.rfind("sim", 0) == 0 && option != std::string::npos) {
        if (!ParseDuration(value.substr(option + 8), accessNs))
            return {Kind::Invalid, original, 0, std::nullopt};
        value.resize(option);
    }
    const auto colon = value.find(':');
    const std::string name = value.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : value.substr(colon + 1);
    if (name.empty() || name == "auto")
        return {Kind::Auto, {}, 0, std::nullopt};
    if (name == "ppdev")
        return {Kind::Ppdev, argument, 0, std::nullopt};
    if (name == "direct")
        return {Kind::Direct, {}, 0, std::nullopt};
    if (name == "sim")
        return SimChoice(argument, accessNs);
    if (name == "none")
        return {Kind::None, {}, 0, std::nullopt};
    return {Kind::Invalid, original, 0, std::nullopt};
}
