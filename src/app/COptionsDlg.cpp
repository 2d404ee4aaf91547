#include "COptionsDlg.h"

#include <CrystalTiming.h>
#include <MessageBox.h>
#include <ProgrammerSettings.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

uint32_t* TimingField(ProgrammerSettings& s, int index)
{
    uint32_t* fields[] = {&s.resetTimeUs, &s.upTimeUs, &s.downTimeUs, &s.writtenTimeUs};
    return fields[index];
}

// An unsigned 32-bit decimal number, blanks around it allowed.
bool ParseUnsigned(const QString& text, uint32_t& value)
{
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFull || text.trimmed().startsWith(QLatin1Char('+')))
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

} // namespace

COptionsDlg::COptionsDlg(ProgrammerSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("Options"));
    auto* grid = new QGridLayout;
    const char* labels[] = {"uSeconds to wait after reset is entered (50000 def.)",
                            "uSeconds to wait at the top cicle of the signals (2 def.)",
                            "uSeconds to wait at the bottom cicle of the signals (2 def.)",
                            "uSeconds to wait after a byte is written (2000 def.)"};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(QLatin1String(labels[i])), i, 0);
        edits_[i] = new QLineEdit;
        edits_[i]->setMaximumWidth(110);
        grid->addWidget(edits_[i], i, 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("MHz of the AT89S51/52 board's crystal, 3 to 33 (3 def.)")), 4, 0);
    crystal_ = new QLineEdit;
    crystal_->setMaximumWidth(110);
    grid->addWidget(crystal_, 4, 1);
    auto* states = new QHBoxLayout;
    states->addWidget(new QLabel(QStringLiteral("After reset leave signals the next way :")));
    sck_ = new QCheckBox(QStringLiteral("SCK"));
    data_ = new QCheckBox(QStringLiteral("DATA"));
    dout_ = new QCheckBox(QStringLiteral("D.OUT"));
    dout_->setVisible(false); // carried in and out, never shown
    states->addWidget(sck_);
    states->addWidget(data_);
    states->addWidget(dout_);
    states->addStretch();
    grid->addLayout(states, 5, 0, 1, 2);
    poll_ = new QCheckBox(QStringLiteral("Poll for the end of each byte write (Data Polling)"));
    grid->addWidget(poll_, 6, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDlg::reject);
    grid->addWidget(buttons, 7, 0, 1, 2);
    setLayout(grid);
    DoDataExchange(false);
}

bool COptionsDlg::DoDataExchange(bool save)
{
    ProgrammerSettings& s = settings_;
    for (int i = 0; i < 4; ++i) {
        if (!save) {
            edits_[i]->setText(QString::number(*TimingField(settings_, i)));
            continue;
        }
        uint32_t value = 0;
        if (!ParseUnsigned(edits_[i]->text(), value)) {
            ShowMessage(this, QStringLiteral("Escriba un entero positivo."));
            edits_[i]->setFocus();
            edits_[i]->selectAll();
            return false;
        }
        *TimingField(settings_, i) = value;
    }
    // In MHz, as a crystal is marked; the record keeps Hz.
    if (!save) {
        crystal_->setText(QString::fromStdString(CrystalTiming(s.crystalHz).text()).section(QLatin1Char(' '), 0, 0));
    } else {
        // Typed in MHz, up to six decimals: "3", "11.0592".
        const auto hz = CrystalTiming::Parse(crystal_->text().trimmed().toStdString() + "MHz");
        if (!hz) {
            ShowMessage(this, QStringLiteral("Escriba los MHz del cristal, de 3 a 33."));
            crystal_->setFocus();
            crystal_->selectAll();
            return false;
        }
        s.crystalHz = *hz;
    }
    QCheckBox* boxes[] = {sck_, data_, dout_};
    uint32_t* flags[] = {&s.sckState, &s.dinState, &s.doutState};
    for (int i = 0; i < 3; ++i) {
        if (save)
            *flags[i] = boxes[i]->isChecked() ? 1 : 0;
        else
            boxes[i]->setChecked(*flags[i] == 1);
    }
    // Shown as the write job reads it: any non-zero value polls.
    if (save)
        s.pollWriteEnd = poll_->isChecked() ? 1 : 0;
    else
        poll_->setChecked(s.pollWriteEnd != 0);
    return true;
}

void COptionsDlg::accept()
{
    if (DoDataExchange(true))
        QDialog::accept();
}
