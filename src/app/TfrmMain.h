// The program's main window: it owns everything that lives for the whole run
// (the MIDI devices, the records, the settings, the editor), holds the menus
// with their commands and runs start-up and shut-down.
#pragma once

#include "LibraryContext.h"
#include "MidiSetup.h"
#include "ParameterSender.h"
#include "Settings.h"
#include "SynthRecords.h"
#include "TrackGenPresets.h"
#include "Transfers.h"
#include "WindowTransferHost.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;

namespace velmora {

namespace editor {
class PatchEditorView;
class TfrmLCD;
} // namespace editor
namespace library {
class EditCommands;
class FileStuff;
class TfrmBank;
} // namespace library
namespace perform {
class ControllerMap;
class NotePlayer;
class TfrmKeys;
class TfrmSeq;
} // namespace perform
namespace widgets {
class TVrLed;
} // namespace widgets

class HelpBrowser;
class LegacySettings;

class TfrmMain : public QMainWindow
{
public:
    // `legacy` is the old installation's settings store (tests pass a fake).
    TfrmMain(const midi::MidiDevices& devices, std::unique_ptr<LegacySettings> legacy,
             QWidget* parent = nullptr);
    explicit TfrmMain(const midi::MidiDevices& devices, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up steps of the window. Returns false after telling the
    // user, when the program cannot run (no instrument input or output); the
    // program then ends without saving its settings.
    bool FormCreate();

    midi::MidiSetup& Midi() { return midi_; }
    Transfers& Transfer() { return transfers_; }
    ParameterSender& Sender() { return sender_; }
    SynthRecords& Records() { return records_; }
    Settings& CurrentSettings() { return settings_; }
    editor::PatchEditorView& Editor() { return *view_; }
    editor::TfrmLCD& ParameterDisplay() { return *lcd_; }
    library::TfrmBank& BankManager() { return *bank_; }
    // Tests answer the file dialogs themselves.
    void SetFileDialogs(std::unique_ptr<library::FileDialogs> dialogs);
    QAction* Action(const QString& objectName) const;

    // A file named on the command line (or handed over by a second copy):
    // a patch or bank SysEx file, a raw patch or bank, or a sequence.
    void OpenFile(const QString& path);

    // The settings, read once at start and written once at the end.
    void ReadRegistry();
    void WriteRegistry();

protected:
    // The shut-down sequence: ports closed, settings written.
    void closeEvent(QCloseEvent* event) override;

private:
    // TfrmMainMenus.cpp: the menus and the small commands of the shell.
    void BuildMenus();
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {}, const QString& hint = {});
    void Wire(const char* name, void (TfrmMain::*handler)());
    void aExitExecute();
    void aMidiSetupExecute();
    void aBufferExecute();
    void aThruExecute();
    void aAutoPlayExecute();
    void aMapExecute();
    void aNotesOffExecute();
    void aHideMenuExecute();
    void aSpyExecute();
    void aHelpExecute();
    void aShortcutsExecute();
    void aAboutExecute();
    void aHomepageExecute();
    void aBankManagerExecute();
    void aSetMutatorExecute();
    // The test note after a command: `always`, or when auto-play is on.
    void PlayTestNote(bool always);
    void BuildLibrary();
    // TfrmMainPerform.cpp: the controller map, the keyboard and its dialogs.
    void BuildPerform();
    void ReadControllerMap();
    void LearnController(int controller);
    void MapController(int controller, int value);
    void SetModelMenu(Model model);

    void EnableButtons();
    void LoadInitPatch();
    // The model and the instrument channel, as every send path must know them.
    void ApplyModel(Model model);
    void ApplyChannel();
    // The switches of the Setup menu from the settings.
    void ShowSwitches();
    // Runs a command; a failed MIDI call is shown, and the program goes on.
    void Guard(const std::function<void()>& command);
    void ShowError(const QString& text);
    HelpBrowser& Help();

    midi::MidiSetup midi_;
    SynthRecords records_;
    WindowTransferHost host_;
    Transfers transfers_;
    ParameterSender sender_;
    Settings settings_;
    std::unique_ptr<LegacySettings> legacy_;
    editor::TrackGenPresets presets_;
    std::unique_ptr<library::FileDialogs> dialogs_;
    std::unique_ptr<library::LibraryContext> library_;
    std::unique_ptr<library::FileStuff> files_;
    std::unique_ptr<library::EditCommands> commands_;
    perform::NotePlayer* notes_ = nullptr;
    std::unique_ptr<perform::ControllerMap> ccmap_;
    perform::TfrmKeys* keys_ = nullptr;
    perform::TfrmSeq* seq_ = nullptr;
    widgets::TVrLed* ledMidiOut_ = nullptr;
    library::TfrmBank* bank_ = nullptr;
    editor::PatchEditorView* view_ = nullptr;
    editor::TfrmLCD* lcd_ = nullptr;
    HelpBrowser* help_ = nullptr;
    QList<QMenu*> menus_;
    bool closed_ = false;
};

} // namespace velmora
