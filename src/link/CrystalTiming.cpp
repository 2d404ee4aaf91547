#include "CrystalTiming.h"

#include "Device.h"
#include "ProgrammerSettings.h"

namespace {

constexpr uint64_t kPhasePeriods = 8;
constexpr uint64_t kWriteCyclePeriods = 64;
constexpr uint32_t kWriteCycleFixedUs = 400;

// n crystal periods in units of 1/scale s, rounded up.
uint64_t Periods(uint64_t n, uint64_t scale, uint32_t hz)
{
    return (n * scale + hz - 1) / hz;
}

} // namespace

CrystalTiming::CrystalTiming(uint32_t crystalHz) : hz_(InRange(crystalHz) ? crystalHz : kSlowestHz)
{
}

uint32_t CrystalTiming::shortestPhaseNs() const
{
    return static_cast<uint32_t>(Periods(kPhasePeriods, 1'000'000'000, hz_));
}

uint32_t CrystalTiming::byteWriteUs() const
{
    return static_cast<uint32_t>(Periods(kWriteCyclePeriods, 1'000'000, hz_)) + kWriteCycleFixedUs;
}

std::optional<uint32_t> CrystalTiming::Parse(const std::string& text)
{
    const size_t digits = text.find_first_not_of("0123456789.");
    const std::string number = text.substr(0, digits);
    const std::string unit = digits == std::string::npos ? std::string() : text.substr(digits);
    const size_t point = number.find('.');
    const std::string whole = number.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : number.substr(point + 1);
    const int scale = unit == "MHz" ? 6 : unit == "kHz" ? 3 : unit.empty() || unit == "Hz" ? 0 : -1;
    if (scale < 0 || whole.empty() || whole.size() > 8 || fraction.find('.') != std::string::npos ||
        fraction.size() > static_cast<size_t>(scale) || (point != std::string::npos && fraction.empty()))
        return std::nullopt;
    uint64_t hz = std::stoull(whole);
    for (int i = 0; i < scale; ++i)
        hz = hz * 10 + (i < static_cast<int>(fraction.size()) ? fraction[static_cast<size_t>(i)] - '0' : 0);
    if (hz < kSlowestHz || hz > kFastestHz)
        return std::nullopt;
    return static_cast<uint32_t>(hz);
}

std::string CrystalTiming::text() const
{
    std::string fraction = std::to_string(1'000'000 + hz_ % 1'000'000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return std::to_string(hz_ / 1'000'000) + (fraction.empty() ? "" : "." + fraction) + " MHz";
}

uint32_t ShortestPhaseNs(const ProgrammerSettings& settings)
{
    if (StoredDevice(settings.device).family != InstructionFamily::FourByte)
        return 0;
    return CrystalTiming(settings.crystalHz).shortestPhaseNs();
}
