// One bus of the modulation matrix: an on/off switch, a source list, a
// destination list and a signed amount track bar with its value label, all
// bound to the bus's three bytes of the current patch (source, amount,
// destination). A bus is on when it has both a source and a destination;
// switching it off clears all three bytes.
#pragma once

#include "editor/EditorContext.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QSlider;

namespace velmora::widgets {
class LampButton;
} // namespace velmora::widgets

namespace velmora::editor {

class BusGroup : public QGroupBox
{
    Q_OBJECT

public:
    // `bus` is 1..10.
    BusGroup(EditorContext& context, int bus, QWidget* parent = nullptr);

    // Shows the bus as the record holds it. Nothing is written or sent: an
    // amount byte outside -63..+63 keeps its value while the track bar shows
    // the nearer end, and a bus shown off keeps its amount.
    void refresh();
    // Flips the switch and acts as a click on it would (controller mapping).
    void toggle();

    int busNumber() const { return bus_; }
    widgets::LampButton* busSwitch() const { return switch_; }
    QComboBox* SourceList() const { return source_; }
    QComboBox* destinationList() const { return destination_; }
    QSlider* trackBar() const { return amount_; }
    QLabel* valueLabel() const { return label_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applySwitch();
    void applyAmount(int value);
    // Puts the track bar at a record amount without editing the record.
    void showAmount(Byte amount);

    EditorContext& context_;
    int bus_;
    widgets::LampButton* switch_;
    QComboBox* source_;
    QComboBox* destination_;
    QSlider* amount_;
    QLabel* label_;
};

} // namespace velmora::editor
