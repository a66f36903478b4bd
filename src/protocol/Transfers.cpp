#include "protocol/Transfers.h"

namespace velmora {

Transfers::Transfers(SynthRecords& records, MidiSink& output, TransferHost& host)
    : context_{records, output, host}, sender_(context_), receiver_(context_, sender_)
{}

void Transfers::download()
{
    if (sender_.download())
        receiver_.expectPatch();
}

void Transfers::startBankDownload()
{
    receiver_.beginBankReceive();
    try {
        sender_.requestAll();
    } catch (...) {
        // The request never went out: no answer is coming.
        receiver_.cancelReceive();
        throw;
    }
}

} // namespace velmora
