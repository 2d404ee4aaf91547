#include "CInfoDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CInfoDlg::CInfoDlg(const Device& device, const QString& programmer, const QString& port, QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    QFont arial(QStringLiteral("Arial"), 10);
    setFont(arial);
    auto* form = new QFormLayout;
    const char* rows[][2] = {{"DEVICE GROUP:", "ATMEL"},
                             {"MANUFACTURER:", "Target (ISP)"},
                             {"PART CODE:", device.partCode},
                             {"DESCRIPTION:", device.description},
                             {"SIGNATURE:", device.signatureText},
                             {"VPP:", "5V"},
                             {"VERSION:", "1.10 Beta"}};
    for (const auto& row : rows)
        form->addRow(new QLabel(QLatin1String(row[0])), new QLabel(QLatin1String(row[1])));
    form->addRow(new QLabel(QStringLiteral("PROGRAMMER:")), new QLabel(programmer));
    auto* portLabel = new QLabel(port);
    portLabel->setWordWrap(true);
    form->addRow(new QLabel(QStringLiteral("PORT:")), portLabel);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    setStyleSheet(QStringLiteral("CInfoDlg { border: 1px solid palette(dark); }"));
}
