// The main window's librarian and play commands: patch files, Initialize,
// Compare, Randomize, Mutate, the bank manager and the test notes.
#include "app/MainWindow.h"

#include "app/HelpBrowser.h"
#include "common/ErrorReporter.h"
#include "editor/BusGroup.h"
#include "editor/MatrixPage.h"
#include "editor/PatchEditorView.h"
#include "editor/PatchSelector.h"
#include "globals/GlobalControls.h"
#include "globals/SplitEditorDialog.h"
#include "library/BankManagerWindow.h"
#include "library/EditCommands.h"
#include "library/LibraryFileCommands.h"
#include "library/MergeDialog.h"
#include "library/MutateSettingsDialog.h"
#include "perform/NotePlayer.h"
#include "perform/SequencerWindow.h"
#include "widgets/LampButton.h"

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
    std::optional<library::FileChoice> open(const library::FileRequest& request) override
    {
        return inner->open(request);
    }
    std::optional<library::FileChoice> save(const library::FileRequest& request) override
    {
        return inner->save(request);
    }
    bool confirmReplace(const QString& path) override { return inner->confirmReplace(path); }
    library::BadChecksumAnswer askBadChecksums(const QString& question) override
    {
        return inner->askBadChecksums(question);
    }
    std::optional<int> choose(const QString& question, const QStringList& choices) override
    {
        return inner->choose(question, choices);
    }
    bool askYesNo(const QString& question) override { return inner->askYesNo(question); }
    void inform(const QString& text) override { inner->inform(text); }

    std::unique_ptr<library::FileDialogs> inner;
};

} // namespace

void MainWindow::buildLibrary()
{
    using library::LibraryContext;
    dialogs_ = std::make_unique<DialogSlot>(library::createPlatformFileDialogs(this));
    library_ = std::make_unique<LibraryContext>(library::LibraryData{
        .records = records_,
        .flags = transfers_.flags(),
        .dialogs = *dialogs_,
        .errors = errors_,
        .patchFolder = settings_.patchPath,
        .bankFolder = settings_.bankPath,
        .splitFolder = settings_.splitPath,
    });
    LibraryContext& context = *library_;
    connect(&context, &LibraryContext::mainCaptionChanged, this, &QWidget::setWindowTitle);
    connect(&context, &LibraryContext::patchChanged, view_, &editor::PatchEditorView::initControls);
    connect(&context, &LibraryContext::patchParametersChanged, view_,
            &editor::PatchEditorView::initPatchControls);
    connect(&context, &LibraryContext::patchSendRequested, this,
            [this] { errors_.run([this] { transfers_.midiSendPatch(); }); });
    connect(&context, &LibraryContext::testNoteRequested, this, &MainWindow::playTestNote);
    connect(&context, &LibraryContext::flagsChanged, this, &MainWindow::enableButtons);
    connect(&context, &LibraryContext::bankManagerWanted, this, &MainWindow::showBankManager);
    files_ = std::make_unique<library::LibraryFileCommands>(context);
    bank_ = new library::BankManagerWindow(context, *files_, transfers_, pacer_, this);
    connect(bank_, &library::BankManagerWindow::editorWanted, this, [this] {
        raise();
        activateWindow();
    });
    connect(bank_, &library::BankManagerWindow::helpRequested, this, &MainWindow::showHelpTopic);
    // A double click on a received split opens the split editor.
    connect(bank_, &library::BankManagerWindow::splitEditRequested, this, &MainWindow::editSplit);
    connect(bank_, &library::BankManagerWindow::bankUploaded, this, &MainWindow::checkBankUpload);
    host_.setBankManager(bank_);

    // The global controls sit in the lower part of the matrix page.
    globals_ = new globals::GlobalControls(
        records_.global, pacer_, [this] { return sender_.channel(); }, view_->matrix()->globals());
    auto* box = new QVBoxLayout(view_->matrix()->globals());
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(globals_);
    connect(globals_, &globals::GlobalControls::errorOccurred, &errors_, &ErrorReporter::report);
    connect(&host_, &WindowTransferHost::globalsChanged, globals_,
            &globals::GlobalControls::initGlobalControls);
    // Global settings taken from a file show as a received dump's do.
    connect(&context, &LibraryContext::globalsChanged, globals_,
            &globals::GlobalControls::initGlobalControls);
    commands_ = std::make_unique<library::EditCommands>(context);
    // Mutate moves the buses whose switch is ticked on the matrix page.
    commands_->setTickedBuses([this] {
        library::BusSelection ticked{};
        for (int bus = 1; bus <= kMatrixBusCount; ++bus)
            ticked[static_cast<std::size_t>(bus - 1)] =
                view_->matrix()->bus(bus)->busSwitch()->isChecked();
        return ticked;
    });
    // The patch selector plays the test note after its program change.
    connect(view_->matrix()->selector(), &editor::PatchSelector::playNoteRequested, this,
            [this] { playTestNote(true); });

    using Kind = editor::PatchHistory::Kind;
    const std::pair<const char*, std::function<void()>> commands[] = {
        // A file opened here changes the patch or the bank, each a step of
        // its own history (a history without a change records nothing).
        {"aOpen",
         [this] {
             runStep(tr("Open"), Kind::Whole, [this] {
                 bank_->recordStep(tr("Open Bank"), [this] { files_->openPatch(); });
             });
         }},
        {"aSave", [this] { files_->savePatch(); }},
        {"aInit",
         [this] { runStep(tr("Initialize"), Kind::Whole, [this] { commands_->initialize(); }); }},
        {"aCompare", [this] { compare(); }},
        {"aRandom",
         [this] {
             runStep(tr("Randomize"), Kind::Randomize,
                     [this] { commands_->randomize(settings_.locks); });
         }},
        {"aMutate",
         [this] {
             runStep(tr("Mutate"), Kind::Mutate,
                     [this] { commands_->mutate(settings_.mutate, settings_.locks); });
         }},
        {"aMerge", [this] { mergePatch(); }},
        {"aNote", [this] { playTestNote(true); }},
        {"aChord",
         [this] {
             notes_->playChord({settings_.chord1, settings_.chord2, settings_.chord3});
         }},
        {"aDrone", [this] { notes_->toggleDrone(settings_.note); }},
        {"aSetMutator", [this] { showMutateSettings(); }},
        {"aBankManager", [this] { showBankManager(); }},
    };
    for (const auto& [name, command] : commands) {
        QAction* item = action(QLatin1String(name));
        item->setEnabled(true);
        connect(item, &QAction::triggered, this, [this, command] { errors_.run(command); });
    }
}

void MainWindow::setFileDialogs(std::unique_ptr<library::FileDialogs> dialogs)
{
    static_cast<DialogSlot&>(*dialogs_).inner = std::move(dialogs);
}

void MainWindow::openFile(const QString& path)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("vms")) {
        errors_.run([this, &path] {
            if (seq_->loadSequenceFile(path)) {
                seq_->openForPatch(view_->editing(), [this] { view_->initPatchControls(); });
                recordStep(tr("Multi Triggers"));
            }
        });
        return;
    }
    // A raw file by its name, a SysEx or MIDI file by what it holds; a bank
    // brings the bank manager to the front with the names in its grid.
    errors_.run([this, &file] {
        runStep(tr("Open"), editor::PatchHistory::Kind::Whole, [this, &file] {
            bank_->recordStep(tr("Open Bank"),
                              [this, &file] { files_->openFile(file.absoluteFilePath()); });
        });
    });
}

void MainWindow::playTestNote(bool always)
{
    if (always || settings_.autoPlay)
        notes_->playNote(settings_.note);
}

void MainWindow::showBankManager()
{
    bank_->show();
    bank_->raise();
    bank_->activateWindow();
}

void MainWindow::editSplit(int split)
{
    globals::SplitEditorDialog dialog(records_.splits[static_cast<std::size_t>(split)], split,
                                      records_.bank, pacer_, sender_.channel(), errors_, this);
    connect(&dialog, &globals::SplitEditorDialog::splitStored, bank_,
            &library::BankManagerWindow::setSplitCell);
    connect(&dialog, &globals::SplitEditorDialog::helpRequested, this, &MainWindow::showHelpTopic);
    // OK stores the split: a step of the bank manager's history.
    bool stored = false;
    bank_->recordStep(tr("Split Edit"),
                      [&dialog, &stored] { stored = dialog.exec() == QDialog::Accepted; });
    // Only a Matrix-6 keeps splits; a Matrix-1000 has none to read back.
    if (stored && settings_.checkUploads && transfers_.model() == SynthModel::Matrix6 &&
        midi_.outputOpen()) {
        const SplitRecord sent = records_.splits[static_cast<std::size_t>(split)];
        checkStoredSplit(split, sent);
    }
}

void MainWindow::mergePatch()
{
    library::MergeDialog dialog(
        records_.bank, [this] { return files_->pickPatch(); }, this);
    if (dialog.exec() == QDialog::Accepted)
        runStep(tr("Merge"), editor::PatchHistory::Kind::Whole,
                [&] { commands_->merge(dialog.other(), dialog.fraction()); });
}

void MainWindow::showMutateSettings()
{
    library::MutateSettingsDialog dialog(settings_.mutate, settings_.locks, this);
    connect(&dialog, &library::MutateSettingsDialog::helpRequested, this,
            &MainWindow::showHelpTopic);
    dialog.exec();
}

} // namespace velmora
