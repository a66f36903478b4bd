// The "Select Patch" button array: ten digit buttons, "0".."9" in two rows
// of five. The first click gives the tens, the second the units; then the
// patch number goes out as a program change and the test note plays. A
// pending tens digit waits for its units however long it takes.
#pragma once

#include <QGroupBox>

#include <array>
#include <optional>

class QPushButton;

namespace velmora::editor {

class PatchSelector : public QGroupBox
{
    Q_OBJECT

public:
    explicit PatchSelector(QWidget* parent = nullptr);

    QPushButton* button(int digit) const { return buttons_.at(static_cast<std::size_t>(digit)); }
    std::optional<int> pendingTens() const { return tens_; }

signals:
    // The number 0..99, once both digits are in.
    void patchSelected(int number);
    // After every selection, to play the test note.
    void playNoteRequested();

private:
    void pressDigit(int digit);

    std::array<QPushButton*, 10> buttons_{};
    std::optional<int> tens_;
};

} // namespace velmora::editor
