#include "Document.h"

#include "FileChooser.h"
#include "FileErrorText.h"
#include "MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

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
    const MessageAnswer answer = ShowMessage(MessageRequest{nullptr, QStringLiteral("¿Guardar cambios a %1?").arg(title_),
                                                            QString(), MessageButtons::YesNoCancel,
                                                            MessageIcon::Warning});
    if (answer == MessageAnswer::Cancel)
        return false;
    if (answer == MessageAnswer::No)
        return true;
    return DoFileSave();
}

bool Document::DoFileSave()
{
    const QFileInfo file(pathName_);
    if (pathName_.isEmpty() || !file.exists() || !file.isWritable())
        return DoSave(QString());
    return DoSave(pathName_);
}

bool Document::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        const QString suggested = !pathName_.isEmpty()     ? pathName_
                                  : defaultFolder_.isEmpty() ? title_
                                                             : QDir(defaultFolder_).filePath(title_);
        target = ChooseSaveFile(nullptr, QStringLiteral("Guardar como"), suggested,
                                QStringLiteral("Todos los archivos (*.*) (*)"));
        if (target.isEmpty())
            return false;
    }
    if (!OnSaveDocument(target))
        return false;
    SetPathName(target);
    modified_ = false;
    emit fileUsed(pathName_);
    return true;
}

Document::LoadOutcome Document::LoadFromFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        ReportFileError(FileAction::Open, path, info.isDir() ? EISDIR : ENODEV);
        return LoadOutcome::NotOpened;
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        ReportFileError(FileAction::Open, path, errno);
        return LoadOutcome::NotOpened;
    }
    Archive archive{Archive::Direction::Load, QFileInfo(path).absoluteFilePath(), &file};
    errno = 0;
    if (!Serialize(archive)) {
        ReportFileError(FileAction::Read, path, errno);
        return LoadOutcome::ReadFailed;
    }
    return LoadAccepted() ? LoadOutcome::Loaded : LoadOutcome::Refused;
}

bool Document::OnOpenDocument(const QString& path)
{
    // A file that could not be read, or whose content was refused, leaves
    // the document as it was: its image, path, title and flag belong together.
    if (LoadFromFile(path) != LoadOutcome::Loaded)
        return false;
    modified_ = false;
    return true;
}

bool Document::OnSaveDocument(const QString& path)
{
    QSaveFile file(path);
    errno = 0;
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        Archive archive{Archive::Direction::Store, QFileInfo(path).absoluteFilePath(), &file};
        ok = Serialize(archive);
        if (ok) {
            errno = 0;
            ok = file.commit();
        } else {
            file.cancelWriting();
        }
    }
    if (!ok) {
        ReportFileError(FileAction::Write, path, errno);
        return false;
    }
    modified_ = false;
    return true;
}
