#include "CAboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About vorlane"));
    auto* icon = new QLabel;
    icon->setPixmap(windowIcon().pixmap(48, 48));
    auto* text = new QLabel(QStringLiteral("<b>Vorlane</b> version %1<br>"
                                           "AT89S51, AT89S52 and AT89S53 in-system programmer for the parallel port<br>"
                                           "Castavel")
                                .arg(QStringLiteral(VORLANE_VERSION)));
    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
