#include "FtdiCableDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

FtdiCableDlg::FtdiCableDlg(const std::string& current, QWidget* parent)
    : ProgrammerDlg(QStringLiteral("FTDI cable"),
                    QStringLiteral("An FT232R cable or board (or an FT232H) in bit-bang mode, its pins to the "
                                   "chip's RST, SCK, MOSI and MISO. A 5 V cable; 3.3 V ones need a level "
                                   "shifter."),
                    PortChoice::Kind::Ftdi, parent)
{
    const PortChoice now = InUse(current, PortChoice::Kind::Ftdi, "ftdi");
    serial_ = new QLineEdit(QString::fromStdString(now.ftdi.serial));
    serial_->setPlaceholderText(QStringLiteral("the first cable found"));
    serial_->setMinimumWidth(220);
    fields()->addRow(QStringLiteral("Serial number:"), serial_);
    const uint8_t bits[] = {now.ftdi.rst, now.ftdi.sck, now.ftdi.mosi, now.ftdi.miso};
    for (size_t i = 0; i < pins_.size(); ++i) {
        pins_[i] = new QComboBox;
        for (uint8_t bit = 0; bit < 8; ++bit)
            pins_[i]->addItem(QString::fromLatin1(FtdiPinName(bit).data(), static_cast<int>(FtdiPinName(bit).size())));
        pins_[i]->setCurrentIndex(bits[i]);
    }
    addSignalRows("pin", {pins_[0], pins_[1], pins_[2], pins_[3]});
}

std::string FtdiCableDlg::text() const
{
    const std::string serial = serial_->text().trimmed().toStdString();
    std::string text = serial.empty() ? "ftdi" : "ftdi:" + serial;
    for (size_t i = 0; i < pins_.size(); ++i)
        text += "," + std::string(kSignals[i]) + "=" + pins_[i]->currentText().toStdString();
    return text;
}
