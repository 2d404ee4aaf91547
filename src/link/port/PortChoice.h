#pragma once

#include <string>

// What VORLANE_PORT asks for.
struct PortChoice {
    enum class Kind { Auto, Ppdev, Direct, Sim, None, Invalid };
    Kind kind = Kind::Auto;
    std::string argument; // the device for ppdev, the chip file for sim

    // null or "" or "auto", "ppdev[:/dev/parportN]", "direct", "sim[:FILE]", "none".
    static PortChoice parse(const char* text);
};
