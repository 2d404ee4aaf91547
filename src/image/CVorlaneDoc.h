#pragma once

#include "DeviceImage.h"

#include <Document.h>

// The program's one document: the device image behind the framework's
// path, title and modified flag, loaded from and saved to binary and Intel
// HEX files.
class CVorlaneDoc : public Document {
    Q_OBJECT
public:
    explicit CVorlaneDoc(QObject* parent = nullptr);

    DeviceImage& image() { return image_; }
    const DeviceImage& image() const { return image_; }

    bool OnNewDocument() override;
    bool Serialize(Archive& archive) override;

    // Loads the document's own file again; nothing when it has none.
    // False (after the error message) when the file could not be read.
    bool Reload();

    // The last load showed "Can't open files larger than 20Kb" and read nothing.
    bool lastLoadRefused() const { return lastLoadRefused_; }

signals:
    // The image changed: every view repaints.
    void imageChanged();

private:
    bool load(Archive& archive);
    bool store(Archive& archive);

    DeviceImage image_;
    bool lastLoadRefused_ = false;
};
