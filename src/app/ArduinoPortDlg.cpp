#include "ArduinoPortDlg.h"

#include <PortChoice.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

ArduinoPortDlg::ArduinoPortDlg(const std::string& current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Arduino as ISP"));
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
    problem_ = new QLabel;
    problem_->setWordWrap(true);
    problem_->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Serial port:"), port_);
    form->addRow(QStringLiteral("Baud rate:"), baud_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral(
        "An Arduino running the ArduinoISP sketch: its pins 10, 11, 12 and 13 to the chip's RST, MOSI, MISO "
        "and SCK, 5 V.")));
    layout->itemAt(0)->widget()->setProperty("wordWrap", true);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
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

void ArduinoPortDlg::accept()
{
    const std::string port = port_->currentText().trimmed().toStdString();
    const std::string baud = baud_->currentText().trimmed().toStdString();
    std::string text = "arduino:" + port;
    if (baud != std::to_string(PortChoice::kDefaultBaud))
        text += ",baud=" + baud;
    // The one grammar judges it, as it would the same text in VORLANE_PORT.
    const PortChoice choice = PortChoice::parse(text.c_str());
    if (choice.kind != PortChoice::Kind::Arduino) {
        problem_->setText(QString::fromStdString(text + " " + choice.problem));
        problem_->show();
        return;
    }
    form_ = text;
    QDialog::accept();
}
