#include "library/EditCommands.h"

#include "library/InitPatch.h"
#include "library/PatchMerge.h"

#include <QCoreApplication>

#include <algorithm>
#include <variant>

namespace velmora::library {
namespace {

PatchRecord copyOf(std::span<const Byte, kPatchRecordSize> record)
{
    PatchRecord copy{};
    std::copy(record.begin(), record.end(), copy.begin());
    return copy;
}

} // namespace
EditCommands::EditCommands(LibraryContext& context) : context_(context) {}

std::optional<QString> EditCommands::loadInitPatch(const QString& path)
{
    auto result = library::loadInitPatch(path.toStdString());
    if (const auto* message = std::get_if<std::string>(&result)) {
        setInitPatch(std::nullopt);
        return QString::fromStdString(*message);
    }
    setInitPatch(std::get<PatchBuffer>(result));
    return std::nullopt;
}

void EditCommands::setInitPatch(std::optional<PatchBuffer> patch)
{
    initPatch_ = patch;
    if (initPatch_)
        (*initPatch_)[kPatchRecordSize] = 0;
    context_.flags.initPatchAvailable = initPatch_.has_value();
}

void EditCommands::initialize()
{
    if (!initPatch_)
        return;
    context_.records.currentPatch = *initPatch_;
    context_.flags.patchLoaded = true;
    emit context_.patchChanged();
    emit context_.mainCaptionChanged(QCoreApplication::translate("EditCommands", "Velmora"));
    sendAndPlay(false);
    emit context_.flagsChanged();
}

void EditCommands::compare()
{
    if (!context_.flags.patchLoaded)
        return;
    compare_.toggle(context_.records.currentPatch, context_.records.compareData);
    emit context_.patchChanged();
    sendAndPlay(true);
    emit context_.flagsChanged();
}

void EditCommands::randomize(const GroupLocks& locks)
{
    if (!context_.flags.patchLoaded)
        return;
    const auto record = recordOf(context_.records.currentPatch);
    const PatchRecord before = copyOf(record);
    withRandom([&](RandomSource& random) { library::randomize(record, random); });
    keepLocked(record, before, locks);
    emit context_.patchParametersChanged();
    sendAndPlay(false);
    emit context_.flagsChanged();
}

void EditCommands::mutate(const MutateFactors& factors, const GroupLocks& locks)
{
    if (!context_.flags.patchLoaded)
        return;
    const auto record = recordOf(context_.records.currentPatch);
    const PatchRecord before = copyOf(record);
    const BusSelection ticked = tickedBuses_ ? tickedBuses_() : busesOn(record);
    withRandom([&](RandomSource& random) { library::mutate(record, factors, ticked, random); });
    keepLocked(record, before, locks);
    // The send goes first here, then the refresh (which never sends); the
    // matrix is shown again only when group 9 may have changed it.
    if (context_.flags.patchLoaded)
        emit context_.patchSendRequested();
    if (factors[8] > 0)
        emit context_.patchChanged();
    else
        emit context_.patchParametersChanged();
    emit context_.testNoteRequested(false);
    emit context_.flagsChanged();
}

void EditCommands::merge(std::span<const Byte, kPatchRecordSize> other, double fraction)
{
    if (!context_.flags.patchLoaded)
        return;
    mergeToward(recordOf(context_.records.currentPatch), other, fraction);
    emit context_.patchChanged();
    sendAndPlay(false);
    emit context_.flagsChanged();
}

void EditCommands::sendAndPlay(bool always)
{
    if (context_.flags.patchLoaded)
        emit context_.patchSendRequested();
    emit context_.testNoteRequested(always);
}

template <typename Command> void EditCommands::withRandom(Command command)
{
    if (random_) {
        command(*random_);
        return;
    }
    ClockRandom random;
    command(random);
}

} // namespace velmora::library
