#include "CVorlaneDoc.h"

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
    fileCoverage_.reset();
    emit imageChanged();
    return true;
}

bool CVorlaneDoc::LoadAccepted() const
{
    return lastLoad_.loaded();
}

bool CVorlaneDoc::Serialize(Archive& archive)
{
    return archive.isStoring() ? store(archive) : load(archive);
}

bool CVorlaneDoc::load(Archive& archive)
{
    const QString name = QFileInfo(archive.path).fileName();
    const ImageFileKind byName = ImageFileKindOf(name.toStdString());
    // Refused unread: a file of gigabytes must not be taken into memory.
    const qint64 size = archive.device->size();
    if (size > ImageFileMaxLength(byName)) {
        lastLoad_ = ImageLoadResult::Refused(ImageFileTooLargeMessage(byName));
    } else {
        const QByteArray bytes = archive.device->read(size);
        if (bytes.size() < size)
            return false;
        const std::span<const uint8_t> content(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                               static_cast<size_t>(bytes.size()));
        // ".hex" inside a name ("dump.hex.bin") makes Intel HEX of what holds
        // records only: a binary file so named is loaded as binary.
        const ImageFileKind kind =
            byName == ImageFileKind::Binary ? byName : ImageFileKindOfInput(name.toStdString(), content);
        ImageCoverage covered;
        lastLoad_ = LoadImageFile(image_, kind, content, &covered);
        if (lastLoad_.loaded())
            fileCoverage_ = covered;
    }
    const std::string text = DescribeImageLoad(lastLoad_, name.toStdString(), image_.deviceSize);
    if (!text.empty() && !(quietWarnings_ && lastLoad_.loaded()))
        ShowMessage(nullptr, QString::fromStdString(text), QString(),
                    lastLoad_.loaded() ? MessageIcon::Warning : MessageIcon::Error);
    if (lastLoad_.loaded())
        emit imageChanged();
    return true;
}

bool CVorlaneDoc::store(Archive& archive)
{
    const ImageFileKind kind = ImageFileKindOf(QFileInfo(archive.path).fileName().toStdString());
    CSaveRangeDlg dialog(image_.deviceSize);
    SaveRange range = WholeDeviceRange(image_.deviceSize);
    if (dialog.exec() == QDialog::Accepted)
        range = {dialog.startAddress.value_or(-1), dialog.finishAddress.value_or(-1)};
    const std::vector<uint8_t> bytes = StoreImageFile(image_, kind, range.start, range.finish);
    emit imageChanged(); // the marks are gone
    return archive.device->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

bool CVorlaneDoc::Reload(bool quietWarnings)
{
    if (pathName().isEmpty())
        return true;
    quietWarnings_ = quietWarnings;
    const bool loaded = LoadFromFile(pathName()) == LoadOutcome::Loaded;
    quietWarnings_ = false;
    return loaded;
}
