#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}

QMessageBox::Icon ToQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer ShowModal(const MessageRequest& r)
{
    QMessageBox box(ToQt(r.icon), r.caption, r.text, QMessageBox::NoButton, r.owner);
    switch (r.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
        break;
    }
    // An empty caption would show the program name: keep it visibly empty.
    box.setWindowTitle(r.caption.isEmpty() ? QStringLiteral(" ") : r.caption);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        break;
    }
    // Closing the box from the window manager counts as its escape button.
    if (r.buttons == MessageButtons::YesNoCancel && box.clickedButton() == nullptr)
        return MessageAnswer::Cancel;
    return MessageAnswer::Ok;
}

} // namespace

MessageAnswer ShowMessage(const MessageRequest& request)
{
    if (handler())
        return handler()(request);
    return ShowModal(request);
}

MessageAnswer ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageIcon icon)
{
    return ShowMessage(MessageRequest{owner, text, caption, MessageButtons::Ok, icon});
}

void SetMessageHandler(MessageHandler handler_)
{
    handler() = std::move(handler_);
}
