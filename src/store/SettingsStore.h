#pragma once

#include <Device.h>
#include <ProgrammerSettings.h>

#include <QByteArray>
#include <QStringList>

#include <string>

// The per-user store of the settings: QSettings in its native format under
// "Castavel/Vorlane" / "Vorlane", group "Settings", one integer per value.
class SettingsStore {
public:
    // Fills the record in the stored order, narrowing each value to its
    // field. A value the program cannot use (a pin above D7, an unknown port
    // address or device) gives its default, and pins that share a line all
    // give theirs.
    static void Load(ProgrammerSettings& settings);
    // The chip stored, alone: what a file named at start-up is loaded for,
    // before the rest of the settings.
    static const Device& LoadDevice();
    // Writes every field but "First Time 2", zero-extended to 32 bits.
    static void Save(const ProgrammerSettings& settings);
    // The first-run notice was dismissed.
    static void ClearFirstRun();
    // Where the store lives (the file, on Linux); reading it writes nothing.
    static std::string Location();

    static QStringList LoadRecentFiles();
    static void SaveRecentFiles(const QStringList& files);

    // The main window's size and place, as Qt saves them, in group "Window";
    // empty when none was stored.
    static QByteArray LoadWindowGeometry();
    static void SaveWindowGeometry(const QByteArray& geometry);
};
