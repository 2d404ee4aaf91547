#include "SettingsStore.h"

#include "SettingField.h"

#include <QSettings>

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
uint32_t Read(QSettings& s, const char* name, uint32_t fallback)
{
    const QVariant v = s.value(QLatin1String(name));
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!v.isValid() || !ok || n < 0 || n > qlonglong{UINT32_MAX})
        return fallback;
    return static_cast<uint32_t>(n);
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

void SettingsStore::Save(const ProgrammerSettings& in)
{
    QSettings s = Store();
    s.beginGroup(QStringLiteral("Settings"));
    auto put = [&s](const char* name, uint32_t value) { s.setValue(QLatin1String(name), value); };
    put("LPT", in.lptBase);
    put("ReadAfterWrite", in.readAfterWrite);
    put("ReadBeforeWrite", in.readBeforeWrite);
    put("ResetActive", in.idleByte);
    put("Data Pin", in.dataPin);
    put("Clock Pin", in.clockPin);
    put("Reset Pin", in.resetPin);
    put("Reset Time", in.resetTimeUs);
    put("Up Time", in.upTimeUs);
    put("Down Time", in.downTimeUs);
    put("Written Time", in.writtenTimeUs);
    put("SCK state", in.sckState);
    put("DIN state", in.dinState);
    put("DOUT state", in.doutState);
    put("Poll Write End", in.pollWriteEnd);
    put("Device", in.device);
    put("Crystal", in.crystalHz);
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

void SettingsStore::SaveRecentFiles(const QStringList& files)
{
    QSettings s = Store();
    s.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < files.size() && i < 4; ++i)
        s.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), files[i]);
}

QByteArray SettingsStore::LoadWindowGeometry()
{
    return Store().value(QStringLiteral("Window/Geometry")).toByteArray();
}

void SettingsStore::SaveWindowGeometry(const QByteArray& geometry)
{
    Store().setValue(QStringLiteral("Window/Geometry"), geometry);
}
