#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The GOTO window. Its result is the address typed, or -1 for none.
class CGotoDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGotoDlg(QWidget* parent = nullptr);

    // Go: ends with the field read as an address, -1 when it holds none.
    void OnOK();
    // Cancel, Escape and the close box: ends with -1.
    void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    QLineEdit* addressEdit() const { return address_; }
    QPushButton* goButton() const { return go_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* go_;
    QPushButton* cancel_;
    QLineEdit* address_;
};
