// "Mutate Setup": nine vertical track bars, one per mutation group, from 0
// (off) to 10 (max). Moving a bar stores its position in the group's factor
// at once; under each bar a "Lock" box keeps the group out of Randomize and
// Mutate alike. Cancel, Escape or closing the window puts the factors and
// the locks back as they were when the dialog opened.
#pragma once

#include "library/PatchCommands.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QPushButton;
class QSlider;

namespace velmora::library {

class MutateSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // The bars start at the factors (a factor above 10 shows as 10 and stays
    // as it is until its bar is moved).
    MutateSettingsDialog(MutateFactors& factors, GroupLocks& locks, QWidget* parent = nullptr);

    static constexpr int kHelpTopic = 1020;

    void reject() override;

signals:
    // The Help button: kHelpTopic.
    void helpRequested(int topic);

private:
    MutateFactors& factors_;
    const MutateFactors original_;
    GroupLocks& locks_;
    const GroupLocks originalLocks_;
    // Group 1..9 at 0..8: `tbMutate1` .. `tbMutate9`.
    std::array<QSlider*, kMutateGroupCount> bars_{};
};

} // namespace velmora::library
