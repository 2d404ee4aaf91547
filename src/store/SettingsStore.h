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
    // False, with *problem, when the store could not be written.
    static bool Save(const ProgrammerSettings& settings, std::string* problem = nullptr);
    // Writes the fields that differ from `loaded`, what this program read at
    // its start, and those the store holds no usable value for: another
    // program's changes meanwhile stay.
    static bool SaveChanges(const ProgrammerSettings& settings, const ProgrammerSettings& loaded,
                            std::string* problem = nullptr);
    // The first-run notice was dismissed.
    static void ClearFirstRun();
    // Where the store lives (the file, on Linux); reading it writes nothing.
    static std::string Location();

    static QStringList LoadRecentFiles();
    static bool SaveRecentFiles(const QStringList& files, std::string* problem = nullptr);

    // The main window's size and place, as Qt saves them, in group "Window";
    // empty when none was stored.
    static QByteArray LoadWindowGeometry();
    static bool SaveWindowGeometry(const QByteArray& geometry, std::string* problem = nullptr);
};
