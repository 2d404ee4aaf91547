#pragma once

#include <Device.h>

#include <QDialog>

// What the selected device is, as fixed texts.
class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CInfoDlg(const Device& device, QWidget* parent = nullptr);
};
