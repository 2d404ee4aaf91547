#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

// The window's end on SIGINT, SIGTERM and SIGHUP (the terminal that started
// it closed, its ssh link dropped), as vorlane-cli's on Ctrl+C: a running
// job stops before its next address with the target's lines released
// (StopSignal.h), then every event loop ends and the program leaves through
// its usual end (settings and the simulated chip kept) with 128 + the
// signal's number.
class SignalQuit : public QObject {
    Q_OBJECT
public:
    explicit SignalQuit(QObject* parent = nullptr);

private:
    // Ends the event loops once no job runs.
    void endWhenIdle();

    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
};
