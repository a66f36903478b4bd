// The live-edit send paths: one parameter, one matrix bus, a program change
// or a controller, each turned into its message and handed to the output.
// Nothing is sent while the editor fills its controls from a record, and
// nothing (silently) while the output is closed.
#pragma once

#include "MidiSink.h"
#include "Model.h"
#include "PatchRecord.h"

#include <functional>

namespace velmora {

class ParameterSender
{
public:
    ParameterSender(MidiSink& output, const PatchBuffer& currentPatch);

    void SetModel(Model model) { model_ = model; }
    Model GetModel() const { return model_; }
    void SetChannel(int channel) { channel_ = channel & 0x0F; }
    int Channel() const { return channel_; }
    // Set while the editor fills its controls; every send path then sends nothing.
    void SetLoadingControls(bool loading) { loading_ = loading; }
    bool LoadingControls() const { return loading_; }

    // What the parameter display shows after a send: parameter and signed
    // value, or bus number and signed amount.
    std::function<void(int parameter, int value)> OnParameterShown;
    std::function<void(int bus, int amount)> OnMatrixShown;
    // Whole-patch sends: to a Matrix-6's working slot, and to a
    // Matrix-1000's edit buffer.
    std::function<void()> OnSend6Patch;
    std::function<void()> OnMidiSendPatch;

    // A record value under its parameter number.
    void SendParameter(Byte parameter, Byte value);
    // The record byte of an editor control under the control's parameter.
    void SendByte(int control);
    // An edit of an editor control whose record byte is already written, sent
    // the way the model needs it. On a Matrix-6 negative modulation amounts
    // and the DCO 2 detune go as the whole patch, and "Env 2 -> VCA 2" goes
    // as the whole patch on both models; everything else as its parameter.
    void SendControl(int control);
    // bus 1..10; amount already in 7-bit form.
    void SendMatrix(int bus, Byte source, Byte amount, Byte destination);
    void SendProgramChange(int number);
    void SendController(int controller, int value);

private:
    MidiSink& output_;
    const PatchBuffer& patch_;
    Model model_ = Model::Matrix1000;
    int channel_ = 0;
    bool loading_ = false;
};

} // namespace velmora
