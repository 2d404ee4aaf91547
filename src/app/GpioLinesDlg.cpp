#include "GpioLinesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QSpinBox>

GpioLinesDlg::GpioLinesDlg(const std::string& current, QWidget* parent)
    : ProgrammerDlg(QStringLiteral("GPIO lines"),
                    QStringLiteral("Four GPIO lines of this board to the chip's RST, SCK, MOSI and MISO, through a "
                                   "level shifter: the lines are 3.3 V, the chip 5 V. Each line by its offset on "
                                   "the GPIO chip; on a Raspberry Pi, its BCM number (GPIO17 is header pin 11)."),
                    PortChoice::Kind::Gpio, parent)
{
    const PortChoice now = InUse(current, PortChoice::Kind::Gpio, "gpio");
    chip_ = new QComboBox;
    chip_->setEditable(true);
    const QDir dev(QStringLiteral("/dev"));
    QStringList chips;
    for (const QString& name : dev.entryList({QStringLiteral("gpiochip*")}, QDir::System, QDir::Name))
        chips << dev.filePath(name);
    chips.removeAll(QString::fromStdString(now.gpio.chip));
    chips.prepend(QString::fromStdString(now.gpio.chip));
    chip_->addItems(chips);
    fields()->addRow(QStringLiteral("GPIO chip:"), chip_);
    const uint32_t offsets[] = {now.gpio.rst, now.gpio.sck, now.gpio.mosi, now.gpio.miso};
    for (size_t i = 0; i < lines_.size(); ++i) {
        lines_[i] = new QSpinBox;
        lines_[i]->setRange(0, 65535);
        lines_[i]->setValue(static_cast<int>(offsets[i]));
    }
    addSignalRows("line", {lines_[0], lines_[1], lines_[2], lines_[3]});
    activeLow_ = new QCheckBox(QStringLiteral("RST through an inverting stage (low while RST is high)"));
    activeLow_->setChecked(now.gpio.rstActiveLow);
    fields()->addRow(QString(), activeLow_);
}

std::string GpioLinesDlg::text() const
{
    std::string text = "gpio:" + chip_->currentText().trimmed().toStdString();
    for (size_t i = 0; i < lines_.size(); ++i)
        text += (i == 0 ? ":" : ",") + std::string(kSignals[i]) + "=" + std::to_string(lines_[i]->value());
    if (activeLow_->isChecked())
        text += ",rst-active-low";
    return text;
}
