#pragma once

#include "CliProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A scratch folder with a private settings store and a simulated chip kept
// in chip.bin; vorlane-cli run on it as a separate process.
using Bytes = std::vector<uint8_t>;

class CliFixture : public ::testing::Test {
protected:

    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const Bytes& bytes) const;
    std::string write(const std::string& name, const std::string& text) const;
    static Bytes read(const std::string& file);

    // vorlane-cli with these arguments and extra environment entries.
    CliProcess::Result cli(std::vector<std::string> arguments, std::vector<std::string> environment = {}) const;
    std::vector<std::string> environment(std::vector<std::string> extra = {}) const;
    static std::string binary();
    std::string simPort() const { return "--port=sim:" + chipFile(); }
    std::string chipFile() const { return path("chip.bin"); }
    Bytes chip() const { return read(chipFile()); }
    void setChip(const Bytes& flash) const { write("chip.bin", flash); }
    // Settings in the store the window writes.
    std::string storeSettings(const std::string& lines) const;

    // A chip without a single 0xFF: a stray write shows anywhere.
    static Bytes programmed();
    static Bytes erased() { return Bytes(12288, 0xFF); }
    // A locked chip's file: its flash, then the record of its lock state.
    static Bytes Locked(Bytes flash, const std::string& state);

    std::filesystem::path dir_;
};

// One Intel HEX data record, CR LF ended.
std::string HexRecord(int address, const std::vector<uint8_t>& data);
