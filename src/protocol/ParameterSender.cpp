#include "ParameterSender.h"

#include "ControlTables.h"
#include "Messages.h"

namespace velmora {

ParameterSender::ParameterSender(MidiSink& output, const PatchBuffer& currentPatch)
    : output_(output), patch_(currentPatch)
{}

void ParameterSender::SendParameter(Byte parameter, Byte value)
{
    if (loading_)
        return;
    const Byte sevenBit = ToSevenBit(parameter, value);
    if (!output_.IsOpen())
        return;
    if (model_ == Model::Matrix6)
        output_.SendLong(ParameterEditPrefix());
    output_.SendLong(ParameterEdit(parameter, sevenBit));
    if (OnParameterShown)
        OnParameterShown(parameter, DisplayValue(parameter, sevenBit));
}

void ParameterSender::SendByte(int control)
{
    if (control < 0 || control >= kControlTableSize)
        return;
    const ControlTables& tables = Controls();
    const auto i = static_cast<std::size_t>(control);
    SendParameter(tables.ParamNumbers[i], patch_[tables.PatchOffsets[i]]);
}

void ParameterSender::SendControl(int control)
{
    if (control < 0 || control >= kControlTableSize)
        return;
    const ControlTables& tables = Controls();
    const auto i = static_cast<std::size_t>(control);
    const Byte value = patch_[tables.PatchOffsets[i]];
    const bool matrix6 = model_ == Model::Matrix6;
    const auto wholePatch = [this](const std::function<void()>& send) {
        if (!loading_ && send)
            send();
    };
    if (control == kVca2ByEnvelope2Control) {
        wholePatch(matrix6 ? OnSend6Patch : OnMidiSendPatch);
        if (!loading_ && OnParameterShown)
            OnParameterShown(tables.ParamNumbers[i], ByteToSigned(value));
    } else if (matrix6 && (control == kDetuneControl ||
                           (control >= kFirstSignedAmountControl &&
                            control <= kLastSignedAmountControl && ByteToSigned(value) < 0))) {
        wholePatch(OnSend6Patch);
    } else {
        SendByte(control);
    }
}

void ParameterSender::SendMatrix(int bus, Byte source, Byte amount, Byte destination)
{
    if (loading_)
        return;
    if (model_ == Model::Matrix6) {
        if (OnSend6Patch)
            OnSend6Patch();
    } else if (output_.IsOpen()) {
        output_.SendLong(MatrixBus(bus, source, amount, destination));
    }
    if (OnMatrixShown)
        OnMatrixShown(bus, DisplayValue(0, amount & 0x7F));
}

void ParameterSender::SendProgramChange(int number)
{
    if (output_.IsOpen())
        output_.SendLong(ProgramChange(channel_, static_cast<Byte>(number)));
}

void ParameterSender::SendController(int controller, int value)
{
    if (!output_.IsOpen())
        return;
    if (const auto message = ControlChange(channel_, controller, value))
        output_.SendShort(message->status, message->data1, message->data2);
}

} // namespace velmora
