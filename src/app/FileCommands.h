#pragma once

#include <string>

#include <RecentFileList.h>

#include <QString>

class CMainFrame;
class CVorlaneDoc;
class CVorlaneView;

// Open, reload, save and the recent files: the document's way to and from
// files, with the framework's prompts and messages.
class FileCommands {
public:
    // `current` is the application's currentDocument: every open by name sets it.
    FileCommands(CMainFrame& frame, CVorlaneDoc& document, CVorlaneView& view, CVorlaneDoc*& current);

    void bind();

    // Opens a file by name; the document, or null when it was not opened.
    CVorlaneDoc* OpenDocumentFile(const QString& path);

    void OnFileOpen();
    void OnFileReload();
    void OnRecentFile(int index);

    const RecentFileList& recentFiles() const { return recent_; }
    void addRecent(const QString& path);
    void loadRecentFiles();
    // False, with *problem, when the store could not be written.
    bool saveRecentFiles(std::string* problem = nullptr) const;

    // The Open chooser's filters: the names as shown, then the patterns.
    static QString OpenFilters();

private:
    enum class Outcome {
        Opened,
        Stopped, // "Cancelar" at the save prompt (or its save failed): nothing changed
        Failed,  // the file could not be read or its load was refused
    };
    // With `always`, loads even the file the document already has.
    Outcome open(const QString& path, bool always);
    Outcome reload(bool quietWarnings);
    void refreshRecentMenu();
    // Open's chooser starts in the folder of the last file opened.
    void useFolderOf(const QString& path);

    CMainFrame& frame_;
    CVorlaneDoc& document_;
    CVorlaneView& view_;
    CVorlaneDoc*& current_;
    RecentFileList recent_{4};
    QString lastFolder_;
};
