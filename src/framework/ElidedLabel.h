#pragma once

#include <QLabel>

// A one-line label that asks for room for its whole text but, given less,
// shows the text cut with "…" rather than holding its window wide open: at
// its end, or in its middle, so that a path's last part (a file's name)
// stays whole.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;
    // True when the label is too narrow for its whole text.
    bool elided() const;
    // Where the text is cut; Qt::ElideRight unless set.
    void setElideMode(Qt::TextElideMode mode);
    // The text as drawn in the room the label has.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode mode_ = Qt::ElideRight;
};
