#pragma once

#include "Archive.h"

#include <QObject>
#include <QString>

// The single document's framework side: path name, title, modified flag and
// the save prompt. The program's document adds its data and file format.
class Document : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& pathName() const { return pathName_; }
    const QString& title() const { return title_; }
    bool isModified() const { return modified_; }

    void SetModifiedFlag(bool modified = true);
    void SetTitle(const QString& title);
    // Sets the path and takes the title from its file name.
    void SetPathName(const QString& path);

    // New: empties the path name and clears the modified flag.
    virtual bool OnNewDocument();

    // Asks "¿Guardar cambios a ...?" when modified. True: go on (saved or not
    // wanted); false: the user cancelled, or the save failed.
    bool SaveModified();

    // Save: to the document's file when it exists and can be written,
    // otherwise through the save chooser. False when nothing was saved.
    bool DoFileSave();
    // Save As with an empty path: the chooser asks for the name first. It
    // starts on the document's own file, or for a document without one on
    // its title in the default folder.
    bool DoSave(const QString& path);
    void setDefaultFolder(const QString& folder) { defaultFolder_ = folder; }

    // Opens the file and loads it through Serialize. Errors are reported;
    // a failed open leaves the document, its path and title as they were.
    virtual bool OnOpenDocument(const QString& path);
    // Stores through Serialize into a temporary file that replaces the old
    // one only when everything was written.
    virtual bool OnSaveDocument(const QString& path);

    // Loads or stores the document's data; false on a file error.
    virtual bool Serialize(Archive& archive) = 0;

protected:
    enum class LoadOutcome { Loaded, Refused, NotOpened, ReadFailed };
    // Opens the file and loads it through Serialize, reporting a file error.
    // Anything but a regular file (a folder, a FIFO, a device) is refused
    // before it is opened: reading one could block or never end.
    LoadOutcome LoadFromFile(const QString& path);
    // Whether the content Serialize just read was taken; a refusal (already
    // told by Serialize) leaves the document as it was.
    virtual bool LoadAccepted() const { return true; }

signals:
    void captionChanged();
    // A file was opened or saved under this path: the recent-file list takes it.
    void fileUsed(const QString& path);

private:
    QString pathName_;
    QString title_;
    QString defaultFolder_;
    bool modified_ = false;
};
