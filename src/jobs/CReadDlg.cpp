#include "CReadDlg.h"

#include "ReadJob.h"

#include <QPushButton>

CReadDlg::CReadDlg(DeviceImage& image, QWidget* parent)
    : JobWindow(QStringLiteral("READ "), QStringLiteral("Read"), QStringLiteral("Start :"),
                QStringLiteral("finish at"), image, parent)
{
    connect(actionButton(), &QPushButton::clicked, this, &CReadDlg::OnRead);
}

void CReadDlg::OnRead()
{
    runJob(Action::Read, [this] {
        ReadJob job(image_, *this);
        job.run(startField(), finishField());
        return job.report();
    });
}
