#include "DialogBuilder.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>

DialogBuilder::DialogBuilder(QDialog* dialog, const QString& title, int width, int height) : dialog_(dialog)
{
    const QFontMetrics metrics(dialog->font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    baseY_ = metrics.height();
    dialog->setWindowTitle(title);
    dialog->setFixedSize(pixels(0, 0, width, height).size());
}

QRect DialogBuilder::pixels(int x, int y, int width, int height) const
{
    return QRect(x * baseX_ / 4, y * baseY_ / 8, width * baseX_ / 4, height * baseY_ / 8);
}

void DialogBuilder::place(QWidget* control, int x, int y, int width, int height) const
{
    control->setParent(dialog_);
    control->setGeometry(pixels(x, y, width, height));
}

QLabel* DialogBuilder::label(const QString& text, int x, int y, int width, int height) const
{
    auto* control = new QLabel(text);
    // Static text starts at the top of its box.
    control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(control, x, y, width, height);
    // The desktop font runs wider than the one the layout was made for:
    // the text may reach past its box rather than be cut.
    if (control->sizeHint().width() > control->width())
        control->resize(control->sizeHint().width(), control->height());
    return control;
}

QLineEdit* DialogBuilder::edit(int x, int y, int width, int height) const
{
    auto* control = new QLineEdit;
    place(control, x, y, width, height);
    return control;
}

QPushButton* DialogBuilder::button(const QString& text, int x, int y, int width, int height) const
{
    auto* control = new QPushButton(text);
    place(control, x, y, width, height);
    return control;
}

QString DialogBuilder::FieldText(const QLineEdit* field)
{
    return field->text().left(254);
}
