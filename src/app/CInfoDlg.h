#pragma once

#include <QDialog>

// What the selected device is, as fixed texts.
class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CInfoDlg(QWidget* parent = nullptr);
};
