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

// A crystal outside the datasheets' 3 to 33 MHz is the default, the slowest:
// one above would time the chip faster than any board allows.
void UsableCrystal(ProgrammerSettings& s, uint32_t value)
{
    s.crystalHz = CrystalTiming::InRange(value) ? value : DefaultProgrammerSettings().crystalHz;
}

template <auto Member>
constexpr SettingField Field(const char* name)
{
    return {name, &Get<Member>, &Narrow<Member>};
}

template <auto Member>
constexpr SettingField FlagField(const char* name)
{
    return {name, &Get<Member>, &Flag<Member>};
}

using S = ProgrammerSettings;

constexpr SettingField kFields[] = {
    Field<&S::lptBase>("LPT"),
    FlagField<&S::readAfterWrite>("ReadAfterWrite"),
    FlagField<&S::readBeforeWrite>("ReadBeforeWrite"),
    Field<&S::idleByte>("ResetActive"),
    Field<&S::clockPin>("Clock Pin"),
    Field<&S::dataPin>("Data Pin"),
    Field<&S::resetPin>("Reset Pin"),
    Field<&S::firstRun>("First Time 2"),
    Field<&S::resetTimeUs>("Reset Time"),
    Field<&S::upTimeUs>("Up Time"),
    Field<&S::downTimeUs>("Down Time"),
    Field<&S::writtenTimeUs>("Written Time"),
    Field<&S::sckState>("SCK state"),
    Field<&S::dinState>("DIN state"),
    Field<&S::doutState>("DOUT state"),
    Field<&S::pollWriteEnd>("Poll Write End"),
    {"Device", &Get<&S::device>, &KnownDevice},
    {"Crystal", &Get<&S::crystalHz>, &UsableCrystal},
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
