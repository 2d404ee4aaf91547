#pragma once

#include <Device.h>
#include <ImageFileKind.h>
#include <PortChoice.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// vorlane-cli's command line, checked: what to do and with which options.
struct CliArguments {
    enum class Command { None, Write, Read, Verify, BlankCheck, Erase, Lock, Reset, Info };
    struct Range {
        int32_t first = 0;
        int32_t last = 0;
    };

    Command command = Command::None;
    std::string file;                  // write and verify: the input; read: the output
    int level = 0;                     // lock N, or write's --lock N
    std::optional<ImageFileKind> format;
    std::optional<Range> range;
    bool erase = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::optional<PortChoice> port;    // overrides VORLANE_PORT
    std::optional<std::string> trace;  // overrides VORLANE_TRACE
    std::optional<DeviceId> device;    // overrides the stored device
    std::vector<std::pair<std::string, std::string>> settings; // --set NAME=VALUE, in order

    // Options may come before or after the command; "--" ends them. On a
    // mistake returns nullopt with *error saying what is wrong. `deviceSize`
    // bounds --range (the caller checks it again once the device is known).
    static std::optional<CliArguments> Parse(const std::vector<std::string>& words, int32_t deviceSize,
                                             std::string* error);
};

// The command's name as typed ("blank-check").
const char* CommandName(CliArguments::Command command);
