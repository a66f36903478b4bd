#include "ControllerMap.h"

#include "ControlTables.h"
#include "SaveFile.h"

#include <QFile>

#include <algorithm>

namespace velmora::perform {
namespace {

constexpr int kCutoff = 43;
constexpr int kFirstRetrigger = 44;
constexpr int kLastRetrigger = 45;

QString NameOf(int control)
{
    return QString::fromStdString(Controls().ControlNames[static_cast<std::size_t>(control)]);
}

} // namespace

ControllerMap::ControllerMap(editor::PatchEditing& editing, bool& learnPending)
    : editing_(editing), learnPending_(learnPending)
{
    Clear();
}

bool ControllerMap::IsController(int controller)
{
    return controller >= kFirstController && controller <= kLastController;
}

bool ControllerMap::IsMappable(int control)
{
    return control >= 0 && control < kEntries && !IsUnusedControl(control);
}

void ControllerMap::Clear()
{
    map_.fill(0);
    free_.fill(true);
}

void ControllerMap::SetFree(int controller, bool free)
{
    if (IsController(controller))
        free_[static_cast<std::size_t>(controller)] = free;
}

QString ControllerMap::ReadMapFile(const QString& path)
{
    file_ = path;
    Clear();
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The controller map \"%1\" cannot be read: %2. No controllers are "
                              "mapped.")
            .arg(path, file.errorString());
    const QByteArray bytes = file.read(kEntries);

    QStringList problems;
    if (bytes.size() < kEntries)
        problems << QStringLiteral("it is shorter than %1 bytes; only its first %2 entries were "
                                   "read")
                        .arg(kEntries)
                        .arg(bytes.size());
    int unusable = 0;
    for (int i = 0; i < static_cast<int>(bytes.size()); ++i) {
        const int controller = static_cast<unsigned char>(bytes[i]);
        if (controller == 0)
            continue;
        // Only a controller 12..120, not yet taken, for a control that exists
        // can ever be used; anything else is left out rather than trusted.
        if (!IsController(controller) || !IsMappable(i) || !IsFree(controller)) {
            ++unusable;
            continue;
        }
        map_[static_cast<std::size_t>(i)] = static_cast<Byte>(controller);
        SetFree(controller, false);
    }
    if (unusable > 0)
        problems << QStringLiteral("%1 of its entries did not hold a usable controller number "
                                   "(12..120, once each) and were left empty")
                        .arg(unusable);
    if (problems.isEmpty())
        return {};
    return QStringLiteral("The controller map \"%1\" is damaged: %2.")
        .arg(path, problems.join(QStringLiteral("; ")));
}

QString ControllerMap::Save(const QString& path) const
{
    const QByteArray bytes(reinterpret_cast<const char*>(map_.data()), kEntries);
    if (const auto reason = SaveWholeFile(path, bytes))
        return QStringLiteral("The controller map \"%1\" cannot be written: %2").arg(path, *reason);
    return {};
}

void ControllerMap::WriteMap()
{
    if (file_.isEmpty())
        return;
    const QString error = Save(file_);
    if (!error.isEmpty() && OnError)
        OnError(error);
}

int ControllerMap::Entry(int control) const
{
    if (control < 0 || control >= kEntries)
        return 0;
    return map_[static_cast<std::size_t>(control)];
}

bool ControllerMap::IsFree(int controller) const
{
    return IsController(controller) && free_[static_cast<std::size_t>(controller)];
}

std::vector<int> ControllerMap::ChoicesFor(int control) const
{
    std::vector<int> choices{0};
    const int own = Entry(control);
    for (int cc = kFirstController; cc <= kLastController; ++cc)
        if (IsFree(cc) || cc == own)
            choices.push_back(cc);
    return choices;
}

bool ControllerMap::Assign(int control, int controller)
{
    if (!IsMappable(control) || (controller != 0 && !IsController(controller)))
        return false;
    const int previous = Entry(control);
    if (controller == previous)
        return true;
    if (controller != 0 && !IsFree(controller))
        return false;
    map_[static_cast<std::size_t>(control)] = static_cast<Byte>(controller);
    SetFree(controller, false);
    SetFree(previous, true);
    WriteMap();
    return true;
}

int ControllerMap::IndexOf(int controller) const
{
    if (controller == 0)
        return kNoTarget;
    for (int i = 0; i < kEntries; ++i)
        if (map_[static_cast<std::size_t>(i)] == controller)
            return i;
    return kNoTarget;
}

QString ControllerMap::HandleLearning(int controller)
{
    if (!IsController(controller))
        return {}; // learning waits for a controller that can be mapped
    learnPending_ = false;
    if (!IsMappable(learnTarget_))
        return {};
    if (IsFree(controller)) {
        Assign(learnTarget_, controller);
        return QStringLiteral("%1 is now mapped to CC #%2")
            .arg(NameOf(learnTarget_))
            .arg(controller);
    }
    const int holder = IndexOf(controller);
    if (holder == learnTarget_ || holder == kNoTarget)
        return {};
    return QStringLiteral("CC #%1 is already mapped to %2. Please try another one")
        .arg(controller)
        .arg(NameOf(holder));
}

int ControllerMap::Scale(int control, int value)
{
    const int v = std::clamp(value, 0, 127);
    if (control == kMixControl)
        return 63 - v / 2;
    if (control == kDetuneControl)
        return v / 2 - 32;
    if (control == kCutoff)
        return v;
    if (control >= kFirstRetrigger && control <= kLastRetrigger)
        return v / 4;
    if (control < kDetuneControl)
        return v / 2;
    // The signed amounts: 0..126 give -63..63, and 127 stays at 63.
    return v == 127 ? 63 : v - 63;
}

void ControllerMap::HandleController(int controller, int value)
{
    const int control = IndexOf(controller);
    if (!IsMappable(control))
        return;
    if (control >= kFirstBusSwitchControl && control <= kLastBusSwitchControl) {
        // A switch flips on every non-zero value; a button's release (0) does nothing.
        if (value == 0)
            return;
        const int bus = control - kFirstBusSwitchControl + 1;
        if (ToggleBus)
            ToggleBus(bus);
        else if (editing_.BusOn(bus))
            editing_.SwitchBusOff(bus);
        else
            editing_.SwitchBusOn(bus);
        return;
    }
    const int x = Scale(control, value);
    if (control >= kFirstBusAmountControl)
        ApplyBusAmount(control, x);
    else
        ApplyPatchValue(control, x);
}

void ControllerMap::ApplyPatchValue(int control, int x)
{
    const std::size_t offset = Controls().PatchOffsets[static_cast<std::size_t>(control)];
    // A knob repeats values; a value the record holds already is not sent again.
    if (editing_.At(offset) == SignedToByte(x))
        return;
    if (control == kDetuneControl ||
        (control >= kFirstSignedAmountControl && control <= kLastSignedAmountControl))
        editing_.SetSigned(control, x);
    else
        editing_.SetValue(control, x);
    if (InitPatchControls)
        InitPatchControls();
}

void ControllerMap::ApplyBusAmount(int control, int x)
{
    const int bus = control - kFirstBusAmountControl + 1;
    const std::size_t amount = BusOffset(bus) + 1;
    if (editing_.At(amount) == SignedToByte(x))
        return;
    // A bus without a source or a destination keeps the amount unsent.
    if (editing_.BusOn(bus))
        editing_.SetBusAmount(bus, x);
    else if (!editing_.Loading())
        editing_.Patch()[amount] = SignedToByte(x);
    if (InitMatrixControls)
        InitMatrixControls();
}

} // namespace velmora::perform
