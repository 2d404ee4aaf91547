#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;

// Asks which addresses a save writes. The fields open empty. A range whose
// start lies above its end (after the device's clamps) is refused, and the
// window stays open: saving it would leave an empty file.
class CSaveRangeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSaveRangeDlg(int32_t deviceSize, QWidget* parent = nullptr);

    // Read by OK; none for a field without a hexadecimal number.
    std::optional<int32_t> startAddress;
    std::optional<int32_t> finishAddress;

    QLineEdit* startEdit() const { return start_; }
    QLineEdit* finishEdit() const { return finish_; }

    void accept() override;

private:
    int32_t deviceSize_;
    QLineEdit* start_;
    QLineEdit* finish_;
};
