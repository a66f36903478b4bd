// The Merge dialog: the second patch (a bank entry, or the first patch of a
// file) and how far to move the current patch toward it, 0 to 100 %.
#pragma once

#include "protocol/PatchRecord.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace velmora::library {

class MergeDialog : public QDialog
{
    Q_OBJECT

public:
    // Reads a patch file when the user asks for one: its name and record.
    using PickFile = std::function<std::optional<std::pair<QString, PatchRecord>>()>;

    MergeDialog(const std::array<PatchBuffer, kBankPatchCount>& bank, PickFile pickFile,
                QWidget* parent = nullptr);

    // The patch chosen to merge toward.
    PatchRecord other() const;
    // 0..1.
    double fraction() const;

private:
    void pickFile();
    void showAmount(int percent);

    PickFile pickFile_;
    // The records the list offers, in its order: the bank, then the files.
    std::vector<PatchRecord> records_;
    QComboBox* source_;
    QSlider* amount_;
    QLabel* amountLabel_;
    QPushButton* ok_;
};

} // namespace velmora::library
