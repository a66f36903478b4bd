// The main window's librarian and play commands: patch files, Initialize,
// Compare, Randomize, Mutate, the bank manager and the test notes.
#include "TfrmMain.h"

#include "BusGroup.h"
#include "EditCommands.h"
#include "FileStuff.h"
#include "GlobalControls.h"
#include "HelpBrowser.h"
#include "MatrixPage.h"
#include "NotePlayer.h"
#include "PatchEditorView.h"
#include "PatchSelector.h"
#include "SysexFiles.h"
#include "TIACheckControl.h"
#include "TfrmBank.h"
#include "TfrmFactor.h"
#include "TfrmSeq.h"
#include "TfrmSplit.h"

#include <QAction>
#include <QFileInfo>
#include <QMessageBox>
#include <QVBoxLayout>

namespace velmora {
namespace {

// The dialogs the file commands use: the platform's, or the ones a test
// puts in their place.
class DialogSlot : public library::FileDialogs
{
public:
    explicit DialogSlot(std::unique_ptr<library::FileDialogs> dialogs) : inner(std::move(dialogs))
    {}
    std::optional<library::FileChoice> Open(const library::FileRequest& request) override
    {
        return inner->Open(request);
    }
    std::optional<library::FileChoice> Save(const library::FileRequest& request) override
    {
        return inner->Save(request);
    }

    std::unique_ptr<library::FileDialogs> inner;
};

// Answers the next open dialog with one file, as if the user had chosen it.
class OneAnswer : public library::FileDialogs
{
public:
    explicit OneAnswer(library::FileChoice choice) : choice_(std::move(choice)) {}
    std::optional<library::FileChoice> Open(const library::FileRequest&) override
    {
        return std::exchange(choice_, std::nullopt);
    }
    std::optional<library::FileChoice> Save(const library::FileRequest&) override
    {
        return std::nullopt;
    }

private:
    std::optional<library::FileChoice> choice_;
};

} // namespace

void TfrmMain::BuildLibrary()
{
    dialogs_ = std::make_unique<DialogSlot>(library::CreatePlatformFileDialogs(this));
    library_ =
        std::make_unique<library::LibraryContext>(library::LibraryContext{records_,
                                                                          transfers_.Flags(),
                                                                          *dialogs_,
                                                                          settings_.patchPath,
                                                                          settings_.bankPath,
                                                                          settings_.splitPath,
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {}});
    library::LibraryContext& context = *library_;
    context.setMainCaption = [this](const QString& caption) { setWindowTitle(caption); };
    context.initControls = [this] { view_->InitControls(); };
    context.initPatchControls = [this] { view_->InitPatchControls(); };
    context.sendPatch = [this] { Guard([this] { transfers_.MidiSendPatch(); }); };
    context.playNote = [this](bool always) { PlayTestNote(always); };
    context.enableButtons = [this] { EnableButtons(); };
    context.showError = [this](const QString& text) { ShowError(text); };
    files_ = std::make_unique<library::FileStuff>(context);
    bank_ = new library::TfrmBank(context, *files_, transfers_, midi_.Output(), this);
    context.updateBankGrid = [this] { bank_->ShowRecords(); };
    context.setBankCaption = [this](const QString& caption) { bank_->SetCaption(caption); };
    bank_->OnShowEditor = [this] {
        raise();
        activateWindow();
    };
    bank_->OnHelp = [this](int topic) { Help().ShowTopic(topic); };
    host_.SetBankManager(bank_);
    // A double click on a received split opens the split editor.
    bank_->OnEditSplit = [this](int split) {
        globals::TfrmSplit dialog(records_.Splits[static_cast<std::size_t>(split)], split,
                                  records_.Bank, midi_.Output(), sender_.Channel(), this);
        dialog.OnSplitCell = [this](int s, const std::string& name) {
            bank_->SetSplitCell(s, name);
        };
        dialog.OnHelp = [this](int topic) { Help().ShowTopic(topic); };
        dialog.OnError = [this](const QString& text) { ShowError(text); };
        dialog.exec();
    };

    // The global controls sit in the lower part of the matrix page.
    auto* globals = new globals::GlobalControls(
        records_.Global, midi_.Output(), [this] { return sender_.Channel(); },
        view_->Matrix()->Globals());
    auto* box = new QVBoxLayout(view_->Matrix()->Globals());
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(globals);
    globals->OnError = [this](const QString& text) { ShowError(text); };
    host_.OnRefreshGlobals = [globals] { globals->InitGlobalControls(); };
    commands_ = std::make_unique<library::EditCommands>(context);
    // Mutate moves the buses whose switch is ticked on the matrix page.
    commands_->tickedBuses = [this] {
        library::BusSelection ticked{};
        for (int bus = 1; bus <= kMatrixBusCount; ++bus)
            ticked[static_cast<std::size_t>(bus - 1)] =
                view_->Matrix()->Bus(bus)->Switch()->isChecked();
        return ticked;
    };
    // The patch selector plays the test note after its program change.
    view_->Matrix()->Selector()->OnPlayNote = [this] { PlayTestNote(true); };

    const std::pair<const char*, std::function<void()>> commands[] = {
        {"aOpen", [this] { files_->OpenPatch(); }},
        {"aSave", [this] { files_->SavePatch(); }},
        {"aInit", [this] { commands_->Initialize(); }},
        {"aCompare", [this] { commands_->Compare(); }},
        {"aRandom", [this] { commands_->Randomize(); }},
        {"aMutate", [this] { commands_->Mutate(settings_.mutate); }},
        {"aNote", [this] { PlayTestNote(true); }},
        {"aChord",
         [this] {
             notes_->PlayChord({settings_.chord1, settings_.chord2, settings_.chord3});
         }},
        {"aDrone", [this] { notes_->ToggleDrone(settings_.note); }},
        {"aSetMutator", [this] { aSetMutatorExecute(); }},
        {"aBankManager", [this] { aBankManagerExecute(); }},
    };
    for (const auto& [name, command] : commands) {
        QAction* action = Action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, command] { Guard(command); });
    }
}

void TfrmMain::SetFileDialogs(std::unique_ptr<library::FileDialogs> dialogs)
{
    static_cast<DialogSlot&>(*dialogs_).inner = std::move(dialogs);
}

void TfrmMain::OpenFile(const QString& path)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("vms")) {
        Guard([this, &path] {
            if (seq_->LoadSequenceFile(path))
                seq_->OpenForPatch(view_->Editing(), [this] { view_->InitPatchControls(); });
        });
        return;
    }
    // SysEx files are told apart by their size; raw files by their name.
    constexpr int kSysexFilter = 0;
    constexpr int kRawFilter = 1;
    const bool raw = suffix == QLatin1String("vmp") || suffix == QLatin1String("vmb");
    const bool bank = suffix == QLatin1String("vmb") ||
                      (!raw && file.size() >= static_cast<qint64>(library::kBankSysexSize));
    auto& slot = static_cast<DialogSlot&>(*dialogs_);
    std::unique_ptr<library::FileDialogs> platform =
        std::exchange(slot.inner, std::make_unique<OneAnswer>(library::FileChoice{
                                      file.absoluteFilePath(), raw ? kRawFilter : kSysexFilter}));
    if (bank) {
        files_->OpenBank();
        aBankManagerExecute();
    } else {
        files_->OpenPatch();
    }
    slot.inner = std::move(platform);
}

void TfrmMain::PlayTestNote(bool always)
{
    if (always || settings_.autoPlay)
        notes_->PlayNote(settings_.note);
}

void TfrmMain::aBankManagerExecute()
{
    bank_->show();
    bank_->raise();
    bank_->activateWindow();
}

void TfrmMain::aSetMutatorExecute()
{
    library::TfrmFactor dialog(settings_.mutate, this);
    dialog.OnHelp = [this](int topic) { Help().ShowTopic(topic); };
    dialog.exec();
}

} // namespace velmora
