#include "CSaveRangeDlg.h"

#include "HexField.h"
#include "SaveRange.h"

#include <MessageBox.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CSaveRangeDlg::CSaveRangeDlg(int32_t deviceSize, QWidget* parent) : QDialog(parent), deviceSize_(deviceSize)
{
    setWindowTitle(QStringLiteral("SAVE"));
    start_ = new QLineEdit;
    finish_ = new QLineEdit;
    for (QLineEdit* edit : {start_, finish_}) {
        edit->setMaxLength(255);
        edit->setMaximumWidth(80);
    }
    auto* ok = new QPushButton(QStringLiteral("&OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CSaveRangeDlg::accept);
    auto* row = new QHBoxLayout(this);
    row->addWidget(new QLabel(QStringLiteral("From")));
    row->addWidget(start_);
    row->addWidget(new QLabel(QStringLiteral("to")));
    row->addWidget(finish_);
    row->addWidget(ok);
}

void CSaveRangeDlg::accept()
{
    startAddress = ParseHexField(start_->text().toStdString());
    finishAddress = ParseHexField(finish_->text().toStdString());
    const SaveRange range = ClampSaveRange(startAddress, finishAddress, deviceSize_);
    if (range.start > range.finish) {
        ShowMessage(this, QStringLiteral("Nothing to save: From lies above To."));
        start_->setFocus();
        start_->selectAll();
        return;
    }
    QDialog::accept();
}
