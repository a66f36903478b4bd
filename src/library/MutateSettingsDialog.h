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

    // Group 1..9: `tbMutate1` .. `tbMutate9`.
    QSlider* bar(int group) const { return bars_.at(static_cast<std::size_t>(group - 1)); }
    QPushButton* okBtn;
    QPushButton* cancelBtn;
    QPushButton* helpBtn;

    void reject() override;

signals:
    // The Help button: kHelpTopic.
    void helpRequested(int topic);

private:
    MutateFactors& factors_;
    const MutateFactors original_;
    std::array<QSlider*, kMutateGroupCount> bars_{};
};

} // namespace velmora::library
