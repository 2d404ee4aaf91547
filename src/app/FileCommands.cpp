#include "FileCommands.h"

#include "CMainFrame.h"
#include "CommandId.h"
#include "SettingsStore.h"

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <FileChooser.h>

#include <QDir>
#include <QFileInfo>

FileCommands::FileCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view, CVorlaneDoc*& current)
    : frame_(frame), document_(document), view_(view), current_(current)
{
    QObject::connect(&document_, &CVorlaneDoc::fileUsed, &frame_, [this](const QString& path) { addRecent(path); });
}

void FileCommands::bind()
{
    frame_.setHandler(ID_FILE_OPEN, [this] { OnFileOpen(); });
    frame_.setHandler(ID_FILE_RELOAD, [this] { OnFileReload(); });
    frame_.setHandler(ID_FILE_SAVE, [this] { document_.DoFileSave(); });
    frame_.setHandler(ID_FILE_SAVE_AS, [this] { document_.DoSave(QString()); });
    for (int i = 0; i < 4; ++i)
        frame_.setHandler(ID_FILE_MRU_FILE1 + i, [this, i] { OnRecentFile(i); });
    refreshRecentMenu();
}

QString FileCommands::OpenFilters()
{
    // The shown names are the program's; .ihx joins the patterns, since
    // such files load as Intel HEX.
    return QStringLiteral("Common files (bin;hex) (*.bin *.hex *.e51 *.ihx);;"
                          "Binary files (*.bin)  (*.bin);;"
                          "INTEL-HEX files (*.hex)  (*.hex *.ihx);;"
                          "All files (*.*) (*)");
}

void FileCommands::OnFileOpen()
{
    const QString chosen = ChooseOpenFile(&frame_, OpenFilters());
    if (chosen.isEmpty())
        return;
    const QString path = QFileInfo(chosen).absoluteFilePath();
    document_.SaveModified(); // the answer does not stop the open
    document_.SetModifiedFlag(false);
    // A placeholder path that names no file the user can choose, so the open
    // below always loads, even the file already open.
    document_.SetPathName(QDir::current().absoluteFilePath(QStringLiteral("Castavel")));
    OpenDocumentFile(path);
}

CVorlaneDoc* FileCommands::OpenDocumentFile(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    CVorlaneDoc* result = &document_;
    if (document_.pathName() != full) {
        if (!document_.SaveModified() || !document_.OnOpenDocument(full)) {
            result = nullptr;
        } else {
            document_.SetPathName(full);
            addRecent(full);
            view_.OnInitialUpdate();
        }
    }
    current_ = result;
    if (result)
        result->Reload();
    return result;
}

void FileCommands::OnFileReload()
{
    document_.Reload();
}

void FileCommands::OnRecentFile(int index)
{
    if (index >= recent_.files().size())
        return;
    const QString path = recent_.files()[index];
    // The framework drops an entry whose open fails.
    if (!OpenDocumentFile(path)) {
        recent_.remove(recent_.files().indexOf(path));
        refreshRecentMenu();
    }
}

void FileCommands::addRecent(const QString& path)
{
    recent_.add(path);
    refreshRecentMenu();
}

void FileCommands::refreshRecentMenu()
{
    QStringList texts;
    for (int i = 0; i < recent_.files().size(); ++i)
        texts << RecentFileList::menuText(i, recent_.files()[i]);
    frame_.setRecentFiles(texts);
}

void FileCommands::loadRecentFiles()
{
    recent_.setFiles(SettingsStore::LoadRecentFiles());
    refreshRecentMenu();
}

void FileCommands::saveRecentFiles() const
{
    SettingsStore::SaveRecentFiles(recent_.files());
}
