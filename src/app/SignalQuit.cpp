#include "SignalQuit.h"

#include <JobWindow.h>
#include <StopSignal.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

SignalQuit::SignalQuit(QObject* parent) : QObject(parent)
{
    // The handler writes a byte here; the notifier wakes the event loop.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        InstallStopHandlers();
        return;
    }
    notifier_ = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, fd = ends[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        endWhenIdle();
    });
    // A running job finishes its stop first; the loops end after it.
    retry_ = new QTimer(this);
    retry_->setInterval(100);
    connect(retry_, &QTimer::timeout, this, &SignalQuit::endWhenIdle);
    InstallStopHandlers(ends[1]);
}

void SignalQuit::endWhenIdle()
{
    if (JobWindow::anyJobRunning()) {
        retry_->start();
        return;
    }
    retry_->stop();
    // Every loop: a job window's or a message box's as well as the main one.
    QCoreApplication::exit(128 + StopSignalNumber());
}
