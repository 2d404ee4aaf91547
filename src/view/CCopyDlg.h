#pragma once

#include <QDialog>

struct DeviceImage;
class QLineEdit;
class QPushButton;

// The COPY window: copies a range of the image to another address, upward
// one byte at a time.
class CCopyDlg : public QDialog {
    Q_OBJECT
public:
    CCopyDlg(DeviceImage* image, QWidget* parent = nullptr);

    // The Copy button: copies and ends the window with 0, or with an empty
    // destination does nothing and leaves the window open.
    void OnCopyClicked();

    QLineEdit* startEdit() const { return start_; }
    QLineEdit* endEdit() const { return end_; }
    QLineEdit* destinationEdit() const { return destination_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* exitButton() const { return exit_; }

private:
    DeviceImage* image_;
    QPushButton* copy_;
    QPushButton* exit_;
    QLineEdit* start_;
    QLineEdit* end_;
    QLineEdit* destination_;
};
