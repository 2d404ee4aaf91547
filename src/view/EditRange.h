#pragma once

#include <QString>

#include <cstdint>

struct DeviceImage;
class QLineEdit;

// The address range of the Copy and Fill windows, clamped to the device.
struct EditRange {
    // A start below 0 or at the last address or above gives 0; an end below
    // 0 or at the last address or above gives the last address. An end
    // below the start is kept and makes the range empty.
    static EditRange Read(const QString& startText, const QString& endText, int32_t deviceSize);
    // The same from a window's start and end fields, over the image's device.
    static EditRange Read(const QLineEdit* startField, const QLineEdit* endField, const DeviceImage& image);

    int32_t start = 0;
    int32_t end = -1;
};
