// The global controls of the main window: master tune, transpose and bend
// range, each a track bar with its value label in a frame. A refresh from the
// global record only shows (a value outside a bar's range is shown clamped
// and left in the record as it came); a move by the user writes the record
// and tells the instrument at once.
#pragma once

#include "globals/GlobalParameters.h"
#include "protocol/SynthModel.h"

#include <QWidget>

#include <functional>

class QGroupBox;
class QLabel;
class QSlider;

namespace velmora::globals {

class GlobalControls : public QWidget
{
    Q_OBJECT

public:
    using GlobalRecord = std::array<Byte, kMaster6Size>;

    // `record` is the global record the dumps fill; `channel` gives the
    // instrument's channel 0..15 at the time of a send.
    GlobalControls(GlobalRecord& record, MidiSink& output, std::function<int()> channel,
                   QWidget* parent = nullptr);

    // Sets the three bars and labels from the record; writes and sends nothing.
    void initGlobalControls();
    // On a Matrix-6 the record holds no bend range where a Matrix-1000 keeps
    // it (byte 164 is part of a table there, and the right offset is not
    // known): the bend-range bar is then disabled, shows nothing of that
    // byte and writes and sends nothing.
    void setModel(SynthModel model);

    // The change handlers of the three bars.
    void sendTune(int position);
    void sendTranspose(int position);
    void sendBendRange(int position);

    bool loadingControls() const { return loading_; }

signals:
    // A send failed (the output device's error text). Not connected, the
    // failure propagates to the caller.
    void errorOccurred(const QString& text);

private:
    QGroupBox* addFrame(const QString& caption, const char* name, QSlider* bar, QLabel* label,
                        GlobalField field);
    void sendGlobal(GlobalField field, QLabel* label, int position);

    QSlider* tbTUNE;
    QSlider* tbTRANSPOSE;
    QSlider* tbBEND;
    QLabel* lblMasterTUne;
    QLabel* lblTranspose;
    QLabel* lblBendRange;
    GlobalRecord& record_;
    MidiSink& output_;
    std::function<int()> channel_;
    bool loading_ = false;
    bool bendRangeInRecord_ = true;
};

} // namespace velmora::globals
