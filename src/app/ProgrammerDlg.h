#pragma once

#include <PortChoice.h>

#include <QDialog>

#include <array>
#include <string>

class QFormLayout;
class QLabel;

// Where a programmer is and how it is wired: a dialog whose fields make up a
// port form, which the one grammar judges on OK as it would the same text in
// VORLANE_PORT. On OK, form() is that text.
class ProgrammerDlg : public QDialog {
    Q_OBJECT
public:
    QLabel* problemLabel() const { return problem_; }
    const std::string& form() const { return form_; }

    void accept() override;

    // The target's four signals as the port forms name them, in the order
    // the dialogs list them.
    static constexpr const char* kSignals[] = {"rst", "sck", "mosi", "miso"};

protected:
    // The form in use when it is of `kind`, else `fallback`'s defaults.
    static PortChoice InUse(const std::string& current, PortChoice::Kind kind, const char* fallback);
    // A row per signal, "RST line:" for `what` "line".
    void addSignalRows(const char* what, const std::array<QWidget*, 4>& widgets);
    // `wiring`: what goes where, shown above the fields.
    ProgrammerDlg(const QString& title, const QString& wiring, PortChoice::Kind kind, QWidget* parent);
    // The rows of the subclass's fields, added before the dialog is shown.
    QFormLayout* fields() const { return fields_; }
    // The port form the fields give now.
    virtual std::string text() const = 0;

private:
    PortChoice::Kind kind_;
    QFormLayout* fields_ = nullptr;
    QLabel* problem_ = nullptr;
    std::string form_;
};
