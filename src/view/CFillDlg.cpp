#include "CFillDlg.h"

#include "DialogBuilder.h"
#include "EditRange.h"
#include "FillValue.h"

#include <DeviceImage.h>

#include <QLineEdit>
#include <QPushButton>

CFillDlg::CFillDlg(DeviceImage* image, QWidget* parent) : QDialog(parent), image_(image)
{
    const DialogBuilder layout(this, QStringLiteral("FILL"), 212, 46);
    fill_ = layout.button(QStringLiteral("&Fill"), 150, 5, 50, 14);
    fill_->setDefault(true);
    cancel_ = layout.button(QStringLiteral("Cancel"), 150, 25, 50, 14);
    layout.label(QStringLiteral("Start"), 5, 10, 20, 10);
    start_ = layout.edit(30, 10, 30, 10);
    layout.label(QStringLiteral("finish at"), 65, 10, 25, 10);
    end_ = layout.edit(95, 10, 35, 10);
    layout.label(QStringLiteral("Fill with"), 5, 30, 30, 10);
    value_ = layout.edit(40, 30, 55, 10);
    value_->setToolTip(QStringLiteral("Can contain one of the following expresions :\n"
                                      "   $AA   Hexadecimal\n"
                                      "   'c'      Character\n"
                                      "   127   Decimal"));
    // Typing starts in the first field.
    start_->setFocus();
    connect(fill_, &QPushButton::clicked, this, &CFillDlg::OnOK);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CFillDlg::OnOK()
{
    const EditRange range = EditRange::Read(start_, end_, *image_);
    // A value that holds nothing in its notation counts as empty: nothing
    // is filled and the window stays open.
    const std::optional<uint8_t> value = ParseFillValue(DialogBuilder::FieldText(value_));
    if (!value)
        return;
    for (int32_t i = range.start; i <= range.end; ++i)
        image_->buffer[i] = *value;
    accept();
}
