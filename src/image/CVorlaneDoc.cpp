#include "CVorlaneDoc.h"

CVorlaneDoc::CVorlaneDoc(QObject* parent) : Document(parent)
{
}

bool CVorlaneDoc::OnNewDocument()
{
    if (!Document::OnNewDocument())
        return false;
    SetTitle(QStringLiteral("Sintit"));
    image_.clearForNew();
    emit imageChanged();
    return true;
}

bool CVorlaneDoc::DoFileSave()
{
    return false;
}
