#include "FileCommands.h"

#include "CMainFrame.h"
#include "CommandId.h"
#include "SettingsStore.h"

#include <CVorlaneDoc.h>
#include <CVorlaneView.h>
#include <FileChooser.h>

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
    const QString chosen = ChooseOpenFile(&frame_, OpenFilters(), lastFolder_);
    if (chosen.isEmpty())
        return;
    // Even the file already open is loaded again.
    open(chosen, true);
}

CVorlaneDoc* FileCommands::OpenDocumentFile(const QString& path)
{
    return open(path, false) == Outcome::Opened ? &document_ : nullptr;
}

FileCommands::Outcome FileCommands::open(const QString& path, bool always)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    bool loadedHere = false;
    if (always || document_.pathName() != full) {
        if (!document_.SaveModified()) {
            current_ = nullptr;
            return Outcome::Stopped;
        }
        // A file that is not opened, or whose load is refused, leaves the
        // document's image, name and title as they were, so no later save
        // can overwrite the file the user tried to open.
        if (!document_.OnOpenDocument(full)) {
            current_ = nullptr;
            return Outcome::Failed;
        }
        document_.SetPathName(full);
        addRecent(full);
        useFolderOf(full);
        view_.OnInitialUpdate();
        loadedHere = true;
    }
    current_ = &document_;
    // What the first load told is not told twice.
    const Outcome reloaded = reload(loadedHere);
    if (reloaded != Outcome::Opened)
        current_ = nullptr;
    return reloaded;
}

FileCommands::Outcome FileCommands::reload(bool quietWarnings)
{
    // A reload replaces the edits with the file's bytes: ask first.
    if (!document_.SaveModified())
        return Outcome::Stopped;
    return document_.Reload(quietWarnings) ? Outcome::Opened : Outcome::Failed;
}

void FileCommands::OnFileReload()
{
    reload(false);
}

void FileCommands::OnRecentFile(int index)
{
    if (index >= recent_.files().size())
        return;
    const QString path = recent_.files()[index];
    // The framework drops an entry whose open fails, but not one the save
    // prompt stopped.
    if (open(path, false) == Outcome::Failed) {
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
    // The newest entry is the last file opened (or saved) in an earlier run.
    if (!recent_.files().isEmpty())
        useFolderOf(recent_.files().constFirst());
}

void FileCommands::useFolderOf(const QString& path)
{
    lastFolder_ = QFileInfo(path).absolutePath();
    // A new document's Save As starts there too.
    document_.setDefaultFolder(lastFolder_);
}

bool FileCommands::saveRecentFiles(std::string* problem) const
{
    return SettingsStore::SaveRecentFiles(recent_.files(), problem);
}
