// The program's main window: it owns everything that lives for the whole run
// (the MIDI devices, the records, the settings, the editor), holds the menus
// with their commands and runs start-up and shut-down.
#pragma once

#include "app/Settings.h"
#include "app/WindowTransferHost.h"
#include "common/ErrorReporter.h"
#include "editor/PatchHistory.h"
#include "editor/TrackGenPresets.h"
#include "library/LibraryContext.h"
#include "midi/MidiSetup.h"
#include "protocol/Detection.h"
#include "protocol/OutputPacer.h"
#include "protocol/ParameterSender.h"
#include "protocol/SynthRecords.h"
#include "protocol/Transfers.h"
#include "protocol/UploadCheck.h"
#include "protocol/WholeInstrument.h"

#include <QMainWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QTimer;
class QMenu;

namespace velmora {

namespace collection {
class PatchCollection;
class PatchLibraryWindow;
} // namespace collection
namespace editor {
class PatchEditorView;
class PatchHistory;
class ParameterDisplayWindow;
} // namespace editor
namespace library {
class EditCommands;
class LibraryFileCommands;
class BankManagerWindow;
} // namespace library
namespace perform {
class ControllerMap;
class NotePlayer;
class KeyboardWindow;
class SequencerWindow;
} // namespace perform
namespace globals {
class GlobalControls;
class GlobalSettingsWindow;
} // namespace globals
namespace widgets {
class Led;
} // namespace widgets

class HelpBrowser;
class LegacySettings;
class ProgressDialog;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `legacy` is the old installation's settings store (tests pass a fake).
    MainWindow(const midi::MidiDevices& devices, std::unique_ptr<LegacySettings> legacy,
               QWidget* parent = nullptr);
    explicit MainWindow(const midi::MidiDevices& devices, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up steps of the window. Returns false after telling the
    // user, when the program cannot run (no instrument input or output); the
    // program then ends without saving its settings.
    bool startUp();

    // What the window works on (the tests look at it; the controls are
    // reached by their object names).
    midi::MidiSetup& midi() { return midi_; }
    Transfers& transfer() { return transfers_; }
    ParameterSender& parameterSender() { return sender_; }
    OutputPacer& pacer() { return pacer_; }
    SynthRecords& records() { return records_; }
    // Setup > Check Uploads: whether an upload is read back from the
    // instrument and compared with what was sent.
    bool checkUploads() const { return settings_.checkUploads; }
    // Setup > Transfer Pauses: the pause after a global settings write (the
    // one after each stored patch is the transfer engine's storePause).
    std::chrono::milliseconds globalWritePause() const
    {
        return std::chrono::milliseconds(settings_.globalWritePause);
    }
    // Tests answer the file dialogs themselves.
    void setFileDialogs(std::unique_ptr<library::FileDialogs> dialogs);

    // A file named on the command line (or handed over by a second copy):
    // a SysEx or MIDI file (one patch opens in the editor, several in the
    // bank manager), a raw patch or bank, or a sequence.
    void openFile(const QString& path);

    // The settings, read once at start and written once at the end.
    void loadSettings();
    void saveSettings();

    // The patch library, opened on first use: nothing when it cannot be
    // opened (the user was told why: in a message the first time, in the
    // status line when the same reason comes again). When the file found was damaged and
    // moved aside, the user is told its new name once.
    collection::PatchCollection* patchCollection();
    // File > Patch Library: the window, made on first use (nothing when the
    // library cannot be opened).
    collection::PatchLibraryWindow* showPatchLibrary();

protected:
    // The shut-down sequence: ports closed, settings written.
    void closeEvent(QCloseEvent* event) override;
    // Patches dragged from the library open in the editor.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // MainWindowMenus.cpp: the menus and the small commands of the shell.
    void buildMenus();
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& shortcut = {}, const QString& hint = {});
    void wire(const char* name, void (MainWindow::*handler)());
    QAction* action(const QString& objectName) const;
    void exitProgram();
    void showMidiSetup();
    void showSysexBuffers();
    void toggleThru();
    void toggleAutoPlay();
    void toggleRealTimeSends();
    void toggleControllerMapping();
    void sendAllNotesOff();
    void toggleMenuBar();
    void toggleParameterDisplay();
    void showHelp();
    void showShortcuts();
    void showAbout();
    void openWebsite();
    void showBankManager();
    void showMutateSettings();
    // Edit > Merge...: the dialog, then the merge as one command.
    void mergePatch();
    // The test note after a command: `always`, or when auto-play is on.
    void playTestNote(bool always);
    void buildLibrary();
    // The split editor for split 0..49 of the split table.
    void editSplit(int split);
    void showHelpTopic(int topic);
    // MainWindowDetect.cpp: Setup > Find Instrument and the start-up check.
    void findInstrument();
    // Sends the detection's questions and waits, the event loop running,
    // until the global record is in or `timeout` has passed.
    DetectionResult detectInstrument(std::chrono::milliseconds timeout);
    // The start-up check reads the answer to the global request that
    // start-up sends anyway: no extra question, and start-up does not wait.
    void watchStartupAnswer();
    void takeDetectionAnswer(std::span<const Byte> message);
    // Whole-instrument work (upload checks, backup and restore, the global
    // settings window) reads the instrument's answers itself. While a tap is
    // set, every incoming SysEx message goes to it first, and a message it
    // takes (returns true for) does not reach the transfer engine, so a
    // read-back never overwrites the patch, bank or globals being edited.
    // One tap at a time: setSysexTap refuses (returns false) while another
    // is set. An empty function clears the tap.
    bool setSysexTap(std::function<bool(std::span<const Byte>)> tap);
    bool sysexTapSet() const { return static_cast<bool>(sysexTap_); }
    // MainWindowCheck.cpp: checked uploads and the transfer pauses.
    void toggleCheckUploads();
    void showTransferPauses();
    // The pauses of the settings to the transfer engine.
    void applyPauses();
    // File > Upload: the store, then its check when checks are on.
    void uploadPatch();
    // Reads back patch `number` (0..199 on a Matrix-1000, 0..99 on a
    // Matrix-6) just stored from `sent` and tells the result.
    void checkStoredPatch(int number, const PatchRecord& sent);
    // Matrix-6: reads back split `split` just stored from `sent`.
    void checkStoredSplit(int split, const SplitRecord& sent);
    enum class ReadBack
    {
        Done,      // `done` said so
        Quiet,     // nothing more came for the quiet time
        Cancelled, // Cancel in the progress window
        Busy,      // other whole-instrument work holds the SysEx tap
        Failed,    // the request could not be sent (already reported)
    };
    // The check phase of an upload: the progress window says "Checking...",
    // `request` goes out, and every incoming message goes to `take` (which
    // returns whether it was an answer it wanted) until `done`, or until
    // nothing it wanted came for `quiet`.
    ReadBack readBack(int maximum, const std::function<void()>& request,
                      const std::function<bool(std::span<const Byte>)>& take,
                      const std::function<bool()>& done, std::chrono::milliseconds quiet);
    // After a read-back that ended before its answer did: what still comes
    // of it is kept from the records for a while (the tap stays set).
    void drainAnswer();
    // Matrix-1000: memory protect as the instrument says it now, or as the
    // global record read earlier said it; none when neither is known.
    std::optional<bool> readMemoryProtect();
    // The result: the status line when all is as sent, a message box when not.
    void tellCheck(const UploadCheck& check);
    // MainWindowWhole.cpp: File > Back Up Instrument and Restore
    // Instrument, and the read-back that checks a bank upload.
    void backUpInstrument();
    void restoreInstrument();
    // After the bank manager sent `bank`: read it back and say how it came.
    void checkBankUpload(int bank);
    // The pauses of whole-instrument work: the store pause is the bank
    // upload's, kept in this one place.
    WholeTiming wholeTiming() const;
    // Runs a machine through the SysEx tap, a timer and the progress window
    // with Cancel; `each` runs after every step, `ended` once it finished.
    // False when it could not start (ports closed, a receive or a tap busy;
    // the user was told).
    bool runWhole(std::unique_ptr<WholeMachine> machine, const QString& caption,
                  std::function<void(WholeMachine&)> ended,
                  std::function<void(WholeMachine&)> each = {});
    void stepWhole();
    // MainWindowGlobals.cpp: Setup > Global Settings.
    void buildGlobalSettings();
    void showGlobalSettings();
    // At close: edits the window still holds go out and are read back first.
    void finishGlobalSettings();
    // MainWindowNames.cpp: library names for the Matrix-1000's placeholders.
    void buildNames();
    std::optional<std::string> libraryName(std::span<const Byte, kPatchRecordSize> record,
                                           int entry);
    void recordRename(int entry);
    // The status line that says the instrument answering is another model.
    void showModelMismatch();
    QString portNames() const;
    // MainWindowCollection.cpp: the patch library's commands.
    void buildCollection();
    // Edit > Add to Library: the editor's patch.
    void addEditorToLibrary();
    // The bank manager's Add Bank to Library: its entries.
    void addBankToLibrary();
    // Setup > Add Downloads to Library: each patch and bank received.
    void toggleAddDownloads();
    void addDownloadedPatch();
    void addDownloadedBank();
    // `patches` into the library; the summary in the status lines.
    void addToLibrary(const std::vector<PatchRecord>& records, const QString& source, int model);
    // A library patch heard on the instrument: its edit buffer gets it,
    // paced (a newer one replaces one still waiting), and the editor's
    // patch stays as it is. The test note follows once it went out.
    void auditionPatch(const PatchRecord& record);
    // A library patch into the editor, as Open does: one step of the history.
    void openPatchRecord(const PatchRecord& record, const QString& name);
    // MainWindowPerform.cpp: the controller map, the keyboard and its dialogs.
    void buildPerform();
    void readControllerMap();
    void learnController(int controller);
    void mapController(int controller, int value);
    void setModelMenu(SynthModel model);
    // MainWindowHistory.cpp: Undo, Redo and Randomize Again.
    void buildHistory();
    void addHistoryCommands(QMenu* edit);
    void wireHistory();
    // Runs a command that may change the current patch as the step `name`.
    // `side` gives, when the step is recorded, what else it takes back.
    void runStep(const QString& name, editor::PatchHistory::Kind kind,
                 const std::function<void()>& command,
                 std::function<editor::PatchHistory::Side()> side = {});
    void recordPending();
    // Compare as a step that takes the compare state back with the patch.
    void compare();
    // A change made outside the editor's controls and commands.
    void recordStep(const QString& name);

    void enableButtons();
    void loadInitPatch();
    // The pacer asks to be woken when the cable is free again.
    void wakePacerAt(OutputPacer::Clock::time_point at);
    // The model and the instrument channel, as every send path must know them.
    void applyModel(SynthModel model);
    void applyChannel();
    // The switches of the Setup menu from the settings.
    void showSwitches();
    // What the error reporter reports: a message box, and the program goes on.
    void showError(const QString& text);
    HelpBrowser& help();

    // Every command that may fail runs through it (a failed MIDI call, a
    // file that cannot be read); it outlives everything that reports to it.
    ErrorReporter errors_;
    midi::MidiSetup midi_;
    // Everything for the instrument goes out through it: live edits at the
    // cable's pace, the rest at once (counted on the cable).
    OutputPacer pacer_;
    QTimer* paceTimer_ = nullptr;
    SynthRecords records_;
    WindowTransferHost host_;
    Transfers transfers_;
    ParameterSender sender_;
    Settings settings_;
    std::unique_ptr<LegacySettings> legacy_;
    editor::TrackGenPresets presets_;
    std::unique_ptr<library::FileDialogs> dialogs_;
    std::unique_ptr<library::LibraryContext> library_;
    std::unique_ptr<library::LibraryFileCommands> files_;
    std::unique_ptr<library::EditCommands> commands_;
    perform::NotePlayer* notes_ = nullptr;
    std::unique_ptr<perform::ControllerMap> ccmap_;
    perform::KeyboardWindow* keys_ = nullptr;
    perform::SequencerWindow* seq_ = nullptr;
    widgets::Led* ledMidiOut_ = nullptr;
    library::BankManagerWindow* bank_ = nullptr;
    globals::GlobalControls* globals_ = nullptr;
    globals::GlobalSettingsWindow* globalSettings_ = nullptr;
    editor::PatchEditorView* view_ = nullptr;
    editor::ParameterDisplayWindow* lcd_ = nullptr;
    editor::PatchHistory* history_ = nullptr;
    // The command running, while it runs: the step its change becomes.
    struct PendingStep
    {
        QString name;
        editor::PatchHistory::Kind kind;
        std::function<editor::PatchHistory::Side()> side;
    };
    std::optional<PendingStep> pendingStep_;
    HelpBrowser* help_ = nullptr;
    QList<QMenu*> menus_;
    bool closed_ = false;
    // While a detection listens: every SysEx message goes to it first.
    std::optional<InstrumentDetector> detector_;
    std::function<void()> detectorDone_;
    int detectionRun_ = 0; // which detection listens: start-up's or Find Instrument's
    // The model the instrument last said it is, when one answered.
    std::optional<SynthModel> answeredModel_;
    // While whole-instrument work reads answers itself (see setSysexTap).
    std::function<bool(std::span<const Byte>)> sysexTap_;
    QLabel* modelMismatch_ = nullptr;
    // The patch library, once opened, and its window, once shown.
    std::unique_ptr<collection::PatchCollection> collection_;
    collection::PatchLibraryWindow* libraryWindow_ = nullptr;
    bool movedAsideTold_ = false;
    // Placeholder names looked up in the library: none after the library
    // failed to open; how many a bank download found so far, and the last
    // entry named.
    bool namesUnavailable_ = false;
    int namesFound_ = 0;
    int lastNamedEntry_ = -1;
    QString openFailure_; // why the library could not be opened, once told
    // The whole-instrument machine running, its timer and progress window.
    std::unique_ptr<WholeMachine> whole_;
    std::function<void(WholeMachine&)> wholeEnded_;
    std::function<void(WholeMachine&)> wholeEach_;
    QTimer* wholeTimer_ = nullptr;
    ProgressDialog* wholeProgress_ = nullptr;
    bool wholeStepping_ = false;
};

} // namespace velmora
