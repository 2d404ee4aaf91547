#pragma once

#include <QDialog>

class QTextBrowser;

// A read-only rich text and a "&Seen" button; the help windows are made of it.
class HelpDialog : public QDialog {
    Q_OBJECT
public:
    HelpDialog(const QString& resource, QSize size, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};
