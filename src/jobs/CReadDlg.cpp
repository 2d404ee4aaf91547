#include "CReadDlg.h"

#include "ReadJob.h"

#include <QPushButton>

CReadDlg::CReadDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent)
    : JobWindow(QStringLiteral("READ "), QStringLiteral("Read"), QStringLiteral("Start :"),
                QStringLiteral("finish at"), session, image, parent)
{
    connect(actionButton(), &QPushButton::clicked, this, &CReadDlg::OnRead);
}

void CReadDlg::OnRead()
{
    runJob(Action::Read, [this] {
        ReadJob job(session_, image_, *this);
        job.run(startField(), finishField());
        return job.report();
    });
}
