// The patch-number dialog of Download and Upload: a caption, a label with
// the range ("Patch # (000-199)"), and a spin edit limited to that range.
#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QSpinBox;

namespace velmora {

class NumberDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NumberDialog(QWidget* parent = nullptr);

    // Caption, label and the highest number; the number of digits follows
    // from it. `initial` below 0 shows as 0.
    void setup(const QString& caption, const QString& label, int maximum, int initial);

    // Shows the dialog modally: the number on "&OK", none on "&Cancel".
    std::optional<int> ask();

private:
    QLabel* label_;
    QSpinBox* number_;
};

} // namespace velmora
