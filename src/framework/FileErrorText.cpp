#include "FileErrorText.h"

#include "MessageBox.h"

#include <QDir>

#include <cerrno>

QString FileErrorText(FileAction action, const QString& path, int systemError)
{
    const QString name = QDir::toNativeSeparators(path);
    switch (systemError) {
    case ENOENT:
        return QStringLiteral("No se encontró %1.").arg(name);
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Se denegó el acceso a %1.").arg(name);
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("No hay espacio suficiente en el disco para %1.").arg(name);
    case EISDIR:
        return QStringLiteral("%1 es una carpeta, no un archivo.").arg(name);
    case ENODEV:
        return QStringLiteral("%1 no es un archivo normal.").arg(name);
    default:
        break;
    }
    switch (action) {
    case FileAction::Open:
        return QStringLiteral("No se puede abrir %1.").arg(name);
    case FileAction::Read:
        return QStringLiteral("Error inesperado al leer %1.").arg(name);
    case FileAction::Write:
        return QStringLiteral("Error inesperado al guardar %1.").arg(name);
    }
    return {};
}

void ReportFileError(FileAction action, const QString& path, int systemError)
{
    ShowMessage(nullptr, FileErrorText(action, path, systemError), QString(), MessageIcon::Warning);
}
