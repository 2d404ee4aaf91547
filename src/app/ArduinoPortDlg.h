#pragma once

#include "ProgrammerDlg.h"

class QComboBox;

// Where the Arduino running ArduinoISP is: its serial port and the sketch's
// baud rate. On OK, form() is the port form that reaches it.
class ArduinoPortDlg : public ProgrammerDlg {
    Q_OBJECT
public:
    // `current` is the form in use, if it names an Arduino: its port and
    // rate are offered first.
    explicit ArduinoPortDlg(const std::string& current, QWidget* parent = nullptr);

    QComboBox* portBox() const { return port_; }
    QComboBox* baudBox() const { return baud_; }

    // Serial ports an Arduino shows up as, by their stable names first.
    static QStringList SerialPorts();

protected:
    std::string text() const override;

private:
    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
};
