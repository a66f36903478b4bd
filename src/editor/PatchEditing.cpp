#include "editor/PatchEditing.h"

#include "protocol/ControlTables.h"

namespace velmora::editor {
namespace {

constexpr std::size_t kFirstTrackingOffset = 77;
constexpr Byte kFirstTrackingParameter = 34;

// The matrix-bus message carries the amount in seven bits.
Byte sevenBitAmount(Byte amount)
{
    return static_cast<Byte>(amount & 0x7F);
}

std::size_t offsetOf(int control)
{
    return controls().patchOffsets[static_cast<std::size_t>(control)];
}

} // namespace

PatchEditing::PatchEditing(PatchBuffer& patch, ParameterSender& sender)
    : patch_(patch), sender_(sender)
{}

PatchEditing::LoadingScope::LoadingScope(PatchEditing& editing)
    : editing_(editing), previous_(editing.loading())
{
    editing_.sender_.setLoadingControls(true);
}

PatchEditing::LoadingScope::~LoadingScope()
{
    editing_.sender_.setLoadingControls(previous_);
}

void PatchEditing::setValue(int control, int value)
{
    if (loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[offsetOf(control)] = static_cast<Byte>(value);
    sender_.sendControl(control);
    edited(offsetOf(control));
}

void PatchEditing::storeValue(int control, int value)
{
    if (loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[offsetOf(control)] = static_cast<Byte>(value);
    edited(offsetOf(control));
}

void PatchEditing::setSigned(int control, int value)
{
    if (loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[offsetOf(control)] = signedToByte(value);
    // sendControl knows the Matrix-6 rules for the detune and the negative
    // amounts.
    sender_.sendControl(control);
    edited(offsetOf(control));
}

void PatchEditing::setMixPosition(int position)
{
    if (loading())
        return;
    patch_[offsetOf(kMixControl)] = static_cast<Byte>(kMixMax - position);
    sender_.sendControl(kMixControl);
    edited(offsetOf(kMixControl));
}

int PatchEditing::mixPosition() const
{
    return kMixMax - patch_[offsetOf(kMixControl)];
}

void PatchEditing::toggleBit(std::size_t offset, Byte bit, Byte parameter)
{
    if (loading())
        return;
    patch_[offset] ^= bit;
    sender_.sendParameter(parameter, patch_[offset]);
    edited(offset, bit);
}

void PatchEditing::setChoice(std::size_t offset, Byte parameter, int value)
{
    if (loading())
        return;
    patch_[offset] = static_cast<Byte>(value);
    sender_.sendParameter(parameter, patch_[offset]);
    edited(offset);
}

void PatchEditing::setSourceItem(std::size_t offset, Byte parameter, int item)
{
    setChoice(offset, parameter, item + 1);
}

PatchEditing::Bus PatchEditing::busAt(int bus) const
{
    const std::size_t s = busOffset(bus);
    return {patch_[s], patch_[s + 1], patch_[s + 2]};
}

bool PatchEditing::busOn(int bus) const
{
    const Bus b = busAt(bus);
    return b.source != 0 && b.destination != 0;
}

void PatchEditing::sendBus(int bus)
{
    const Bus b = busAt(bus);
    sender_.sendMatrix(bus, b.source, sevenBitAmount(b.amount), b.destination);
}

void PatchEditing::switchBusOn(int bus)
{
    if (loading())
        return;
    sendBus(bus);
    edited(busOffset(bus), kBusSwitch);
}

void PatchEditing::switchBusOff(int bus)
{
    if (loading())
        return;
    const std::size_t s = busOffset(bus);
    patch_[s] = patch_[s + 1] = patch_[s + 2] = 0;
    sender_.sendMatrix(bus, 0, 0, 0);
    edited(s, kBusSwitch);
}

void PatchEditing::setBusSourceItem(int bus, int item)
{
    if (loading())
        return;
    patch_[busOffset(bus)] = static_cast<Byte>(item + 1);
    sendBus(bus);
    edited(busOffset(bus));
}

void PatchEditing::setBusDestinationItem(int bus, int item)
{
    if (loading())
        return;
    patch_[busOffset(bus) + 2] = static_cast<Byte>(item + 1);
    sendBus(bus);
    edited(busOffset(bus) + 2);
}

void PatchEditing::setBusAmount(int bus, int amount)
{
    if (loading())
        return;
    patch_[busOffset(bus) + 1] = signedToByte(amount);
    sendBus(bus);
    edited(busOffset(bus) + 1);
}

PatchEditing::TrackingCurve PatchEditing::tracking() const
{
    TrackingCurve points{};
    for (std::size_t j = 0; j < points.size(); ++j)
        points[j] = patch_[kFirstTrackingOffset + j];
    return points;
}

void PatchEditing::setTracking(const TrackingCurve& points)
{
    if (loading())
        return;
    for (std::size_t j = 0; j < points.size(); ++j) {
        patch_[kFirstTrackingOffset + j] = points[j];
        sender_.sendParameter(static_cast<Byte>(kFirstTrackingParameter + j), points[j]);
    }
    edited(kFirstTrackingOffset, kTrackingCurve);
}

void PatchEditing::edited(std::size_t offset, int which) const
{
    if (observer_)
        observer_(offset, which);
}

} // namespace velmora::editor
