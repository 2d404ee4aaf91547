#pragma once

#include "ProgrammerDlg.h"

#include <array>

class QComboBox;
class QLineEdit;

// Which FTDI cable reaches the target and which of its pins go where. On OK,
// form() is the ftdi form.
class FtdiCableDlg : public ProgrammerDlg {
    Q_OBJECT
public:
    // `current` is the form in use: an ftdi form's serial and pins are offered.
    explicit FtdiCableDlg(const std::string& current, QWidget* parent = nullptr);

    QLineEdit* serialEdit() const { return serial_; }
    // RST, SCK, MOSI, MISO in that order.
    QComboBox* pinBox(int pin) const { return pins_.at(static_cast<size_t>(pin)); }

protected:
    std::string text() const override;

private:
    QLineEdit* serial_ = nullptr;
    std::array<QComboBox*, 4> pins_{};
};
