#include "JobWindow.h"

#include "JobMessage.h"
#include "JobRange.h"
#include "StopSignal.h"

#include <DeviceBytes.h>
#include <HexField.h>
#include <LinkClaim.h>

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

int g_running = 0;

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

JobWindow::JobWindow(const QString& title, const QString& actionText, const QString& startLabel,
                     const QString& finishLabel, ProgrammingSession& session, DeviceImage& image,
                     QWidget* parent)
    : QDialog(parent), session_(session), image_(image)
{
    setWindowTitle(title);
    progress_ = new QProgressBar;
    progress_->setRange(0, 0x2FFF);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setMinimumWidth(200);
    start_ = new QLineEdit;
    finish_ = new QLineEdit;
    for (QLineEdit* edit : {start_, finish_}) {
        edit->setMaxLength(254);
        edit->setMaximumWidth(70);
    }
    action_ = new QPushButton(actionText);
    action_->setDefault(true);
    exit_ = new QPushButton(QStringLiteral("&Exit"));
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);

    grid_ = new QGridLayout(this);
    grid_->addWidget(progress_, 0, 0, 1, 4);
    grid_->addWidget(action_, 0, 4);
    grid_->addWidget(exit_, 1, 4);
    grid_->addWidget(new QLabel(startLabel), 1, 0);
    grid_->addWidget(start_, 1, 1);
    grid_->addWidget(new QLabel(finishLabel), 1, 2);
    grid_->addWidget(finish_, 1, 3);
}

bool JobWindow::anyJobRunning()
{
    return g_running > 0;
}

bool JobWindow::stopRequested()
{
    return StopSignalNumber() != 0;
}

void JobWindow::DoDataExchange()
{
    start_->setText(QString::fromStdString(FormatHexField(rangeStart)));
    finish_->setText(QString::fromStdString(FormatHexField(rangeFinish)));
}

void JobWindow::DestroyWindow()
{
    if (!rangeFromFieldsOnClose_)
        return;
    if (const auto s = startField())
        rangeStart = *s;
    if (const auto f = finishField())
        rangeFinish = *f;
}

std::optional<int32_t> JobWindow::startField() const
{
    return ParseHexField(start_->text().toStdString());
}

std::optional<int32_t> JobWindow::finishField() const
{
    return ParseHexField(finish_->text().toStdString());
}

int JobWindow::exec()
{
    // Offered as a job would handle it on the chip selected: a range left
    // by a larger chip, or a file's end one past its last byte, would
    // otherwise show addresses the job then quietly leaves out.
    const JobRange offered = JobRange::Handled(rangeStart, rangeFinish, DeviceBytes(image_));
    rangeStart = offered.start;
    rangeFinish = offered.finish;
    DoDataExchange();
    // Typing goes straight into the start address, replacing it.
    start_->setFocus();
    start_->selectAll();
    return QDialog::exec();
}

void JobWindow::done(int result)
{
    if (running_)
        return;
    DestroyWindow();
    QDialog::done(result);
}

void JobWindow::closeEvent(QCloseEvent* event)
{
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

bool JobWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Input during a job is dropped, not queued: a click meant for a busy
    // window must not start another job once this one ends.
    if (filtering_ && IsUserInput(event->type()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void JobWindow::runJob(Action action, const std::function<JobReport()>& job)
{
    running_ = true;
    waitedMs_ = 0;
    QElapsedTimer clock;
    clock.start();
    ++g_running;
    // Buttons greyed so the window looks busy; the filter is what holds.
    const QList<QPushButton*> buttons = findChildren<QPushButton*>();
    QList<bool> enabled;
    for (QPushButton* b : buttons) {
        enabled << b->isEnabled();
        b->setEnabled(false);
    }
    filtering_ = true;
    qApp->installEventFilter(this);
    JobReport report;
    {
        // The port (or the simulated chip's file) is this job's while it
        // runs, and free for other programs once it ends. Held elsewhere, the
        // job's own check tells who holds it, and the job touches nothing.
        const LinkClaim claim(session_.link());
        report = job();
    }
    const qint64 ms = clock.elapsed() - waitedMs_;
    qApp->removeEventFilter(this);
    filtering_ = false;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons[i]->setEnabled(enabled[i]);
    --g_running;
    running_ = false;
    if (onImageChanged)
        onImageChanged();
    if (onJobFinished)
        onJobFinished(action, report, ms);
}

void JobWindow::progressRange(int32_t minimum, int32_t maximum)
{
    progress_->setRange(minimum, maximum);
}

void JobWindow::progress(int32_t position)
{
    // A position the bar cannot hold shows as its nearer end, as the common
    // control does; below the range that is an empty bar.
    if (position < progress_->minimum())
        progress_->reset();
    else
        progress_->setValue(std::min(position, progress_->maximum()));
    // Repaints and window-manager pings get through; input is filtered.
    if (running_)
        QApplication::processEvents();
}

void JobWindow::message(std::string_view text, std::string_view caption, Buttons buttons)
{
    // The box takes input of its own while the job waits for it.
    const bool wasFiltering = filtering_;
    filtering_ = false;
    waitedMs_ += ShowJobMessage(this, text, caption, buttons);
    filtering_ = wasFiltering;
}
