#include "CVorlaneDoc.h"

#include "BinaryFormat.h"
#include "CSaveRangeDlg.h"
#include "ImageFile.h"
#include "ImageFileKind.h"
#include "SaveRange.h"

#include <MessageBox.h>

#include <QFileInfo>


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

bool CVorlaneDoc::Serialize(Archive& archive)
{
    return archive.isStoring() ? store(archive) : load(archive);
}

bool CVorlaneDoc::load(Archive& archive)
{
    const ImageFileKind kind = ImageFileKindOf(QFileInfo(archive.path).fileName().toStdString());
    // A binary file longer than the image is refused unread, so never take
    // more than one byte past the limit into memory.
    const qint64 limit = kind == ImageFileKind::Binary ? kBinaryMaxLength + 1 : archive.device->size();
    const QByteArray bytes = archive.device->read(limit);
    if (bytes.size() < std::min(limit, archive.device->size()))
        return false;
    const ImageLoadResult result = LoadImageFile(
        image_, kind, {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())});
    lastLoadRefused_ = !result.loaded;
    if (!result.loaded)
        ShowMessage(nullptr, QString::fromStdString(result.message));
    else
        emit imageChanged();
    return true;
}

bool CVorlaneDoc::store(Archive& archive)
{
    const ImageFileKind kind = ImageFileKindOf(QFileInfo(archive.path).fileName().toStdString());
    CSaveRangeDlg dialog;
    SaveRange range = WholeDeviceRange(image_.deviceSize);
    if (dialog.exec() == QDialog::Accepted)
        range = {dialog.startAddress.value_or(-1), dialog.finishAddress.value_or(-1)};
    const std::vector<uint8_t> bytes = StoreImageFile(image_, kind, range.start, range.finish);
    emit imageChanged(); // the marks are gone
    return archive.device->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

bool CVorlaneDoc::Reload()
{
    if (pathName().isEmpty())
        return true;
    ClearDeviceMarks(image_);
    emit imageChanged();
    return LoadFromFile(pathName(), false) == LoadOutcome::Loaded;
}
