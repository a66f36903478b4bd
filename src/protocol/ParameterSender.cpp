#include "protocol/ParameterSender.h"

#include "protocol/ControlTables.h"
#include "protocol/LiveEditReach.h"
#include "protocol/Messages.h"
#include "protocol/PatchLayout.h"

namespace velmora {

ParameterSender::ParameterSender(MidiSink& output, const PatchBuffer& currentPatch)
    : output_(output), patch_(currentPatch)
{}

void ParameterSender::sendEdit(int key, std::vector<Message> parts, const Shown& shown)
{
    if (pacer_ == nullptr) {
        for (const Message& part : parts)
            output_.sendLong(part);
        if (shown)
            shown();
        return;
    }
    OutputPacer::Parts paced;
    for (Message& part : parts)
        paced.push_back({std::move(part), std::chrono::milliseconds(0)});
    pacer_->sendEdit(key, std::move(paced), shown);
}

void ParameterSender::sendParameter(Byte parameter, Byte value)
{
    if (loading_)
        return;
    const Byte sevenBit = toSevenBit(parameter, value);
    if (!output_.isOpen())
        return;
    std::vector<Message> parts;
    // A Matrix-6 takes an edit only right after its prefix: the two go together.
    if (model_ == SynthModel::Matrix6)
        parts.push_back(parameterEditPrefix());
    parts.push_back(parameterEdit(parameter, sevenBit));
    sendEdit(parameter, std::move(parts), [this, parameter, sevenBit] {
        if (onParameterShown)
            onParameterShown(parameter, displayValue(parameter, sevenBit));
    });
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
    const auto wholePatch = [this](const std::function<void(Shown)>& send, Shown shown = {}) {
        if (!loading_ && send)
            send(std::move(shown));
    };
    const Byte parameter = tables.paramNumbers[i];
    if (needsWholePatch(model_, parameter)) {
        const PatchField* field = fieldAt(tables.patchOffsets[i]);
        const bool isSigned = field != nullptr && field->kind == FieldKind::Signed;
        const int shownValue = isSigned ? byteToSigned(value) : value;
        wholePatch(matrix6 ? onSend6Patch : onMidiSendPatch, [this, parameter, shownValue] {
            if (onParameterShown)
                onParameterShown(parameter, shownValue);
        });
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
    const Shown shown = [this, bus, amount] {
        if (onMatrixShown)
            onMatrixShown(bus, displayValue(0, amount & 0x7F));
    };
    if (model_ == SynthModel::Matrix6) {
        if (onSend6Patch)
            onSend6Patch(shown);
    } else if (output_.isOpen()) {
        sendEdit(OutputPacer::busKey(bus), {matrixBus(bus, source, amount, destination)}, shown);
    } else {
        shown();
    }
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
