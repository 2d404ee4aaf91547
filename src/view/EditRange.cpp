#include "EditRange.h"

#include "DialogBuilder.h"

#include <DeviceBytes.h>
#include <HexField.h>

EditRange EditRange::Read(const QString& startText, const QString& endText, int32_t deviceSize)
{
    // A field that holds no hex number (empty too) counts as out of range,
    // so the clamps give the whole device.
    const int32_t last = deviceSize - 1;
    const int32_t start = ParseHexField(startText.toStdString()).value_or(-1);
    const int32_t end = ParseHexField(endText.toStdString()).value_or(-1);
    EditRange range;
    range.start = start < 0 || start >= last ? 0 : start;
    range.end = end >= last || end < 0 ? last : end;
    return range;
}

EditRange EditRange::Read(const QLineEdit* startField, const QLineEdit* endField, const DeviceImage& image)
{
    return Read(DialogBuilder::FieldText(startField), DialogBuilder::FieldText(endField), DeviceBytes(image));
}
