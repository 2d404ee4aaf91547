#pragma once

#include "ProgrammerDlg.h"

#include <array>

class QCheckBox;
class QComboBox;
class QSpinBox;

// Which GPIO chip and lines reach the target: the chip device, each pin's
// line offset and RST's polarity. On OK, form() is the gpio form.
class GpioLinesDlg : public ProgrammerDlg {
    Q_OBJECT
public:
    // `current` is the form in use: a gpio form's chip and lines are offered.
    explicit GpioLinesDlg(const std::string& current, QWidget* parent = nullptr);

    QComboBox* chipBox() const { return chip_; }
    // RST, SCK, MOSI, MISO in that order.
    QSpinBox* lineBox(int pin) const { return lines_.at(static_cast<size_t>(pin)); }
    QCheckBox* activeLowBox() const { return activeLow_; }

protected:
    std::string text() const override;

private:
    QComboBox* chip_ = nullptr;
    std::array<QSpinBox*, 4> lines_{};
    QCheckBox* activeLow_ = nullptr;
};
