#pragma once

#include <Device.h>

#include <cstdint>
#include <functional>

class CMainFrame;
class CVorlaneDoc;
class CVorlaneView;
class JobWindow;
class ProgrammingSession;
struct JobReport;

// The Tools commands that reach the chip: each opens its job window on the
// document's image, or runs at once (Erase, Reset).
class JobCommands {
public:
    // `selectDevice` selects the chip found in the socket when the user takes
    // the offer to.
    JobCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view, ProgrammingSession& session,
                std::function<void(DeviceId)> selectDevice);

    void bind();

    void OnRead();
    void OnVerify();
    void OnBlankCheck();
    void OnWrite(bool writeAll);
    void OnErase();
    void OnReset();

    // The unattended write of a file named on the command line: true when
    // the write succeeded.
    bool WriteUnattended();

private:
    // Opens the window with the document's range, runs it, takes its range back.
    void runWindow(JobWindow& window);
    // The same with `finish` offered as the range's end; `attended`: someone
    // is there to answer questions after a job.
    void runWindow(JobWindow& window, int32_t finish, bool attended);
    // After a job that met a chip other than the one selected: offers to
    // select the chip found.
    void offerDeviceFound(const JobReport& report);

    CMainFrame& frame_;
    CVorlaneDoc& document_;
    CVorlaneView& view_;
    ProgrammingSession& session_;
    std::function<void(DeviceId)> selectDevice_;
};
