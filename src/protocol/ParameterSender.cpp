#include "protocol/ParameterSender.h"

#include "protocol/ControlTables.h"
#include "protocol/Messages.h"

namespace velmora {

ParameterSender::ParameterSender(MidiSink& output, const PatchBuffer& currentPatch)
    : output_(output), patch_(currentPatch)
{}

void ParameterSender::sendParameter(Byte parameter, Byte value)
{
    if (loading_)
        return;
    const Byte sevenBit = toSevenBit(parameter, value);
    if (!output_.isOpen())
        return;
    if (model_ == SynthModel::Matrix6)
        output_.sendLong(parameterEditPrefix());
    output_.sendLong(parameterEdit(parameter, sevenBit));
    if (onParameterShown)
        onParameterShown(parameter, displayValue(parameter, sevenBit));
}

void ParameterSender::sendByte(int control)
{
    if (control < 0 || control >= kControlTableSize)
        return;
    const ControlTables& tables = controls();
    const auto i = static_cast<std::size_t>(control);
    sendParameter(tables.paramNumbers[i], patch_[tables.patchOffsets[i]]);
}

void ParameterSender::sendControl(int control)
{
    if (control < 0 || control >= kControlTableSize)
        return;
    const ControlTables& tables = controls();
    const auto i = static_cast<std::size_t>(control);
    const Byte value = patch_[tables.patchOffsets[i]];
    const bool matrix6 = model_ == SynthModel::Matrix6;
    const auto wholePatch = [this](const std::function<void()>& send) {
        if (!loading_ && send)
            send();
    };
    if (control == kVca2ByEnvelope2Control) {
        wholePatch(matrix6 ? onSend6Patch : onMidiSendPatch);
        if (!loading_ && onParameterShown)
            onParameterShown(tables.paramNumbers[i], byteToSigned(value));
    } else if (matrix6 && (control == kDetuneControl ||
                           (control >= kFirstSignedAmountControl &&
                            control <= kLastSignedAmountControl && byteToSigned(value) < 0))) {
        wholePatch(onSend6Patch);
    } else {
        sendByte(control);
    }
}

void ParameterSender::sendMatrix(int bus, Byte source, Byte amount, Byte destination)
{
    if (loading_)
        return;
    if (model_ == SynthModel::Matrix6) {
        if (onSend6Patch)
            onSend6Patch();
    } else if (output_.isOpen()) {
        output_.sendLong(matrixBus(bus, source, amount, destination));
    }
    if (onMatrixShown)
        onMatrixShown(bus, displayValue(0, amount & 0x7F));
}

void ParameterSender::sendProgramChange(int number)
{
    if (output_.isOpen())
        output_.sendLong(programChange(channel_, static_cast<Byte>(number)));
}

void ParameterSender::sendController(int controller, int value)
{
    if (!output_.isOpen())
        return;
    if (const auto message = controlChange(channel_, controller, value))
        output_.sendShort(message->status, message->data1, message->data2);
}

} // namespace velmora
