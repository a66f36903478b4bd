// "Mutate Setup": nine vertical track bars, one per mutation group, from 0
// (off) to 10 (max). Moving a bar stores its position in the group's factor
// at once; Cancel, Escape or closing the window puts the factors back as
// they were when the dialog opened.
#pragma once

#include "library/PatchCommands.h"

#include <QDialog>

#include <array>

class QPushButton;
class QSlider;

namespace velmora::library {

class MutateSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // The bars start at the factors (a factor above 10 shows as 10 and stays
    // as it is until its bar is moved).
    explicit MutateSettingsDialog(MutateFactors& factors, QWidget* parent = nullptr);

    static constexpr int kHelpTopic = 1020;

    void reject() override;

signals:
    // The Help button: kHelpTopic.
    void helpRequested(int topic);

private:
    MutateFactors& factors_;
    const MutateFactors original_;
    // Group 1..9 at 0..8: `tbMutate1` .. `tbMutate9`.
    std::array<QSlider*, kMutateGroupCount> bars_{};
};

} // namespace velmora::library
