#include "SettingsStore.h"

#include "SettingField.h"

#include <QSettings>

#include <optional>
#include <string_view>

namespace {

constexpr const char* kOrganization = "Castavel/Vorlane";
constexpr const char* kApplication = "Vorlane";

QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganization, kApplication);
}

// A value that is absent, that does not read as an integer, or that does not
// fit the store's 32 unsigned bits gives the default: wrapping 99999999999
// would turn a timing into minutes of waiting per byte.
std::optional<uint32_t> Stored(QSettings& s, const char* name)
{
    const QVariant v = s.value(QLatin1String(name));
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!v.isValid() || !ok || n < 0 || n > qlonglong{UINT32_MAX})
        return std::nullopt;
    return static_cast<uint32_t>(n);
}

uint32_t Read(QSettings& s, const char* name, uint32_t fallback)
{
    return Stored(s, name).value_or(fallback);
}

// The store holds a value for the field that a load (`loaded`, what a
// load of the store gives now) takes as it is: not absent, not unreadable,
// not narrowed or corrected.
bool HeldAsIs(QSettings& s, const SettingField& field, const ProgrammerSettings& loaded)
{
    const std::optional<uint32_t> value = Stored(s, field.name);
    return value && field.get(loaded) == *value;
}

// QSettings keeps what it cannot write to itself: sync() and its status are
// the only way to learn that the user's change is lost.
bool Written(QSettings& s, std::string* problem)
{
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (problem)
        *problem = "cannot write " + s.fileName().toStdString() + " (is it, or its folder, read-only?)";
    return false;
}

// Every field but "First Time 2", which only the notice's dismissal writes;
// with `since`, a field unchanged since then only where the store holds no
// value a load could take as it is (another program's stays).
bool SaveFields(const ProgrammerSettings& in, const ProgrammerSettings* since, std::string* problem)
{
    ProgrammerSettings held{};
    if (since)
        SettingsStore::Load(held);
    QSettings s = Store();
    s.beginGroup(QStringLiteral("Settings"));
    for (const SettingField& field : SettingFields()) {
        if (std::string_view(field.name) == "First Time 2" ||
            (since && field.get(in) == field.get(*since) && HeldAsIs(s, field, held)))
            continue;
        s.setValue(QLatin1String(field.name), field.get(in));
    }
    s.endGroup();
    return Written(s, problem);
}


} // namespace

void SettingsStore::Load(ProgrammerSettings& out)
{
    QSettings s = Store();
    s.beginGroup(QStringLiteral("Settings"));
    const ProgrammerSettings d = DefaultProgrammerSettings();
    for (const SettingField& field : SettingFields()) {
        field.set(out, Read(s, field.name, field.get(d)));
        // A value the program cannot use, such as a pin that names no line,
        // would make every job fail, or pass without a line having moved.
        if (field.usable && !field.usable(field.get(out)))
            field.set(out, field.get(d));
    }
    // Two signals on one line reach the chip as neither: the cable as
    // delivered is the likelier one.
    if (!PinsApart(out)) {
        for (const SettingField* pin : PinFields())
            pin->set(out, pin->get(d));
    }
}

const Device& SettingsStore::LoadDevice()
{
    QSettings s = Store();
    s.beginGroup(QStringLiteral("Settings"));
    ProgrammerSettings read = DefaultProgrammerSettings();
    const SettingField& field = *FindSettingField("Device");
    field.set(read, Read(s, field.name, field.get(read)));
    return StoredDevice(read.device);
}

bool SettingsStore::Save(const ProgrammerSettings& settings, std::string* problem)
{
    return SaveFields(settings, nullptr, problem);
}

bool SettingsStore::SaveChanges(const ProgrammerSettings& settings, const ProgrammerSettings& loaded,
                                std::string* problem)
{
    return SaveFields(settings, &loaded, problem);
}

void SettingsStore::ClearFirstRun()
{
    QSettings s = Store();
    s.setValue(QStringLiteral("Settings/First Time 2"), 0);
    s.sync();
}

std::string SettingsStore::Location()
{
    return Store().fileName().toStdString();
}

QStringList SettingsStore::LoadRecentFiles()
{
    QSettings s = Store();
    QStringList files;
    for (int i = 1; i <= 4; ++i) {
        const QString f = s.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!f.isEmpty())
            files << f;
    }
    return files;
}

bool SettingsStore::SaveRecentFiles(const QStringList& files, std::string* problem)
{
    QSettings s = Store();
    s.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < files.size() && i < 4; ++i)
        s.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), files[i]);
    return Written(s, problem);
}

QByteArray SettingsStore::LoadWindowGeometry()
{
    return Store().value(QStringLiteral("Window/Geometry")).toByteArray();
}

bool SettingsStore::SaveWindowGeometry(const QByteArray& geometry, std::string* problem)
{
    QSettings s = Store();
    s.setValue(QStringLiteral("Window/Geometry"), geometry);
    return Written(s, problem);
}
