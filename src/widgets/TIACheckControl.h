// A check item or a radio item drawn as a small panel lamp with its text.
// A check item toggles on a click and says so with `Click`; setting its
// checked state from the program says nothing. Radio items with the same
// group index under the same parent exclude each other; `ChangeState`
// reports every change of a radio item's state, by the user or by the
// program, as the editor's radio handlers expect.
#pragma once

#include <QAbstractButton>

namespace velmora::widgets {

class TIACheckControl : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Kind
    {
        Check,
        Radio,
    };

    explicit TIACheckControl(const QString& text, Kind kind = Kind::Check,
                             QWidget* parent = nullptr);

    Kind ItemKind() const { return kind_; }
    int GroupIndex() const { return group_; }
    void SetGroupIndex(int group) { group_ = group; }

    QSize sizeHint() const override;

signals:
    // A check item after a user click toggled it.
    void Click();
    // A radio item whose checked state changed, from any cause.
    void ChangeState(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;

private:
    void UncheckSiblings();

    Kind kind_;
    int group_ = 0;
};

} // namespace velmora::widgets
