#pragma once

#include "JobWindow.h"

#include <ImageCoverage.h>

class QComboBox;

// Writes the image to the chip over a range, then the chosen lock level.
// In automatic mode it writes once when first shown and closes.
class CWriteDlg : public JobWindow {
    Q_OBJECT
public:
    CWriteDlg(ProgrammingSession& session, DeviceImage& image, bool writeAll, bool automatic,
              QWidget* parent = nullptr);

    void OnStart();
    void OnVerify();
    // From now on its jobs pass over the addresses outside `addresses`, as
    // an unattended write of a file does with the bytes the file does not
    // hold. The set must outlive the window.
    void limitTo(const ImageCoverage* addresses) { limit_ = addresses; }

    QComboBox* lockLevelList() const { return lockLevel_; }
    QPushButton* verifyButton() const { return verify_; }
    // False once a write ended with "Error programming device".
    bool lastWriteSucceeded() const { return succeeded_; }
    bool wrote() const { return wrote_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool writeAll_;
    bool automatic_;
    bool started_ = false;
    bool wrote_ = false;
    bool succeeded_ = true;
    const ImageCoverage* limit_ = nullptr;
    QComboBox* lockLevel_;
    QPushButton* verify_;
};
