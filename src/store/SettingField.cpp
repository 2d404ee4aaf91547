#include "SettingField.h"

#include <CrystalTiming.h>
#include <Device.h>

#include <type_traits>
#include <utility>

namespace {

template <auto Member>
using FieldType = std::remove_reference_t<decltype(std::declval<ProgrammerSettings&>().*Member)>;

template <auto Member>
uint32_t Get(const ProgrammerSettings& s)
{
    return s.*Member;
}

template <auto Member>
void Narrow(ProgrammerSettings& s, uint32_t value)
{
    s.*Member = static_cast<FieldType<Member>>(value);
}

template <auto Member>
void Flag(ProgrammerSettings& s, uint32_t value)
{
    s.*Member = value != 0 ? 1 : 0;
}

// A device number the program does not know is the AT89S53, as before
// there was a choice.
void KnownDevice(ProgrammerSettings& s, uint32_t value)
{
    s.device = static_cast<uint32_t>(StoredDevice(value).id);
}

bool IsDevice(uint32_t value)
{
    return KnownDeviceId(value).has_value();
}

// The window offers these three only; a base outside them could reach
// another device's registers through direct I/O.
bool IsPortBase(uint32_t base)
{
    return base == 0x278 || base == 0x378 || base == 0x3BC;
}

// A data line of the port, D0 to D7.
bool IsLine(uint32_t pin)
{
    return pin <= 7;
}

bool IsByte(uint32_t value)
{
    return value <= 0xFF;
}

constexpr char kLines[] = "a pin is a data line from 0 (D0) to 7 (D7)";

template <auto Member>
constexpr SettingField Field(const char* name, bool (*usable)(uint32_t) = nullptr, const char* allowed = nullptr)
{
    return {name, &Get<Member>, &Narrow<Member>, usable, allowed};
}

template <auto Member>
constexpr SettingField FlagField(const char* name)
{
    return {name, &Get<Member>, &Flag<Member>};
}

using S = ProgrammerSettings;

constexpr SettingField kFields[] = {
    Field<&S::lptBase>("LPT", &IsPortBase, "the port address is 0x378 (888), 0x278 (632) or 0x3BC (956)"),
    FlagField<&S::readAfterWrite>("ReadAfterWrite"),
    FlagField<&S::readBeforeWrite>("ReadBeforeWrite"),
    Field<&S::idleByte>("ResetActive", &IsByte, "the rest levels are one byte, 0 to 255"),
    Field<&S::clockPin>("Clock Pin", &IsLine, kLines),
    Field<&S::dataPin>("Data Pin", &IsLine, kLines),
    Field<&S::resetPin>("Reset Pin", &IsLine, kLines),
    Field<&S::firstRun>("First Time 2"),
    Field<&S::resetTimeUs>("Reset Time"),
    Field<&S::upTimeUs>("Up Time"),
    Field<&S::downTimeUs>("Down Time"),
    Field<&S::writtenTimeUs>("Written Time"),
    Field<&S::sckState>("SCK state"),
    Field<&S::dinState>("DIN state"),
    Field<&S::doutState>("DOUT state"),
    Field<&S::pollWriteEnd>("Poll Write End"),
    {"Device", &Get<&S::device>, &KnownDevice, &IsDevice,
     "the device is 51 (AT89S51), 52 (AT89S52) or 53 (AT89S53)"},
    Field<&S::crystalHz>("Crystal", &CrystalTiming::InRange,
                         "the AT89S51/52 crystal is 3000000 to 33000000 Hz (3 to 33 MHz)"),
};


} // namespace

std::span<const SettingField> SettingFields()
{
    return kFields;
}

const SettingField* FindSettingField(std::string_view name)
{
    for (const SettingField& f : kFields)
        if (name == f.name)
            return &f;
    return nullptr;
}

std::span<const SettingField* const> PinFields()
{
    // Reset, clock, data: the order the pins are named in everywhere.
    static const SettingField* const pins[] = {FindSettingField("Reset Pin"), FindSettingField("Clock Pin"),
                                               FindSettingField("Data Pin")};
    return pins;
}

bool PinsApart(const ProgrammerSettings& s)
{
    return s.resetPin != s.clockPin && s.resetPin != s.dataPin && s.clockPin != s.dataPin;
}
