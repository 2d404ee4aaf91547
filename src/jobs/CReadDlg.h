#pragma once

#include "JobWindow.h"

// Reads a range of the chip into the image and the chip copy.
class CReadDlg : public JobWindow {
    Q_OBJECT
public:
    explicit CReadDlg(ProgrammingSession& session, DeviceImage& image, QWidget* parent = nullptr);
    void OnRead();
};
