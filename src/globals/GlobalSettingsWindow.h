// Setup > Global Settings: the instrument's global record, read from the
// unit and edited in place. A Matrix-1000 record is the base of every
// write: once the edits have settled the window reads the record again,
// changes only the bytes of the settings the user moved, sends the whole
// record as one global dump,
// gives the unit a pause, reads the record back and says whether it holds
// what was sent. Settings that can cut Velmora off from the instrument ask
// first. A Matrix-6 master record is shown as far as it is known and never
// written. Either record can be saved to and loaded from a .syx file.
#pragma once

#include "globals/GlobalRecord.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace velmora::library {
class FileDialogs;
}

namespace velmora::globals {

using SysexTap = std::function<bool(std::span<const Byte>)>;

// What the window needs of the program around it.
struct GlobalSettingsLink
{
    // Sets the tap that sees incoming SysEx before the transfer engine (a
    // message it takes goes no further), or clears it (empty); false when
    // another is set.
    std::function<bool(SysexTap)> setTap;
    // Why the instrument cannot be asked now; empty when it can.
    std::function<QString()> busy;
    // Sends one SysEx message whole; false when it did not go out.
    std::function<bool(const std::vector<Byte>&)> send;
    // The pause after a global write before it is read back.
    std::function<std::chrono::milliseconds()> writePause;
    // A record was read from the instrument (172 or 236 bytes).
    std::function<void(std::span<const Byte>)> recordRead;
    // The instrument now listens on `channel` (0..15): Velmora follows.
    std::function<void(int channel)> followChannel;
    library::FileDialogs* dialogs = nullptr;
    QString folder; // where Load and Save start
};

class GlobalSettingsWindow : public QWidget
{
    Q_OBJECT

public:
    // The help page of the window.
    static constexpr int kHelpTopic = 1030;
    // Edits go out this long after the last change.
    static constexpr std::chrono::milliseconds kSettle{800};
    // How long a read waits for the instrument's answer.
    static constexpr std::chrono::milliseconds kAnswerWait{2000};

    explicit GlobalSettingsWindow(GlobalSettingsLink link, QWidget* parent = nullptr);

    // Shows the window and reads the record from the instrument.
    void open();
    // Reads the record; edits still waiting are sent first.
    void readFromInstrument();
    // A read or a write with its read-back is running, or edits are waiting.
    bool working() const;
    // Edits still waiting for the settle time go out now (Velmora is about
    // to close its ports); finished() follows when their read-back ends.
    void sendWaitingEdits();
    // The record as the window shows it (the Matrix-1000 one).
    const Global1000& record() const { return edited_; }

signals:
    // A read or a write ended (its sentence is in the status line).
    void finished();
    void helpRequested(int topic);

private:
    enum class Shown
    {
        Nothing,
        Matrix1000,
        Matrix6,
    };
    enum class Phase
    {
        Idle,
        Reading,
        ReadingBase, // read again just before a write
        Pausing,
        ReadingBack,
    };
    struct Control
    {
        const GlobalSetting* setting = nullptr;
        QSlider* slider = nullptr;
        QLabel* label = nullptr;
        QCheckBox* check = nullptr;
        QComboBox* list = nullptr;
    };

    // GlobalSettingsWindow.cpp: the controls and what they show.
    QGroupBox* buildGroup(SettingGroup group, const QString& title);
    void addControl(QGroupBox* box, const GlobalSetting& setting);
    void showRecord();
    void showMaster6();
    void enableControls();
    void edited(const GlobalSetting& setting, int value);
    void setStatus(const QString& text);
    void loadFile();
    void saveFile();
    bool confirmChanges(const Global1000& from, const Global1000& to);
    void markChanged(const Global1000& from);

    // GlobalSettingsTransfer.cpp: reading and writing the record.
    bool takeTap();
    void releaseTap();
    void writeChanges();
    void sendWrite(const std::optional<Global1000>& unit);
    // `unit` becomes the base; the changes not yet sent stay on top of it.
    void rebase(const Global1000& unit);
    void requestReadBack();
    void answered(const std::vector<Byte>& message);
    void answerMissed();
    void takeRead(const std::vector<Byte>& message);
    void finishWrite(const std::optional<Global1000>& readBack);

    GlobalSettingsLink link_;
    std::vector<Control> controls_;
    std::vector<QGroupBox*> groups1000_;
    QGroupBox* groupBox_ = nullptr;
    QGroupBox* master6_ = nullptr;
    QCheckBox* unlockGroup_ = nullptr;
    QLabel* groupPatches_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QTimer* settle_ = nullptr;
    QTimer* answerWait_ = nullptr;

    Shown shown_ = Shown::Nothing;
    // Whether the record shown came from the instrument (else from a file).
    bool fromInstrument_ = false;
    Phase phase_ = Phase::Idle;
    bool loading_ = false;
    // What the instrument holds as far as Velmora knows, and the same with
    // the user's changes.
    Global1000 base_{};
    Global1000 edited_{};
    std::array<Byte, kMaster6Size> master_{};
    // The settings (by index) and the group map changed since the last send.
    std::vector<bool> changed_;
    bool mapChanged_ = false;
    // What the last write sent.
    Global1000 sent_{};
    bool tapHeld_ = false;
};

} // namespace velmora::globals
