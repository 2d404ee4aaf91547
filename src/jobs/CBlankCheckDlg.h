#pragma once

#include "JobWindow.h"

// Tests whether a range of the chip holds only 0xFF; closes after one check.
class CBlankCheckDlg : public JobWindow {
    Q_OBJECT
public:
    explicit CBlankCheckDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent = nullptr);
    void OnOK();
};
