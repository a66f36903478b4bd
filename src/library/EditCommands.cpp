#include "EditCommands.h"

#include "InitPatch.h"

#include <variant>

namespace velmora::library {
namespace {

template <typename Function, typename... Args> void Call(const Function& f, Args&&... args)
{
    if (f)
        f(std::forward<Args>(args)...);
}

} // namespace

EditCommands::EditCommands(LibraryContext& context) : context_(context) {}

std::optional<QString> EditCommands::LoadInitPatch(const QString& path)
{
    auto result = library::LoadInitPatch(path.toStdString());
    if (const auto* message = std::get_if<std::string>(&result)) {
        SetInitPatch(std::nullopt);
        return QString::fromStdString(*message);
    }
    SetInitPatch(std::get<PatchBuffer>(result));
    return std::nullopt;
}

void EditCommands::SetInitPatch(std::optional<PatchBuffer> patch)
{
    initPatch_ = patch;
    if (initPatch_)
        (*initPatch_)[kPatchRecordSize] = 0;
    context_.flags.InitPatchAvailable = initPatch_.has_value();
}

void EditCommands::Initialize()
{
    if (!initPatch_)
        return;
    context_.records.CurrentPatch = *initPatch_;
    context_.flags.PatchLoaded = true;
    Call(context_.initControls);
    Call(context_.setMainCaption, QStringLiteral("Velmora"));
    SendAndPlay(false);
    Call(context_.enableButtons);
}

void EditCommands::Compare()
{
    if (!context_.flags.PatchLoaded)
        return;
    compare_.Toggle(context_.records.CurrentPatch, context_.records.CompareData);
    Call(context_.initControls);
    SendAndPlay(true);
    Call(context_.enableButtons);
}

void EditCommands::Randomize()
{
    if (!context_.flags.PatchLoaded)
        return;
    WithRandom([this](RandomSource& random) {
        library::Randomize(RecordOf(context_.records.CurrentPatch), random);
    });
    Call(context_.initPatchControls);
    SendAndPlay(false);
    Call(context_.enableButtons);
}

void EditCommands::Mutate(const MutateFactors& factors)
{
    if (!context_.flags.PatchLoaded)
        return;
    const auto record = RecordOf(context_.records.CurrentPatch);
    const BusSelection ticked = tickedBuses ? tickedBuses() : BusesOn(record);
    WithRandom([&](RandomSource& random) { library::Mutate(record, factors, ticked, random); });
    // The send goes first here, then the refresh (which never sends); the
    // matrix is shown again only when group 9 may have changed it.
    if (context_.flags.PatchLoaded)
        Call(context_.sendPatch);
    Call(factors[8] > 0 ? context_.initControls : context_.initPatchControls);
    Call(context_.playNote, false);
    Call(context_.enableButtons);
}

void EditCommands::SendAndPlay(bool always)
{
    if (context_.flags.PatchLoaded)
        Call(context_.sendPatch);
    Call(context_.playNote, always);
}

template <typename Command> void EditCommands::WithRandom(Command command)
{
    if (random_) {
        command(*random_);
        return;
    }
    ClockRandom random;
    command(random);
}

} // namespace velmora::library
