#include "CWriteDlg.h"

#include "WriteJob.h"
#include "WriteVerifyJob.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

CWriteDlg::CWriteDlg(ProgrammingSession& session, DeviceImage& image, bool writeAll, bool automatic,
                     QWidget* parent)
    : JobWindow(QStringLiteral("WRITE"), QStringLiteral("Start"), QStringLiteral("Start at:"),
                QStringLiteral("finish at :"), session, image, parent),
      writeAll_(writeAll), automatic_(automatic)
{
    rangeFromFieldsOnClose_ = false;
    verify_ = new QPushButton(QStringLiteral("Verify"));
    verify_->setAutoDefault(false);
    lockLevel_ = new QComboBox;
    // Sorted by their leading digit, so the index is the lock level.
    lockLevel_->addItems({QStringLiteral("0:No memory lock"),
                          QStringLiteral("1:MOVC disabled and further programming is disabled"),
                          QStringLiteral("2:Same as above but verify is disabled"),
                          QStringLiteral("3:Same as mode 2 but external execution disabled")});
    lockLevel_->setCurrentIndex(0);
    grid_->addWidget(verify_, 2, 4);
    grid_->addWidget(new QLabel(QStringLiteral("Security Level:")), 2, 0);
    grid_->addWidget(lockLevel_, 2, 1, 1, 3);
    connect(actionButton(), &QPushButton::clicked, this, &CWriteDlg::OnStart);
    connect(verify_, &QPushButton::clicked, this, &CWriteDlg::OnVerify);
}

void CWriteDlg::OnStart()
{
    const WriteJob::Mode mode = writeAll_ ? WriteJob::Mode::All : WriteJob::Mode::Changes;
    runJob(Action::Write, [this, mode] {
        WriteJob job(session_, image_, *this, mode);
        job.limitTo(limit_);
        succeeded_ = job.run(startField(), finishField(), lockLevel_->currentIndex());
        return job.report();
    });
    wrote_ = true;
}

void CWriteDlg::OnVerify()
{
    runJob(Action::Verify, [this] {
        WriteVerifyJob job(session_, image_, *this);
        job.limitTo(limit_);
        job.run(startField(), finishField());
        return job.report();
    });
}

void CWriteDlg::showEvent(QShowEvent* event)
{
    JobWindow::showEvent(event);
    if (!automatic_ || started_)
        return;
    started_ = true;
    // Once the window has been painted: write, then close as "&Exit" does.
    QTimer::singleShot(0, this, [this] {
        repaint();
        OnStart();
        reject();
    });
}
