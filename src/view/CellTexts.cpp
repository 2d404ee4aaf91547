#include "CellTexts.h"

#include <QFontMetricsF>
#include <QTransform>

namespace {

QChar AsciiCell(uint8_t value)
{
    // 0x7F shows as itself; control codes and the upper half as dots.
    return value >= 0x20 && value <= 0x7F ? QChar(value) : QChar('.');
}

} // namespace

CellTexts::CellTexts(const QFont& font) : font_(font)
{
    const QFontMetricsF metrics(font);
    for (int v = 0; v < 256; ++v) {
        const QString hex = QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        const QString ascii(AsciiCell(static_cast<uint8_t>(v)));
        hex_[v].setText(hex);
        ascii_[v].setText(ascii);
        for (QStaticText* t : {&hex_[v], &ascii_[v]}) {
            t->setTextFormat(Qt::PlainText); // "<" and "&" are characters, not markup
            t->prepare(QTransform(), font);
        }
        hexWidth_[v] = metrics.horizontalAdvance(hex);
        asciiWidth_[v] = metrics.horizontalAdvance(ascii);
    }
}
