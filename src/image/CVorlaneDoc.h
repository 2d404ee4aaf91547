#pragma once

#include "DeviceImage.h"
#include "ImageCoverage.h"
#include "ImageLoadResult.h"

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

    // Loads the document's own file again; nothing when it has none. False
    // when the file could not be read or its load was refused. With
    // quietWarnings, data left out of the device are not told again.
    bool Reload(bool quietWarnings = false);

    // How the last load went.
    const ImageLoadResult& lastLoad() const { return lastLoad_; }
    // The addresses the file last loaded gave data for; none after New.
    const ImageCoverage& fileCoverage() const { return fileCoverage_; }
    bool lastLoadRefused() const { return !lastLoad_.loaded(); }

protected:
    // A file read but too large, damaged, or without data for the device is
    // refused: the image, path, title and modified flag stay.
    bool LoadAccepted() const override;

signals:
    // The image changed: every view repaints.
    void imageChanged();

private:
    bool load(Archive& archive);
    bool store(Archive& archive);

    DeviceImage image_;
    ImageLoadResult lastLoad_;
    ImageCoverage fileCoverage_;
    bool quietWarnings_ = false;
};
