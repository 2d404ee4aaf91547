#include "PortChoice.h"

PortChoice PortChoice::parse(const char* text)
{
    const std::string value = text ? text : "";
    const auto colon = value.find(':');
    const std::string name = value.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : value.substr(colon + 1);
    if (name.empty() || name == "auto")
        return {Kind::Auto, {}};
    if (name == "ppdev")
        return {Kind::Ppdev, argument};
    if (name == "direct")
        return {Kind::Direct, {}};
    if (name == "sim")
        return {Kind::Sim, argument};
    if (name == "none")
        return {Kind::None, {}};
    return {Kind::Invalid, value};
}
