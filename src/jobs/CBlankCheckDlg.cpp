#include "CBlankCheckDlg.h"

#include "BlankCheckJob.h"

#include <QPushButton>

CBlankCheckDlg::CBlankCheckDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent)
    : JobWindow(QStringLiteral("BLANCK CHECK"), QStringLiteral("&Check"), QStringLiteral("Start "),
                QStringLiteral("finish at"), session, image, parent)
{
    connect(actionButton(), &QPushButton::clicked, this, &CBlankCheckDlg::OnOK);
}

void CBlankCheckDlg::OnOK()
{
    runJob(Action::BlankCheck, [this] {
        BlankCheckJob job(session_, image_, *this);
        job.run(startField(), finishField());
        return job.report();
    });
    // Closed as confirmed: the offered range goes back into the fields
    // first, so the check leaves the document's range as it was.
    DoDataExchange();
    accept();
}
