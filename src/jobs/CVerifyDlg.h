#pragma once

#include "JobWindow.h"

// Compares a range of the chip with the image and marks what differs.
class CVerifyDlg : public JobWindow {
    Q_OBJECT
public:
    explicit CVerifyDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent = nullptr);
    void OnVerify();
};
