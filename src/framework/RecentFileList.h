#pragma once

#include <QString>
#include <QStringList>

// The most recently opened or saved files, newest first, at most `size`.
class RecentFileList {
public:
    explicit RecentFileList(int size = 4) : size_(size) {}

    void add(const QString& path);
    void remove(int index);
    void setFiles(const QStringList& files);
    const QStringList& files() const { return files_; }
    int size() const { return size_; }

    // "&1 name" with the folder shortened: what the File menu shows.
    static QString menuText(int index, const QString& path);

private:
    int size_;
    QStringList files_;
};
