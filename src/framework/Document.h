#pragma once

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

    // Writes the document to its file, asking for a name when it has none.
    // False when nothing was saved.
    virtual bool DoFileSave() = 0;

signals:
    void captionChanged();

private:
    QString pathName_;
    QString title_;
    bool modified_ = false;
};
