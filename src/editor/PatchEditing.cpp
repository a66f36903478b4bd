#include "PatchEditing.h"

#include "ControlTables.h"

namespace velmora::editor {
namespace {

constexpr std::size_t kFirstTrackingOffset = 77;
constexpr Byte kFirstTrackingParameter = 34;

// The matrix-bus message carries the amount in seven bits.
Byte SevenBitAmount(Byte amount)
{
    return static_cast<Byte>(amount & 0x7F);
}

std::size_t OffsetOf(int control)
{
    return Controls().PatchOffsets[static_cast<std::size_t>(control)];
}

} // namespace

PatchEditing::PatchEditing(PatchBuffer& patch, ParameterSender& sender)
    : patch_(patch), sender_(sender)
{}

PatchEditing::LoadingScope::LoadingScope(PatchEditing& editing)
    : editing_(editing), previous_(editing.Loading())
{
    editing_.sender_.SetLoadingControls(true);
}

PatchEditing::LoadingScope::~LoadingScope()
{
    editing_.sender_.SetLoadingControls(previous_);
}

void PatchEditing::SetValue(int control, int value)
{
    if (Loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[OffsetOf(control)] = static_cast<Byte>(value);
    sender_.SendControl(control);
}

void PatchEditing::StoreValue(int control, int value)
{
    if (Loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[OffsetOf(control)] = static_cast<Byte>(value);
}

void PatchEditing::SetSigned(int control, int value)
{
    if (Loading() || control < 0 || control >= kControlTableSize)
        return;
    patch_[OffsetOf(control)] = SignedToByte(value);
    // SendControl knows the Matrix-6 rules for the detune and the negative
    // amounts.
    sender_.SendControl(control);
}

void PatchEditing::SetMixPosition(int position)
{
    if (Loading())
        return;
    patch_[OffsetOf(kMixControl)] = static_cast<Byte>(kMixMax - position);
    sender_.SendControl(kMixControl);
}

int PatchEditing::MixPosition() const
{
    return kMixMax - patch_[OffsetOf(kMixControl)];
}

void PatchEditing::ToggleBit(std::size_t offset, Byte bit, Byte parameter)
{
    if (Loading())
        return;
    patch_[offset] ^= bit;
    sender_.SendParameter(parameter, patch_[offset]);
}

void PatchEditing::SetChoice(std::size_t offset, Byte parameter, int value)
{
    if (Loading())
        return;
    patch_[offset] = static_cast<Byte>(value);
    sender_.SendParameter(parameter, patch_[offset]);
}

void PatchEditing::SetSourceItem(std::size_t offset, Byte parameter, int item)
{
    SetChoice(offset, parameter, item + 1);
}

PatchEditing::Bus PatchEditing::BusAt(int bus) const
{
    const std::size_t s = BusOffset(bus);
    return {patch_[s], patch_[s + 1], patch_[s + 2]};
}

bool PatchEditing::BusOn(int bus) const
{
    const Bus b = BusAt(bus);
    return b.source != 0 && b.destination != 0;
}

void PatchEditing::SendBus(int bus)
{
    const Bus b = BusAt(bus);
    sender_.SendMatrix(bus, b.source, SevenBitAmount(b.amount), b.destination);
}

void PatchEditing::SwitchBusOn(int bus)
{
    if (Loading())
        return;
    SendBus(bus);
}

void PatchEditing::SwitchBusOff(int bus)
{
    if (Loading())
        return;
    const std::size_t s = BusOffset(bus);
    patch_[s] = patch_[s + 1] = patch_[s + 2] = 0;
    sender_.SendMatrix(bus, 0, 0, 0);
}

void PatchEditing::SetBusSourceItem(int bus, int item)
{
    if (Loading())
        return;
    patch_[BusOffset(bus)] = static_cast<Byte>(item + 1);
    SendBus(bus);
}

void PatchEditing::SetBusDestinationItem(int bus, int item)
{
    if (Loading())
        return;
    patch_[BusOffset(bus) + 2] = static_cast<Byte>(item + 1);
    SendBus(bus);
}

void PatchEditing::SetBusAmount(int bus, int amount)
{
    if (Loading())
        return;
    patch_[BusOffset(bus) + 1] = SignedToByte(amount);
    SendBus(bus);
}

PatchEditing::TrackingCurve PatchEditing::Tracking() const
{
    TrackingCurve points{};
    for (std::size_t j = 0; j < points.size(); ++j)
        points[j] = patch_[kFirstTrackingOffset + j];
    return points;
}

void PatchEditing::SetTracking(const TrackingCurve& points)
{
    if (Loading())
        return;
    for (std::size_t j = 0; j < points.size(); ++j) {
        patch_[kFirstTrackingOffset + j] = points[j];
        sender_.SendParameter(static_cast<Byte>(kFirstTrackingParameter + j), points[j]);
    }
}

} // namespace velmora::editor
