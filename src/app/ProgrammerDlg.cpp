#include "ProgrammerDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

ProgrammerDlg::ProgrammerDlg(const QString& title, const QString& wiring, PortChoice::Kind kind, QWidget* parent)
    : QDialog(parent), kind_(kind)
{
    setWindowTitle(title);
    fields_ = new QFormLayout;
    problem_ = new QLabel;
    problem_->setWordWrap(true);
    problem_->hide();
    auto* about = new QLabel(wiring);
    about->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addLayout(fields_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
}

void ProgrammerDlg::accept()
{
    const std::string given = text();
    const PortChoice choice = PortChoice::parse(given.c_str());
    if (choice.kind != kind_) {
        problem_->setText(QString::fromStdString(given + " " + choice.problem));
        problem_->show();
        return;
    }
    form_ = given;
    QDialog::accept();
}

PortChoice ProgrammerDlg::InUse(const std::string& current, PortChoice::Kind kind, const char* fallback)
{
    const PortChoice now = PortChoice::parse(current.c_str());
    return now.kind == kind ? now : PortChoice::parse(fallback);
}

void ProgrammerDlg::addSignalRows(const char* what, const std::array<QWidget*, 4>& widgets)
{
    for (size_t i = 0; i < widgets.size(); ++i)
        fields_->addRow(QStringLiteral("%1 %2:").arg(QString::fromLatin1(kSignals[i]).toUpper(), QLatin1String(what)),
                        widgets[i]);
}
