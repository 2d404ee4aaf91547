#pragma once

#include "DeviceImage.h"

#include <Document.h>

// The program's one document: the device image behind the framework's
// path, title and modified flag.
class CVorlaneDoc : public Document {
    Q_OBJECT
public:
    explicit CVorlaneDoc(QObject* parent = nullptr);

    DeviceImage& image() { return image_; }
    const DeviceImage& image() const { return image_; }

    bool OnNewDocument() override;
    bool DoFileSave() override;

signals:
    // The image changed: every view repaints.
    void imageChanged();

private:
    DeviceImage image_;
};
