#pragma once

#include <QString>

class QWidget;

// The file choosers; an empty result means the user cancelled. Filters are
// Qt name filters separated by ";;". The open chooser starts in startFolder;
// the save chooser in the folder of suggestedPath, with its name filled in.
// Either starts in the working folder when given none.
QString ChooseOpenFile(QWidget* owner, const QString& filters, const QString& startFolder = {});
QString ChooseSaveFile(QWidget* owner, const QString& title, const QString& suggestedPath,
                       const QString& filters);
