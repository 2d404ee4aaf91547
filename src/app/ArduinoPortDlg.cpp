#include "ArduinoPortDlg.h"

#include <PortChoice.h>

#include <QComboBox>
#include <QDir>
#include <QFormLayout>

ArduinoPortDlg::ArduinoPortDlg(const std::string& current, QWidget* parent)
    : ProgrammerDlg(QStringLiteral("Arduino as ISP"),
                    QStringLiteral("An Arduino running the ArduinoISP sketch: its pins 10, 11, 12 and 13 to the "
                                   "chip's RST, MOSI, MISO and SCK, 5 V."),
                    PortChoice::Kind::Arduino, parent)
{
    const PortChoice now = PortChoice::parse(current.c_str());
    port_ = new QComboBox;
    port_->setEditable(true);
    QStringList ports = SerialPorts();
    if (now.kind == PortChoice::Kind::Arduino) {
        ports.removeAll(QString::fromStdString(now.argument));
        ports.prepend(QString::fromStdString(now.argument));
    }
    port_->addItems(ports);
    port_->setMinimumContentsLength(28);
    baud_ = new QComboBox;
    baud_->setEditable(true);
    // The stock sketch's rate first; the faster ones need the sketch's
    // BAUDRATE changed to match.
    for (const char* rate : {"19200", "57600", "115200", "1000000"})
        baud_->addItem(QLatin1String(rate));
    if (now.kind == PortChoice::Kind::Arduino)
        baud_->setCurrentText(QString::number(now.baud));
    fields()->addRow(QStringLiteral("Serial port:"), port_);
    fields()->addRow(QStringLiteral("Baud rate:"), baud_);
}

QStringList ArduinoPortDlg::SerialPorts()
{
    QStringList ports;
    // by-id names stay the same when the board is plugged in elsewhere.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& name : byId.entryList(QDir::System | QDir::Files))
        ports << byId.filePath(name);
    const QDir dev(QStringLiteral("/dev"));
    for (const QString& name :
         dev.entryList({QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*")}, QDir::System, QDir::Name))
        ports << dev.filePath(name);
    return ports;
}

std::string ArduinoPortDlg::text() const
{
    const std::string port = port_->currentText().trimmed().toStdString();
    const std::string baud = baud_->currentText().trimmed().toStdString();
    std::string text = "arduino:" + port;
    if (baud != std::to_string(PortChoice::kDefaultBaud))
        text += ",baud=" + baud;
    return text;
}
