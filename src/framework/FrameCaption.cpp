#include "FrameCaption.h"

QString FrameCaption(const QString& documentTitle)
{
    return documentTitle + QStringLiteral(" - ") + QLatin1String(kApplicationTitle);
}
