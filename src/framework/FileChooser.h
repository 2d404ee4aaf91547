#pragma once

#include <QString>

class QWidget;

// The file choosers; an empty result means the user cancelled. Filters are
// Qt name filters separated by ";;".
QString ChooseOpenFile(QWidget* owner, const QString& filters);
QString ChooseSaveFile(QWidget* owner, const QString& title, const QString& suggestedName,
                       const QString& filters);
