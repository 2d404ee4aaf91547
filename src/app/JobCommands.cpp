#include "JobCommands.h"

#include "CMainFrame.h"
#include "CommandId.h"
#include "JobSummary.h"

#include <CBlankCheckDlg.h>
#include <CReadDlg.h>
#include <CVerifyDlg.h>
#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <CWriteDlg.h>
#include <Device.h>
#include <EraseJob.h>
#include <JobMessage.h>
#include <LinkClaim.h>
#include <ImageFile.h>
#include <MessageBox.h>
#include <ResetJob.h>
#include <StopSignal.h>

#include <QElapsedTimer>
#include <QScrollBar>

namespace {

// Erase has no window: its message comes from the view.
class ViewFeedback : public JobFeedback {
public:
    explicit ViewFeedback(QWidget* owner) : owner_(owner) {}
    void progressRange(int32_t, int32_t) override {}
    void progress(int32_t) override {}
    void message(std::string_view text, std::string_view caption, Buttons buttons) override
    {
        waitedMs += ShowJobMessage(owner_, text, caption, buttons);
    }
    bool stopRequested() override { return StopSignalNumber() != 0; }

    // The time the boxes waited for the user: no part of the job's.
    qint64 waitedMs = 0;

private:
    QWidget* owner_;
};

} // namespace

JobCommands::JobCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view, ProgrammingSession& session,
                         std::function<void(DeviceId)> selectDevice)
    : frame_(frame), document_(document), view_(view), session_(session), selectDevice_(std::move(selectDevice))
{
}

void JobCommands::bind()
{
    frame_.setHandler(ID_TOOLS_READ, [this] { OnRead(); });
    frame_.setHandler(ID_TOOLS_VERIFY, [this] { OnVerify(); });
    frame_.setHandler(ID_TOOLS_BLANK_CHECK, [this] { OnBlankCheck(); });
    frame_.setHandler(ID_TOOLS_WRITE_CHANGES, [this] { OnWrite(false); });
    frame_.setHandler(ID_TOOLS_WRITE_ALL, [this] { OnWrite(true); });
    frame_.setHandler(ID_TOOLS_ERASE, [this] { OnErase(); });
    frame_.setHandler(ID_TOOLS_RESET, [this] { OnReset(); });
}

void JobCommands::runWindow(JobWindow& window)
{
    runWindow(window, document_.image().dataEnd, true);
}

void JobCommands::runWindow(JobWindow& window, int32_t finish, bool attended)
{
    DeviceImage& image = document_.image();
    window.rangeStart = image.dataStart;
    window.rangeFinish = finish;
    window.onImageChanged = [this] { view_.viewport()->update(); };
    window.onJobFinished = [this, attended](JobWindow::Action action, const JobReport& report, qint64 ms) {
        frame_.showStatusMessage(JobSummary(action, report, ms));
        // Nobody is there to choose another chip in an unattended run.
        if (attended)
            offerDeviceFound(report);
    };
    window.exec();
    image.dataStart = window.rangeStart;
    image.dataEnd = window.rangeFinish;
}

void JobCommands::OnRead()
{
    ClearDeviceMarks(document_.image());
    CReadDlg window(session_, document_.image(), &frame_);
    runWindow(window);
    document_.SetModifiedFlag(true);
    view_.viewport()->update();
}

void JobCommands::OnVerify()
{
    CVerifyDlg window(session_, document_.image(), &frame_);
    runWindow(window);
    view_.viewport()->update();
}

void JobCommands::OnBlankCheck()
{
    CBlankCheckDlg window(session_, document_.image(), &frame_);
    runWindow(window);
}

void JobCommands::OnWrite(bool writeAll)
{
    CWriteDlg window(session_, document_.image(), writeAll, false, &frame_);
    runWindow(window);
    if (!writeAll)
        view_.viewport()->update();
}

bool JobCommands::WriteUnattended()
{
    CWriteDlg window(session_, document_.image(), false, true, nullptr);
    // The file's bytes and nothing else: the gaps between its records, and
    // a binary file's range end one past its last byte, keep what the chip
    // holds there.
    window.limitTo(&document_.fileCoverage());
    runWindow(window, document_.image().dataEnd, false);
    return window.wrote() && window.lastWriteSucceeded();
}

void JobCommands::OnErase()
{
    ViewFeedback feedback(&view_);
    QElapsedTimer clock;
    clock.start();
    EraseJob job(session_, document_.image(), feedback);
    {
        const LinkClaim claim(session_.link());
        job.run();
    }
    frame_.showStatusMessage(EraseSummary(job.report(), clock.elapsed() - feedback.waitedMs));
    offerDeviceFound(job.report());
}

void JobCommands::OnReset()
{
    std::string why;
    const LinkClaim claim(session_.link());
    if (!ResetJob(session_).run(&why))
        ShowMessage(&view_, QString::fromStdString(why), QStringLiteral("ERROR"), MessageIcon::Error);
}

void JobCommands::offerDeviceFound(const JobReport& report)
{
    if (!report.foundDevice)
        return;
    const Device& found = DeviceById(*report.foundDevice);
    const QString text = QStringLiteral("The chip in the socket is an %1. Select the %1 in Tools > Select CI?")
                             .arg(QLatin1String(found.name));
    if (ShowMessage(MessageRequest{&frame_, text, QString(), MessageButtons::OkCancel, MessageIcon::Question}) ==
        MessageAnswer::Ok)
        selectDevice_(found.id);
}

