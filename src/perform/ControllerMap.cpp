#include "perform/ControllerMap.h"

#include "common/SaveFile.h"
#include "protocol/ControlTables.h"

#include <QFile>
#include <QMetaMethod>

#include <algorithm>

namespace velmora::perform {
namespace {

constexpr int kCutoff = 43;
constexpr int kFirstRetrigger = 44;
constexpr int kLastRetrigger = 45;

QString nameOf(int control)
{
    return QString::fromStdString(controls().controlNames[static_cast<std::size_t>(control)]);
}

} // namespace

ControllerMap::ControllerMap(editor::PatchEditing& editing, bool& learnPending, QObject* parent)
    : QObject(parent), editing_(editing), learnPending_(learnPending)
{
    clear();
}

void ControllerMap::clear()
{
    map_.fill(0);
    free_.fill(true);
}

void ControllerMap::setFree(int controller, bool free)
{
    if (isController(controller))
        free_[static_cast<std::size_t>(controller)] = free;
}

QString ControllerMap::readMapFile(const QString& path)
{
    file_ = path;
    clear();
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return tr("The controller map \"%1\" cannot be read: %2. No controllers are "
                  "mapped.")
            .arg(path, file.errorString());
    const QByteArray bytes = file.read(kEntries);
    const ControllerMapFile read = decodeControllerMap(std::span<const Byte>(
        reinterpret_cast<const Byte*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
    map_ = read.entries;
    for (const Byte controller : map_)
        setFree(controller, false);

    QStringList problems;
    if (bytes.size() < kEntries)
        problems << tr("it is shorter than %1 bytes; only its first %2 entries were "
                       "read")
                        .arg(kEntries)
                        .arg(bytes.size());
    if (read.unusable > 0)
        problems << tr("%1 of its entries did not hold a usable controller number "
                       "(12..120, once each) and were left empty")
                        .arg(read.unusable);
    if (problems.isEmpty())
        return {};
    return tr("The controller map \"%1\" is damaged: %2.")
        .arg(path, problems.join(QStringLiteral("; ")));
}

QString ControllerMap::save(const QString& path) const
{
    const QByteArray bytes(reinterpret_cast<const char*>(map_.data()), kEntries);
    if (const auto reason = saveWholeFile(path, bytes))
        return tr("The controller map \"%1\" cannot be written: %2").arg(path, *reason);
    return {};
}

void ControllerMap::writeMap()
{
    if (file_.isEmpty())
        return;
    const QString error = save(file_);
    if (!error.isEmpty())
        emit errorOccurred(error);
}

int ControllerMap::entry(int control) const
{
    if (control < 0 || control >= kEntries)
        return 0;
    return map_[static_cast<std::size_t>(control)];
}

bool ControllerMap::isFree(int controller) const
{
    return isController(controller) && free_[static_cast<std::size_t>(controller)];
}

std::vector<int> ControllerMap::choicesFor(int control) const
{
    std::vector<int> choices{0};
    const int own = entry(control);
    for (int cc = kFirstController; cc <= kLastController; ++cc)
        if (isFree(cc) || cc == own)
            choices.push_back(cc);
    return choices;
}

bool ControllerMap::assign(int control, int controller)
{
    if (!isMappable(control) || (controller != 0 && !isController(controller)))
        return false;
    const int previous = entry(control);
    if (controller == previous)
        return true;
    if (controller != 0 && !isFree(controller))
        return false;
    map_[static_cast<std::size_t>(control)] = static_cast<Byte>(controller);
    setFree(controller, false);
    setFree(previous, true);
    writeMap();
    return true;
}

int ControllerMap::indexOf(int controller) const
{
    if (controller == 0)
        return kNoTarget;
    for (int i = 0; i < kEntries; ++i)
        if (map_[static_cast<std::size_t>(i)] == controller)
            return i;
    return kNoTarget;
}

QString ControllerMap::handleLearning(int controller)
{
    if (!isController(controller))
        return {}; // learning waits for a controller that can be mapped
    learnPending_ = false;
    if (!isMappable(learnTarget_))
        return {};
    if (isFree(controller)) {
        assign(learnTarget_, controller);
        return tr("%1 is now mapped to CC #%2").arg(nameOf(learnTarget_)).arg(controller);
    }
    const int holder = indexOf(controller);
    if (holder == learnTarget_ || holder == kNoTarget)
        return {};
    return tr("CC #%1 is already mapped to %2. Please try another one")
        .arg(controller)
        .arg(nameOf(holder));
}

int ControllerMap::scale(int control, int value)
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

void ControllerMap::handleController(int controller, int value)
{
    const int control = indexOf(controller);
    if (!isMappable(control))
        return;
    if (control >= kFirstBusSwitchControl && control <= kLastBusSwitchControl) {
        // A switch flips on every non-zero value; a button's release (0) does nothing.
        if (value == 0)
            return;
        const int bus = control - kFirstBusSwitchControl + 1;
        if (isSignalConnected(QMetaMethod::fromSignal(&ControllerMap::busToggleRequested)))
            emit busToggleRequested(bus);
        else if (editing_.busOn(bus))
            editing_.switchBusOff(bus);
        else
            editing_.switchBusOn(bus);
        return;
    }
    const int x = scale(control, value);
    if (control >= kFirstBusAmountControl)
        applyBusAmount(control, x);
    else
        applyPatchValue(control, x);
}

void ControllerMap::applyPatchValue(int control, int x)
{
    const std::size_t offset = controls().patchOffsets[static_cast<std::size_t>(control)];
    // A knob repeats values; a value the record holds already is not sent again.
    if (editing_.at(offset) == signedToByte(x))
        return;
    if (control == kDetuneControl ||
        (control >= kFirstSignedAmountControl && control <= kLastSignedAmountControl))
        editing_.setSigned(control, x);
    else
        editing_.setValue(control, x);
    emit patchEdited();
}

void ControllerMap::applyBusAmount(int control, int x)
{
    const int bus = control - kFirstBusAmountControl + 1;
    const std::size_t amount = busOffset(bus) + 1;
    if (editing_.at(amount) == signedToByte(x))
        return;
    // A bus without a source or a destination keeps the amount unsent.
    if (editing_.busOn(bus))
        editing_.setBusAmount(bus, x);
    else if (!editing_.loading())
        editing_.patch()[amount] = signedToByte(x);
    emit matrixEdited();
}

} // namespace velmora::perform
