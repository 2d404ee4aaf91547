#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
struct ProgrammerSettings;

// The timing options window. It writes straight into the settings record.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(ProgrammerSettings& settings, QWidget* parent = nullptr);

    // Fields to controls (false) or controls to fields (true). Storing stops
    // at the first edit that is not an unsigned decimal number, after the
    // fields before it have been stored: then false, with the focus there.
    bool DoDataExchange(bool save);

    QLineEdit* timingEdit(int index) const { return edits_[index]; }
    // The AT89S51/52 board's crystal, in MHz.
    QLineEdit* crystalEdit() const { return crystal_; }
    QCheckBox* sckBox() const { return sck_; }
    QCheckBox* dataBox() const { return data_; }
    QCheckBox* doutBox() const { return dout_; }
    QCheckBox* pollBox() const { return poll_; }

    void accept() override;

private:
    ProgrammerSettings& settings_;
    QLineEdit* edits_[4] = {};
    QLineEdit* crystal_ = nullptr;
    QCheckBox* sck_ = nullptr;
    QCheckBox* data_ = nullptr;
    QCheckBox* dout_ = nullptr;
    QCheckBox* poll_ = nullptr;
};
