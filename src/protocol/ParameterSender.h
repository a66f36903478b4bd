// The live-edit send paths: one parameter, one matrix bus, a program change
// or a controller, each turned into its message and handed to the output.
// Nothing is sent while the editor fills its controls from a record, and
// nothing (silently) while the output is closed.
#pragma once

#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "protocol/OutputPacer.h"
#include "protocol/PatchRecord.h"
#include "protocol/SynthModel.h"

#include <functional>
#include <vector>

namespace velmora {

class ParameterSender
{
public:
    ParameterSender(MidiSink& output, const PatchBuffer& currentPatch);

    void setModel(SynthModel model) { model_ = model; }
    SynthModel model() const { return model_; }
    void setChannel(int channel) { channel_ = channel & 0x0F; }
    int channel() const { return channel_; }
    // Set while the editor fills its controls; every send path then sends nothing.
    void setLoadingControls(bool loading) { loading_ = loading; }
    bool loadingControls() const { return loading_; }

    // What the parameter display shows after a send: parameter and signed
    // value, or bus number and signed amount.
    std::function<void(int parameter, int value)> onParameterShown;
    std::function<void(int bus, int amount)> onMatrixShown;
    // Whole-patch sends: to a Matrix-6's working slot, and to a
    // Matrix-1000's edit buffer. The function given is called once the patch
    // went out (what the display then shows).
    using Shown = std::function<void()>;
    std::function<void(Shown)> onSend6Patch;
    std::function<void(Shown)> onMidiSendPatch;
    // With a pacer, parameter and bus edits wait there for the cable, and the
    // display shows each when it went out; without one they go at once.
    void setPacer(OutputPacer* pacer) { pacer_ = pacer; }

    // A record value under its parameter number.
    void sendParameter(Byte parameter, Byte value);
    // The record byte of an editor control under the control's parameter.
    void sendByte(int control);
    // An edit of an editor control whose record byte is already written, sent
    // the way the model needs it. On a Matrix-6 negative modulation amounts
    // and the DCO 2 detune go as the whole patch, and so do the parameters
    // that a parameter edit does not reach on stock firmware (LiveEditReach.h:
    // "Env 2 -> VCA 2" on both models, Envelope 1 sustain on a Matrix-1000);
    // everything else as its parameter.
    void sendControl(int control);
    // bus 1..10; amount already in 7-bit form.
    void sendMatrix(int bus, Byte source, Byte amount, Byte destination);
    void sendProgramChange(int number);
    void sendController(int controller, int value);

private:
    // Sends the parts of one edit at once or through the pacer, then `shown`.
    void sendEdit(int key, std::vector<Message> parts, const Shown& shown);

    MidiSink& output_;
    OutputPacer* pacer_ = nullptr;
    const PatchBuffer& patch_;
    SynthModel model_ = SynthModel::Matrix1000;
    int channel_ = 0;
    bool loading_ = false;
};

} // namespace velmora
