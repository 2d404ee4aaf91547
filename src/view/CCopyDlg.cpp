#include "CCopyDlg.h"

#include "DialogBuilder.h"
#include "EditRange.h"

#include <DeviceBytes.h>
#include <HexField.h>

#include <QLineEdit>
#include <QPushButton>

CCopyDlg::CCopyDlg(DeviceImage* image, QWidget* parent) : QDialog(parent), image_(image)
{
    const DialogBuilder layout(this, QStringLiteral("COPY"), 207, 46);
    copy_ = layout.button(QStringLiteral("&Copy"), 150, 5, 50, 14);
    copy_->setDefault(true);
    exit_ = layout.button(QStringLiteral("&Exit"), 150, 25, 50, 14);
    layout.label(QStringLiteral("Start"), 10, 10, 15, 10);
    start_ = layout.edit(30, 5, 40, 12);
    layout.label(QStringLiteral("to"), 85, 10, 10, 10);
    end_ = layout.edit(100, 5, 45, 12);
    layout.label(QStringLiteral("Copy to Address"), 40, 30, 55, 10);
    destination_ = layout.edit(100, 25, 45, 12);
    // Typing starts in the first field.
    start_->setFocus();
    connect(copy_, &QPushButton::clicked, this, &CCopyDlg::OnCopyClicked);
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
}

void CCopyDlg::OnCopyClicked()
{
    const EditRange range = EditRange::Read(start_, end_, *image_);
    // A destination that holds no hex number counts as empty: nothing is
    // copied and the window stays open.
    const std::optional<int32_t> destination = ParseHexField(DialogBuilder::FieldText(destination_).toStdString());
    if (!destination)
        return;
    const int64_t size = DeviceBytes(*image_);
    for (int64_t i = range.start; i <= range.end; ++i) {
        const int64_t target = *destination + (i - range.start);
        if (target >= size)
            break;
        // A negative destination writes only the targets that fall inside
        // the image; those below address 0 are skipped.
        if (target < 0)
            continue;
        image_->buffer[target] = image_->buffer[i];
    }
    done(0);
}
