#pragma once

#include <Device.h>

#include <QDialog>

// What the selected device is, as fixed texts, and the programmer that
// reaches it.
class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    CInfoDlg(const Device& device, const QString& programmer, const QString& port, QWidget* parent = nullptr);
};
