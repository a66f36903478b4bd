// One bus of the modulation matrix: an on/off switch, a source list, a
// destination list and a signed amount track bar with its value label, all
// bound to the bus's three bytes of the current patch (source, amount,
// destination). A bus is on when it has both a source and a destination;
// switching it off clears all three bytes.
#pragma once

#include "EditorContext.h"

#include <QGroupBox>

class QComboBox;
class QLabel;
class QSlider;

namespace velmora::widgets {
class TIACheckControl;
} // namespace velmora::widgets

namespace velmora::editor {

class BusGroup : public QGroupBox
{
public:
    // `bus` is 1..10.
    BusGroup(const EditorContext& context, int bus, QWidget* parent = nullptr);

    // Shows the bus as the record holds it. Nothing is written or sent: an
    // amount byte outside -63..+63 keeps its value while the track bar shows
    // the nearer end, and a bus shown off keeps its amount.
    void Refresh();
    // Flips the switch and acts as a click on it would (controller mapping).
    void Toggle();

    int BusNumber() const { return bus_; }
    widgets::TIACheckControl* Switch() const { return switch_; }
    QComboBox* SourceList() const { return source_; }
    QComboBox* DestinationList() const { return destination_; }
    QSlider* TrackBar() const { return amount_; }
    QLabel* ValueLabel() const { return label_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnabledClick();
    void AmountChange(int value);
    // Puts the track bar at a record amount without editing the record.
    void ShowAmount(Byte amount);

    const EditorContext& context_;
    int bus_;
    widgets::TIACheckControl* switch_;
    QComboBox* source_;
    QComboBox* destination_;
    QSlider* amount_;
    QLabel* label_;
};

} // namespace velmora::editor
