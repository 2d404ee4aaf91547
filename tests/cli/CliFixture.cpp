#include "CliFixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

void CliFixture::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vorlane-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::filesystem::create_directories(dir_ / "config");
}

void CliFixture::TearDown()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string CliFixture::write(const std::string& name, const Bytes& bytes) const
{
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path(name);
}

std::string CliFixture::write(const std::string& name, const std::string& text) const
{
    return write(name, Bytes(text.begin(), text.end()));
}

Bytes CliFixture::read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string CliFixture::binary()
{
    return VORLANE_CLI_BINARY;
}

std::vector<std::string> CliFixture::environment(std::vector<std::string> extra) const
{
    extra.push_back("XDG_CONFIG_HOME=" + path("config"));
    return extra;
}

CliProcess::Result CliFixture::cli(std::vector<std::string> arguments, std::vector<std::string> extra) const
{
    arguments.insert(arguments.begin(), binary());
    return CliProcess::Run(arguments, environment(std::move(extra)));
}

std::string CliFixture::storeSettings(const std::string& lines) const
{
    std::filesystem::create_directories(dir_ / "config/Castavel/Vorlane");
    return write("config/Castavel/Vorlane/Vorlane.conf", "[Settings]\n" + lines);
}

Bytes CliFixture::programmed()
{
    Bytes flash(12288);
    for (size_t a = 0; a < flash.size(); ++a)
        flash[a] = static_cast<uint8_t>(a * 7 % 251);
    return flash;
}

Bytes CliFixture::Locked(Bytes flash, const std::string& state)
{
    std::string record = "\nvorlane lock state: " + state;
    record.resize(31, ' ');
    flash.insert(flash.end(), record.begin(), record.end());
    flash.push_back('\n');
    return flash;
}

std::string HexRecord(int address, const std::vector<uint8_t>& data)
{
    char text[16];
    std::string line = ":";
    unsigned sum = static_cast<unsigned>(data.size()) + static_cast<unsigned>(address >> 8) +
                   static_cast<unsigned>(address & 0xFF);
    std::snprintf(text, sizeof text, "%02X%04X00", static_cast<unsigned>(data.size()), static_cast<unsigned>(address));
    line += text;
    for (uint8_t b : data) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}
