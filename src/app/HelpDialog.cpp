#include "HelpDialog.h"

#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpDialog::HelpDialog(const QString& resource, QSize size, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("HELP"));
    browser_ = new QTextBrowser;
    browser_->setOpenExternalLinks(false); // the texts only link within themselves
    QFile file(resource);
    if (file.open(QIODevice::ReadOnly))
        browser_->setHtml(QString::fromUtf8(file.readAll()));
    auto* seen = new QPushButton(QStringLiteral("&Seen"));
    seen->setDefault(true);
    connect(seen, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addWidget(seen, 0, Qt::AlignRight);
    resize(size);
}
