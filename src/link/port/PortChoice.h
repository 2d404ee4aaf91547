#pragma once

#include <cstdint>
#include <string>

// What VORLANE_PORT asks for.
struct PortChoice {
    enum class Kind { Auto, Ppdev, Direct, Sim, None, Invalid };
    Kind kind = Kind::Auto;
    std::string argument; // the device for ppdev, the chip file for sim
    int64_t accessNs = 0; // sim only: the time each port access costs

    // A millisecond per access is already far beyond any real port.
    static constexpr int64_t kMaxAccessNs = 1'000'000;

    // null or "" or "auto", "ppdev[:/dev/parportN]", "direct",
    // "sim[:FILE][,access=N[ns|us]]" (N up to 1 ms), "none".
    static PortChoice parse(const char* text);
};
