#pragma once

#include "../Device.h"

#include <cstdint>
#include <optional>
#include <string>

// What VORLANE_PORT asks for.
struct PortChoice {
    enum class Kind { Auto, Ppdev, Direct, Sim, None, Invalid };
    Kind kind = Kind::Auto;
    std::string argument; // the device for ppdev, the chip file for sim
    int64_t accessNs = 0; // sim only: the time each port access costs
    // sim only: the model named ("sim:s52:FILE"), else the selected device's.
    std::optional<DeviceId> simModel;

    // A millisecond per access is already far beyond any real port.
    static constexpr int64_t kMaxAccessNs = 1'000'000;

    // null or "" or "auto", "ppdev[:/dev/parportN]", "direct",
    // "sim[:MODEL][:FILE][,access=N[ns|us]]" (MODEL s51, s52 or s53; N up
    // to 1 ms), "none".
    static PortChoice parse(const char* text);
};
