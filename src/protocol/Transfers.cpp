#include "Transfers.h"

namespace velmora {

Transfers::Transfers(SynthRecords& records, MidiSink& output, TransferHost& host)
    : context_{records, output, host}, sender_(context_), receiver_(context_, sender_)
{}

void Transfers::Download()
{
    if (sender_.Download())
        receiver_.ExpectPatch();
}

void Transfers::StartBankDownload()
{
    receiver_.BeginBankReceive();
    try {
        sender_.RequestAll();
    } catch (...) {
        // The request never went out: no answer is coming.
        receiver_.CancelReceive();
        throw;
    }
}

} // namespace velmora
