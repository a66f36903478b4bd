// The building blocks of the editor's groups. Each one is bound to one byte
// of the current patch and does three things: it shows the byte (`refresh`,
// run while the editing is loading, so nothing is written or sent), it
// turns a user's move into an edit of the record and a send, and it
// repaints the drawing that shows the byte.
//
// Object names follow the instrument panel's control names: a value row for
// "DCO1freq" holds `sbDCO1freq` and `gDCO1freq`.
#pragma once

#include "editor/EditorContext.h"

#include <QLabel>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QScrollBar;
class QSlider;

namespace velmora::widgets {
class LampButton;
class ClickGauge;
} // namespace velmora::widgets

namespace velmora::editor {

// A parameter caption carrying its control index. A right click turns it
// blue while the controller assignment for that index is open.
class TagCaption : public QLabel
{
public:
    TagCaption(EditorContext& context, int control, const QString& text, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    EditorContext& context_;
};

// An unsigned control: a vertical scroll bar with the maximum at the top, a
// gauge beside it and the caption below.
class ValueRow : public QWidget
{
public:
    ValueRow(EditorContext& context, int control, const QString& name, const QString& caption,
             int maxValue, std::optional<Drawing> drawing = {}, QWidget* parent = nullptr);

    void refresh();
    QScrollBar* scrollBar() const { return scrollBar_; }
    widgets::ClickGauge* gauge() const { return gauge_; }

private:
    void applyScrollBar();
    void jumpToGauge(int position);

    EditorContext& context_;
    int control_;
    int max_;
    std::optional<Drawing> drawing_;
    QScrollBar* scrollBar_;
    widgets::ClickGauge* gauge_;
};

// A signed modulation amount: a horizontal track bar from -max to +max with
// its value label and caption.
class SignedRow : public QWidget
{
public:
    // `name` names the track bar (`tb` + name), `labelName` the value label.
    SignedRow(EditorContext& context, int control, const QString& name, const QString& labelName,
              const QString& caption, int maxValue = 63, QWidget* parent = nullptr);

    void refresh();
    QSlider* trackBar() const { return trackBar_; }
    QLabel* valueLabel() const { return label_; }

private:
    EditorContext& context_;
    int control_;
    QSlider* trackBar_;
    QLabel* label_;
};

// A check box that toggles one bit of one byte and sends the whole byte.
// `exact` boxes show checked only when the whole byte equals the bit, and
// their click writes the whole byte: the bit when checked, 0 when not.
class BitBox
{
public:
    BitBox(EditorContext& context, widgets::LampButton* box, std::size_t offset, Byte bit,
           Byte parameter, bool exact = false);

    void refresh();
    widgets::LampButton* box() const { return box_; }

private:
    widgets::LampButton* box_;
    std::size_t offset_;
    Byte bit_;
    bool exact_;
    EditorContext& context_;
};

// A new check item `cb` + name in `parent`, bound as a BitBox that `boxes`
// keeps.
BitBox& addBitBox(std::vector<std::unique_ptr<BitBox>>& boxes, EditorContext& context,
                  QWidget* parent, const QString& name, const QString& caption, std::size_t offset,
                  Byte bit, Byte parameter, bool exact = false);

// The usual layout of a group: its value rows side by side at the top left
// and its check boxes in a column beside them. The caller adds the rest.
QGridLayout* slidersAndSwitches(QWidget* group, const std::vector<ValueRow*>& rows,
                                const std::vector<std::unique_ptr<BitBox>>& boxes,
                                int rowSpacing = 4);

// A frame of radio items whose checked item's tag is the byte's value.
class RadioGroup : public QObject
{
    Q_OBJECT

public:
    enum class OutOfRange
    {
        KeepPrevious, // a byte no item has leaves the previous item checked
        CheckLast,    // a byte above the last item's value checks the last item
    };

    RadioGroup(EditorContext& context, QGroupBox* frame, const QString& namePrefix,
               const std::vector<std::pair<QString, QString>>& items, std::size_t offset,
               Byte parameter, OutOfRange rule, int groupIndex);

    void refresh();
    widgets::LampButton* item(int value) const;

signals:
    // An item became checked; its value was written and sent.
    void chosen(int value);

private:
    EditorContext& context_;
    std::vector<widgets::LampButton*> items_;
    std::size_t offset_;
    Byte parameter_;
    OutOfRange rule_;
};

// A drop-down list of the modulation sources; the byte is item index + 1.
class SourceList
{
public:
    SourceList(EditorContext& context, QComboBox* list, std::size_t offset, Byte parameter);

    void refresh();
    QComboBox* list() const { return list_; }

private:
    EditorContext& context_;
    QComboBox* list_;
    std::size_t offset_;
};

// Fills a list with the 20 modulation sources.
void fillSourceList(QComboBox* list, bool bus1 = false);
// Fills a list with the 32 modulation destinations.
void fillDestinationList(QComboBox* list);

} // namespace velmora::editor
