#include "JobMessage.h"

#include <MessageBox.h>

#include <QElapsedTimer>

qint64 ShowJobMessage(QWidget* owner, std::string_view text, std::string_view caption, JobFeedback::Buttons buttons)
{
    QElapsedTimer waited;
    waited.start();
    ShowMessage(MessageRequest{owner, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                               QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                               buttons == JobFeedback::Buttons::OkCancel ? MessageButtons::OkCancel : MessageButtons::Ok,
                               caption == "ERROR" ? MessageIcon::Error : MessageIcon::None});
    return waited.elapsed();
}
