#pragma once

#include <QString>

// The framework's Spanish messages for a file that could not be opened,
// read or written.
enum class FileAction { Open, Read, Write };

QString FileErrorText(FileAction action, const QString& path, int systemError);

// Shows FileErrorText in the framework's warning box.
void ReportFileError(FileAction action, const QString& path, int systemError);
