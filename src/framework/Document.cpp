#include "Document.h"

#include "MessageBox.h"

#include <QFileInfo>

void Document::SetModifiedFlag(bool modified)
{
    modified_ = modified;
}

void Document::SetTitle(const QString& title)
{
    title_ = title;
    emit captionChanged();
}

void Document::SetPathName(const QString& path)
{
    pathName_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
}

bool Document::OnNewDocument()
{
    pathName_.clear();
    modified_ = false;
    return true;
}

bool Document::SaveModified()
{
    if (!modified_)
        return true;
    const QString name = pathName_.isEmpty() ? title_ : QFileInfo(pathName_).fileName();
    const MessageAnswer answer = ShowMessage(MessageRequest{nullptr, QStringLiteral("¿Guardar cambios a %1?").arg(name),
                                                            QString(), MessageButtons::YesNoCancel,
                                                            MessageIcon::Warning});
    if (answer == MessageAnswer::Cancel)
        return false;
    if (answer == MessageAnswer::No)
        return true;
    return DoFileSave();
}
