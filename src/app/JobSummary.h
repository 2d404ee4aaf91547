#pragma once

#include <JobWindow.h>

#include <QString>
#include <QStringList>

// The status bar's line after a job: what was done, over which addresses and
// in how long, as in "Written 1,234 bytes, 0x0000–0x04D1, in 3.4 s"; or what
// went wrong and why, as the job's first error message begins ("Write
// failed: the chip must be erased first, ..."), so that no earlier success
// stays on show.
QString JobSummary(JobWindow::Action action, const JobReport& report, qint64 ms);
QString EraseSummary(const JobReport& report, qint64 ms);
// The widest lines each kind of job can leave on this device, for sizing
// the window.
QStringList WidestJobSummaries();
