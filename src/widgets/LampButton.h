// A check item or a radio item drawn as a small panel lamp with its text.
// A check item toggles on a click and says so with `userToggled`; setting its
// checked state from the program says nothing. Radio items with the same
// group index under the same parent exclude each other; `changeState`
// reports every change of a radio item's state, by the user or by the
// program, as the editor's radio handlers expect.
#pragma once

#include <QAbstractButton>

namespace velmora::widgets {

class LampButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Kind
    {
        Check,
        Radio,
    };

    explicit LampButton(const QString& text, Kind kind = Kind::Check, QWidget* parent = nullptr);

    Kind itemKind() const { return kind_; }
    int groupIndex() const { return group_; }
    void setGroupIndex(int group) { group_ = group; }

    QSize sizeHint() const override;

signals:
    // A check item after a user click toggled it.
    void userToggled();
    // A radio item whose checked state changed, from any cause.
    void changeState(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;

private:
    void uncheckSiblings();

    Kind kind_;
    int group_ = 0;
};

} // namespace velmora::widgets
