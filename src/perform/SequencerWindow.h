// The step sequencer window ("Sequencer"): eight steps, each with an LED, a
// value label, a vertical bar for its note and a mute switch (keys 1..8
// toggle them), a tempo bar, the octave and direction switches, play and
// stop, and a menu to save and load the pattern as a .vms file. It is created
// at start, hidden, and lives until the end; closing it stops playback and
// hides it. Steps are clocked by a ThreadTimer at time-critical priority
// and played on the user-interface thread: each unmuted step sends a note-on
// and at once its note-off (velocity 100) on the instrument channel.
//
// The two switches stand upright: swOctave's top position transposes up an
// octave, its bottom one down; swMode's top position plays forward, its
// bottom one backward. (PanelSwitch counts its positions from the top.)
#pragma once

#include "perform/Sequence.h"
#include "perform/ThreadTimer.h"

#include <QMainWindow>

#include <array>
#include <optional>

class QLabel;
class QPushButton;
class QSlider;

namespace velmora {
class MidiSink;
namespace editor {
class PatchEditing;
} // namespace editor
namespace library {
class FileDialogs;
struct FileRequest;
} // namespace library
namespace widgets {
class LampButton;
class PanelSwitch;
class Led;
} // namespace widgets
} // namespace velmora

namespace velmora::perform {

class SequencerWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 1014;
    static constexpr int kShortcutsHelpTopic = 1019;

    // `sequencePath` is the "SequencePath" folder setting, read and written
    // by the file commands.
    SequencerWindow(MidiSink& output, QString& sequencePath, QWidget* parent = nullptr);
    ~SequencerWindow() override;

    // The instrument channel (0..15) the steps play on.
    void setChannel(int channel) { channel_ = channel & 0x0F; }
    int channel() const { return channel_; }
    // The open and save dialogs of the file commands. None: the platform's
    // dialogs (the save dialog asks before replacing a file).
    void setFileDialogs(library::FileDialogs* dialogs) { dialogs_ = dialogs; }

    // The main window's "&Sequencer" command: the Multi trigger bit of the
    // three envelopes set and sent, `initPatchControls` run so the editor
    // shows them, then the window shown or raised.
    void openForPatch(editor::PatchEditing& editing,
                      const std::function<void()>& initPatchControls);
    // Bit 1 (value 2, "Multi") of each envelope's trigger byte, written and
    // sent at once as parameters 57, 67 and 77.
    static void setMultiTriggers(editor::PatchEditing& editing);

    // Playback. Start tells "No Midi Out port available" and stays stopped
    // while the output is closed; stop rewinds to step 1, darkens the LEDs
    // and sends nothing.
    void startSeq();
    void stopSeq();
    bool playing() const { return timer_.enabled(); }
    // One step (the timer's handler; tests call it directly).
    void playStep();

    // The bars, mutes, switches and tempo bar from the sequence state.
    void updateControls();
    // The file commands: the dialogs with the "SequencePath" folder. Loading
    // stops playback, applies the file and sets the caption; a file that
    // cannot be read is told and changes nothing.
    void openSequence();
    void saveSequence();
    bool loadSequenceFile(const QString& path);

    Sequence& state() { return sequence_; }
    const Sequence& state() const { return sequence_; }
    ThreadTimer& timer() { return timer_; }
    QAction* action(const QString& objectName) const;

signals:
    // A help topic by its number.
    void helpRequested(int topic);
    // "No Midi Out port available", file and output failures. Not
    // connected: the window shows them in a message box.
    void messageReported(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // PanelSwitch counts positions from the top: swOctave's top is up an
    // octave, swMode's top is forward.
    static constexpr int kOctaveMiddle = 1;
    static constexpr int kForwardPosition = 0;

    // SequencerWindowControls.cpp
    void buildControls();
    void buildMenus();
    void applyStepNote(int step, int position);
    void toggleStepMute(int step);
    void toggleMute(int step);
    void openFromFile();
    void togglePlay();
    void applyTempo(int position);
    void applyOctave();
    void applyDirection();
    void showPlaying(bool playing);
    void tell(const QString& text);
    std::optional<QString> askFile(const library::FileRequest& request, bool save);

    MidiSink& output_;
    int channel_ = 0;
    library::FileDialogs* dialogs_ = nullptr;
    QString& sequencePath_;
    Sequence sequence_;
    ThreadTimer timer_;
    bool centred_ = false;

    std::array<widgets::Led*, Sequence::kSteps> leds_{};
    std::array<QLabel*, Sequence::kSteps> labels_{};
    std::array<QSlider*, Sequence::kSteps> bars_{};
    std::array<widgets::LampButton*, Sequence::kSteps> mutes_{};
    QSlider* tbTempo = nullptr;
    QPushButton* btnPlay = nullptr;
    QPushButton* btnStop = nullptr;
    widgets::PanelSwitch* swOctave = nullptr;
    widgets::PanelSwitch* swMode = nullptr;
    QAction* aPlay = nullptr;
};

} // namespace velmora::perform
