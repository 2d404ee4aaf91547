#include "CVerifyDlg.h"

#include "VerifyJob.h"

#include <QPushButton>

CVerifyDlg::CVerifyDlg(DeviceImage& image, QWidget* parent)
    : JobWindow(QStringLiteral("VERIFY"), QStringLiteral("&Verify"), QStringLiteral("Start at :"),
                QStringLiteral("finish at :"), image, parent)
{
    connect(actionButton(), &QPushButton::clicked, this, &CVerifyDlg::OnVerify);
}

void CVerifyDlg::OnVerify()
{
    runJob(Action::Verify, [this] {
        VerifyJob job(image_, *this);
        job.run(startField(), finishField());
        return job.report();
    });
}
