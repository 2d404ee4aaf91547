#pragma once

#include "HelpDialog.h"

// How to wire the cable, in Spanish and English.
class CCableHelpDlg : public HelpDialog {
    Q_OBJECT
public:
    explicit CCableHelpDlg(QWidget* parent = nullptr)
        : HelpDialog(QStringLiteral(":/vorlane/cable.html"), QSize(520, 400), parent) {}
};
