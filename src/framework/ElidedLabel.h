#pragma once

#include <QLabel>

// A one-line label that asks for room for its whole text but, given less,
// shows the text cut with "…" rather than holding its window wide open.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;
    // True when the label is too narrow for its whole text.
    bool elided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
