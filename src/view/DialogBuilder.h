#pragma once

#include <QString>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QWidget;

// Lays out a small fixed window from its resource layout: positions and
// sizes in dialog units, measured from the window's font as the dialog
// manager measures them (a quarter of the average letter width across, an
// eighth of the line height down).
class DialogBuilder {
public:
    DialogBuilder(QDialog* dialog, const QString& title, int width, int height);

    QLabel* label(const QString& text, int x, int y, int width, int height) const;
    QLineEdit* edit(int x, int y, int width, int height) const;
    QPushButton* button(const QString& text, int x, int y, int width, int height) const;

    QRect pixels(int x, int y, int width, int height) const;

    // A field's text as the windows read it: at most 254 characters.
    static QString FieldText(const QLineEdit* field);

private:
    void place(QWidget* control, int x, int y, int width, int height) const;

    QDialog* dialog_;
    int baseX_ = 0;
    int baseY_ = 0;
};
