#pragma once

#include "JobFeedback.h"
#include "JobReport.h"

#include <DeviceImage.h>
#include <ProgrammingSession.h>

#include <QDialog>

#include <functional>
#include <optional>

class QGridLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;

// A job window: a progress bar, an action button over "&Exit", and the two
// address fields. While a job runs inside a button handler the window stays
// live: the bar moves, the program repaints and answers the window manager,
// but no click or key reaches any window and nothing can close it.
class JobWindow : public QDialog, public JobFeedback {
    Q_OBJECT
public:
    JobWindow(const QString& title, const QString& actionText, const QString& startLabel,
              const QString& finishLabel, ProgrammingSession& session, DeviceImage& image, QWidget* parent = nullptr);

    // Offered when the window opens, after it brings them into the chip
    // selected as a job would; what it keeps when it closes.
    int32_t rangeStart = 0;
    int32_t rangeFinish = 0;

    // The range into the fields, as lower-case hex.
    void DoDataExchange();
    // Runs whenever the window closes: a field holding a hex number replaces
    // the range; other text leaves it.
    void DestroyWindow();

    // Called after a job changed the image, so the views repaint.
    std::function<void()> onImageChanged;

    // The jobs a window runs.
    enum class Action { Read, Verify, BlankCheck, Write };
    // Called after each job with what it did and how long it took, in
    // milliseconds, leaving out the time its message boxes waited.
    std::function<void(Action, const JobReport&, qint64)> onJobFinished;

    QProgressBar* progressBar() const { return progress_; }
    QLineEdit* startEdit() const { return start_; }
    QLineEdit* finishEdit() const { return finish_; }
    QPushButton* actionButton() const { return action_; }
    QPushButton* exitButton() const { return exit_; }

    static bool anyJobRunning();

    void progressRange(int32_t minimum, int32_t maximum) override;
    void progress(int32_t position) override;
    void message(std::string_view text, std::string_view caption, Buttons buttons) override;
    // A stop signal (StopSignal.h); no button stops a job.
    bool stopRequested() override;

    int exec() override;
    void done(int result) override;

protected:
    std::optional<int32_t> startField() const;
    std::optional<int32_t> finishField() const;
    // Runs the job with the window held live and closed to input; the job
    // gives back its report.
    void runJob(Action action, const std::function<JobReport()>& job);
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The write window keeps its typed range to itself.
    bool rangeFromFieldsOnClose_ = true;
    ProgrammingSession& session_;
    DeviceImage& image_;
    QGridLayout* grid_;

private:
    QProgressBar* progress_;
    QLineEdit* start_;
    QLineEdit* finish_;
    QPushButton* action_;
    QPushButton* exit_;
    bool running_ = false;
    bool filtering_ = false;
    qint64 waitedMs_ = 0;
};
