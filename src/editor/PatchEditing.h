// What every control of the patch editor does to the current patch, without
// the widgets: each edit writes the record first and sends second, the way
// the model needs it. While the editor fills its controls from the record
// (`loading`), every edit is ignored: it neither writes nor sends, so showing
// a patch never changes it, not even a byte outside a control's range.
#pragma once

#include "protocol/ParameterSender.h"
#include "protocol/PatchRecord.h"

#include <array>
#include <cstddef>
#include <functional>

namespace velmora::editor {

class PatchEditing
{
public:
    PatchEditing(PatchBuffer& patch, ParameterSender& sender);

    PatchBuffer& patch() { return patch_; }
    const PatchBuffer& patch() const { return patch_; }
    ParameterSender& parameterSender() { return sender_; }
    Byte at(std::size_t offset) const { return patch_[offset]; }

    // Set for the lifetime of a refresh of the controls; nests.
    class LoadingScope
    {
    public:
        explicit LoadingScope(PatchEditing& editing);
        ~LoadingScope();
        LoadingScope(const LoadingScope&) = delete;
        LoadingScope& operator=(const LoadingScope&) = delete;

    private:
        PatchEditing& editing_;
        bool previous_;
    };
    bool loading() const { return sender_.loadingControls(); }

    // Told after every edit that wrote the record (the history's steps):
    // the offset of the byte the control stands for and which control of
    // it: 0 the byte's own, a bit check box its bit, or one of the two below.
    static constexpr int kBusSwitch = 256;
    static constexpr int kTrackingCurve = 257;
    using Observer = std::function<void(std::size_t offset, int which)>;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

    // A scroll bar or gauge of an unsigned control (value 0..max).
    void setValue(int control, int value);
    // A gauge click: the value goes into the record and is not sent (the
    // scroll bar it then moves sends it, when it moves).
    void storeValue(int control, int value);
    // A signed track bar (-63..+63) of control 46..63, the detune (42) and
    // "Env 2 -> VCA 2" (62) included; sent as the model needs it.
    void setSigned(int control, int value);
    // The DCO mix bar, 0..kMixMax: its position counts from the DCO 1 end.
    static constexpr int kMixMax = 63;
    void setMixPosition(int position);
    // Where the bar stands for the record's byte; a byte above 63 gives a
    // negative position, which the bar shows at its end.
    int mixPosition() const;
    // A bit check box: toggles `bit` of the byte and sends the whole byte.
    void toggleBit(std::size_t offset, Byte bit, Byte parameter);
    // A radio item that became checked: its value goes to the group's byte.
    void setChoice(std::size_t offset, Byte parameter, int value);
    // A source list: item index + 1 goes to the byte.
    void setSourceItem(std::size_t offset, Byte parameter, int item);

    // Matrix bus n (1..10).
    struct Bus
    {
        Byte source = 0;
        Byte amount = 0; // eight-bit two's complement in the record
        Byte destination = 0;
    };
    Bus busAt(int bus) const;
    // A bus is on when it has both a source and a destination.
    bool busOn(int bus) const;
    // The switch turned on: the bus as the record holds it goes out.
    void switchBusOn(int bus);
    // The switch turned off: all three bytes become 0 and go out.
    void switchBusOff(int bus);
    void setBusSourceItem(int bus, int item);
    void setBusDestinationItem(int bus, int item);
    void setBusAmount(int bus, int amount);

    // The five tracking points, each written and sent in order (34..38).
    using TrackingCurve = std::array<Byte, 5>;
    TrackingCurve tracking() const;
    void setTracking(const TrackingCurve& points);

private:
    void sendBus(int bus);
    void edited(std::size_t offset, int which = 0) const;

    PatchBuffer& patch_;
    ParameterSender& sender_;
    Observer observer_;
};

} // namespace velmora::editor
