#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

// The end of a text that names a file: from its last '/' on, when no blank
// follows. Empty for any other text.
QString FileNameTail(const QString& text)
{
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString tail = slash < 0 ? QString() : text.mid(slash);
    return tail.contains(QLatin1Char(' ')) ? QString() : tail;
}

} // namespace

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize full = QLabel::minimumSizeHint();
    const QFontMetrics metrics = fontMetrics();
    int least = metrics.averageCharWidth() * 12;
    // Cut in the middle: room for "…" and a file's name, within reason.
    if (const QString tail = FileNameTail(text()); mode_ == Qt::ElideMiddle && !tail.isEmpty())
        least = std::clamp(metrics.horizontalAdvance(QStringLiteral("\u2026") + tail) + full.width() -
                               metrics.horizontalAdvance(text()),
                           least, metrics.averageCharWidth() * 32);
    return {std::min(full.width(), least), full.height()};
}

bool ElidedLabel::elided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    mode_ = mode;
    update();
}

QString ElidedLabel::shownText() const
{
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    const QString tail = FileNameTail(text());
    if (mode_ == Qt::ElideMiddle && !tail.isEmpty() && metrics.horizontalAdvance(text()) > room) {
        // The file's name stays whole while it fits.
        const int headRoom = room - metrics.horizontalAdvance(tail);
        if (headRoom >= metrics.horizontalAdvance(QStringLiteral("\u2026")))
            return metrics.elidedText(text().chopped(tail.size()), Qt::ElideRight, headRoom) + tail;
    }
    return metrics.elidedText(text(), mode_, room);
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}
