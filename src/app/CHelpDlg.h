#pragma once

#include "HelpDialog.h"

// The program's help: keys, commands, questions, tips, changes.
class CHelpDlg : public HelpDialog {
    Q_OBJECT
public:
    explicit CHelpDlg(QWidget* parent = nullptr)
        : HelpDialog(QStringLiteral(":/vorlane/help.html"), QSize(640, 480), parent) {}
};
