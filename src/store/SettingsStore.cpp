#include "SettingsStore.h"

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
    out.lptBase = static_cast<uint16_t>(Read(s, "LPT", d.lptBase));
    out.readAfterWrite = Read(s, "ReadAfterWrite", d.readAfterWrite) != 0 ? 1 : 0;
    out.readBeforeWrite = Read(s, "ReadBeforeWrite", d.readBeforeWrite) != 0 ? 1 : 0;
    out.idleByte = static_cast<uint8_t>(Read(s, "ResetActive", d.idleByte));
    out.clockPin = static_cast<uint8_t>(Read(s, "Clock Pin", d.clockPin));
    out.dataPin = static_cast<uint8_t>(Read(s, "Data Pin", d.dataPin));
    out.resetPin = static_cast<uint8_t>(Read(s, "Reset Pin", d.resetPin));
    out.firstRun = Read(s, "First Time 2", d.firstRun);
    out.resetTimeUs = Read(s, "Reset Time", d.resetTimeUs);
    out.upTimeUs = Read(s, "Up Time", d.upTimeUs);
    out.downTimeUs = Read(s, "Down Time", d.downTimeUs);
    out.writtenTimeUs = Read(s, "Written Time", d.writtenTimeUs);
    out.sckState = Read(s, "SCK state", d.sckState);
    out.dinState = Read(s, "DIN state", d.dinState);
    out.doutState = Read(s, "DOUT state", d.doutState);
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
}

void SettingsStore::ClearFirstRun()
{
    QSettings s = Store();
    s.setValue(QStringLiteral("Settings/First Time 2"), 0);
    s.sync();
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
