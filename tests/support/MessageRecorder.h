#pragma once

#include <MessageBox.h>

#include <QStringList>

#include <deque>
#include <vector>

// Answers every message box, remembering what was asked.
class MessageRecorder {
public:
    MessageRecorder()
    {
        SetMessageHandler([this](const MessageRequest& r) {
            requests.push_back(r);
            if (onMessage)
                onMessage(r);
            if (answers.empty())
                return r.buttons == MessageButtons::YesNoCancel ? MessageAnswer::No : MessageAnswer::Ok;
            const MessageAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~MessageRecorder() { SetMessageHandler({}); }

    QStringList texts() const
    {
        QStringList t;
        for (const auto& r : requests)
            t << r.text;
        return t;
    }

    std::vector<MessageRequest> requests;
    std::deque<MessageAnswer> answers;
    std::function<void(const MessageRequest&)> onMessage;
};
