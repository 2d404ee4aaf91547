#pragma once

#include <QFileDevice>
#include <QString>

// The framework's Spanish messages for a file that could not be opened,
// read or written.
enum class FileAction { Open, Read, Write };

QString FileErrorText(FileAction action, const QString& path, QFileDevice::FileError error, int systemError);
