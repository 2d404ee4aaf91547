#include "CVerifyDlg.h"

#include "VerifyJob.h"

#include <QPushButton>

CVerifyDlg::CVerifyDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent)
    : JobWindow(QStringLiteral("VERIFY"), QStringLiteral("&Verify"), QStringLiteral("Start at :"),
                QStringLiteral("finish at :"), session, image, parent)
{
    connect(actionButton(), &QPushButton::clicked, this, &CVerifyDlg::OnVerify);
}

void CVerifyDlg::OnVerify()
{
    runJob(Action::Verify, [this] {
        VerifyJob job(session_, image_, *this);
        job.run(startField(), finishField());
        return job.report();
    });
}
