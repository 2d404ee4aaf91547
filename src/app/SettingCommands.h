#pragma once

#include <Device.h>

#include <QString>

class CMainFrame;
class CVorlaneDoc;
class CVorlaneView;
class ProgrammingSession;

// The Tools menu's settings: the chip, the read options, the reset's rest
// level, the timing window, the programmer, the port address and the pins. Each handler
// changes the session's settings and sets its own check marks.
class SettingCommands {
public:
    SettingCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view, ProgrammingSession& session);

    void bind();
    // The check marks brought in line with freshly loaded settings (which
    // also names the port in the status bar).
    void syncWithSettings();

    void OnReadAfterWrite();
    void OnReadBeforeWrite();
    void OnRstInverted();
    void OnMoreOptions();
    void OnPort(int command);
    // Another programmer, stored at once and used from the next job on;
    // Arduino as ISP asks for its serial port first.
    void OnProgrammer(int command);
    void OnDevice(DeviceId id);
    void OnPin(int command);

private:
    // The check mark, the setting and the device size of a chip choice.
    void selectDevice(DeviceId id);
    // The Programmer item of what the session is on.
    void checkProgrammer();
    // The status bar's port line: the backend in use or why none, and a
    // trace that could not be kept.
    QString portLine();

    CMainFrame& frame_;
    CVorlaneDoc& document_;
    CVorlaneView& view_;
    ProgrammingSession& session_;
};
