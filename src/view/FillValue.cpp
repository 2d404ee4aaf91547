#include "FillValue.h"

#include <HexField.h>

namespace {

// Leading blanks, a sign and decimal digits up to the first other
// character. The number wraps at 32 bits, which keeps its low 8 bits exact.
std::optional<uint32_t> ParseDecimal(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    uint32_t value = 0;
    bool anyDigit = false;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i].unicode() - '0');
        anyDigit = true;
    }
    if (!anyDigit)
        return std::nullopt;
    return negative ? 0u - value : value;
}

} // namespace

std::optional<uint8_t> ParseFillValue(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    if (text[0] == QLatin1Char('$')) {
        const std::optional<int32_t> v = ParseHexField(text.mid(1).toStdString());
        if (!v)
            return std::nullopt;
        return static_cast<uint8_t>(*v);
    }
    if (text[0] == QLatin1Char('\'')) {
        if (text.size() < 2)
            return uint8_t{0};
        const char16_t c = text[1].unicode();
        if (c > 0xFF)
            return std::nullopt;
        return static_cast<uint8_t>(c);
    }
    const std::optional<uint32_t> v = ParseDecimal(text);
    if (!v)
        return std::nullopt;
    return static_cast<uint8_t>(*v);
}
