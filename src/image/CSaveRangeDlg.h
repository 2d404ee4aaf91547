#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;

// Asks which addresses a save writes. The fields open empty.
class CSaveRangeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSaveRangeDlg(QWidget* parent = nullptr);

    // Read by OK; none for a field without a hexadecimal number.
    std::optional<int32_t> startAddress;
    std::optional<int32_t> finishAddress;

    QLineEdit* startEdit() const { return start_; }
    QLineEdit* finishEdit() const { return finish_; }

    void accept() override;

private:
    QLineEdit* start_;
    QLineEdit* finish_;
};
