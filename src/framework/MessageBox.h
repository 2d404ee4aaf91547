#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through ShowMessage, so that tests
// (and unattended stations) can answer it and read its text.
enum class MessageButtons { Ok, OkCancel, YesNoCancel };
enum class MessageIcon { None, Error, Warning, Question, Information };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;

MessageAnswer ShowMessage(const MessageRequest& request);

// Convenience for the common OK box.
MessageAnswer ShowMessage(QWidget* owner, const QString& text, const QString& caption = {},
                          MessageIcon icon = MessageIcon::None);

// Replaces the modal box with handler; an empty handler puts the box back.
void SetMessageHandler(MessageHandler handler);
