#include "CGotoDlg.h"

#include "DialogBuilder.h"

#include <HexField.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

CGotoDlg::CGotoDlg(QWidget* parent) : QDialog(parent)
{
    const DialogBuilder layout(this, QStringLiteral("GOTO"), 77, 31);
    go_ = layout.button(QStringLiteral("&Go"), 5, 15, 30, 14);
    cancel_ = layout.button(QStringLiteral("Cancel"), 40, 15, 35, 14);
    address_ = layout.edit(30, 0, 45, 12);
    layout.label(QStringLiteral("Goto"), 5, 5, 20, 10);
    // Neither button is the default one; Enter is handled below.
    go_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    // Typing starts in the address field.
    address_->setFocus();
    connect(go_, &QPushButton::clicked, this, &CGotoDlg::OnOK);
    connect(cancel_, &QPushButton::clicked, this, &CGotoDlg::OnCancel);
}

void CGotoDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the focused button; elsewhere it means Go, as a window
    // without a default button takes it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CGotoDlg::OnOK()
{
    // Text that holds no hex number gives no address, as an empty field.
    done(ParseHexField(DialogBuilder::FieldText(address_).toStdString()).value_or(-1));
}

void CGotoDlg::OnCancel()
{
    done(-1);
}
