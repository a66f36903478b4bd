// The program's main window: it owns everything that lives for the whole run
// (the MIDI devices among them), holds the menus with their commands and
// runs start-up and shut-down.
#pragma once

#include "MidiSetup.h"
#include "ParameterSender.h"
#include "SynthRecords.h"
#include "Transfers.h"
#include "WindowTransferHost.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;

namespace velmora {

class TfrmMain : public QMainWindow
{
public:
    explicit TfrmMain(const midi::MidiDevices& devices, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens the ports. Returns false after telling the user, when the
    // program cannot run (no instrument input or output).
    bool FormCreate();

    midi::MidiSetup& Midi() { return midi_; }
    Transfers& Transfer() { return transfers_; }
    ParameterSender& Sender() { return sender_; }
    SynthRecords& Records() { return records_; }
    QAction* Action(const QString& objectName) const;

private:
    void BuildMenus();
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {}, const QString& hint = {});
    void ShowPorts();
    void EnableButtons();
    // The model and the instrument channel, as every send path must know them.
    void ApplyModel(Model model);
    void ApplyChannel();
    // Runs a command; a failed MIDI call is shown, and the program goes on.
    void Guard(const std::function<void()>& command);

    void aMidiSetupExecute();
    void aBufferExecute();
    void aThruExecute();
    void aNotesOffExecute();
    void aHideMenuExecute();
    void aAboutExecute();

    midi::MidiSetup midi_;
    SynthRecords records_;
    WindowTransferHost host_;
    Transfers transfers_;
    ParameterSender sender_;
    std::uint8_t note_ = 60;
    std::array<std::uint8_t, 3> chord_{64, 67, 72};
    QList<QMenu*> menus_;
    QLabel* ports_ = nullptr;
};

} // namespace velmora
