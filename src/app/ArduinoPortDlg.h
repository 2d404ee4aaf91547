#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;

// Where the Arduino running ArduinoISP is: its serial port and the sketch's
// baud rate. On OK, form() is the port form that reaches it.
class ArduinoPortDlg : public QDialog {
    Q_OBJECT
public:
    // `current` is the form in use, if it names an Arduino: its port and
    // rate are offered first.
    explicit ArduinoPortDlg(const std::string& current, QWidget* parent = nullptr);

    QComboBox* portBox() const { return port_; }
    QComboBox* baudBox() const { return baud_; }
    QLabel* problemLabel() const { return problem_; }
    const std::string& form() const { return form_; }

    // Serial ports an Arduino shows up as, by their stable names first.
    static QStringList SerialPorts();

    void accept() override;

private:
    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QLabel* problem_ = nullptr;
    std::string form_;
};
