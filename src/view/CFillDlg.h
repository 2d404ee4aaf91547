#pragma once

#include <QDialog>

struct DeviceImage;
class QLineEdit;
class QPushButton;

// The FILL window: sets a range of the image to one value.
class CFillDlg : public QDialog {
    Q_OBJECT
public:
    CFillDlg(DeviceImage* image, QWidget* parent = nullptr);

    // The Fill button: fills and ends the window, or without a value does
    // nothing and leaves the window open.
    void OnOK();

    QLineEdit* startEdit() const { return start_; }
    QLineEdit* endEdit() const { return end_; }
    QLineEdit* valueEdit() const { return value_; }
    QPushButton* fillButton() const { return fill_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    DeviceImage* image_;
    QPushButton* fill_;
    QPushButton* cancel_;
    QLineEdit* start_;
    QLineEdit* end_;
    QLineEdit* value_;
};
