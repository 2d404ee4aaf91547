#include "RecentFileList.h"

#include <QDir>
#include <QFileInfo>

void RecentFileList::add(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    files_.removeAll(full);
    files_.prepend(full);
    while (files_.size() > size_)
        files_.removeLast();
}

void RecentFileList::remove(int index)
{
    if (index >= 0 && index < files_.size())
        files_.removeAt(index);
}

void RecentFileList::setFiles(const QStringList& files)
{
    files_.clear();
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        add(*it);
}

QString RecentFileList::menuText(int index, const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    const QString home = QDir::homePath();
    if (shown.startsWith(home + QLatin1Char('/')))
        shown = QLatin1Char('~') + shown.mid(home.size());
    // "&" would turn the next letter into a mnemonic.
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
