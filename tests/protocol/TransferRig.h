// The transfer engine wired to a virtual instrument: what the engine sends is
// recorded and handed to the instrument; the instrument's answers queue up
// and Pump feeds them to the engine, as the input would one at a time. The
// host records every window call, answers the dialogs from its fields, logs
// pauses instead of sleeping and keeps a clock that tests move by hand.
#pragma once

#include "instrument/VirtualInstrument.h"
#include "protocol/PatchName.h"
#include "protocol/Transfers.h"
#include "support/RecordingSink.h"

#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::test {

struct FakeHost : TransferHost
{
    std::vector<std::string> messages;
    std::vector<std::string> captions;
    std::map<int, std::string> bankCells;
    std::vector<std::pair<std::string, int>> progressOpened;
    int progressOpen = 0; // opened minus closed
    int progressPosition = -1;
    int initControlsCalls = 0;
    int refreshGlobalsCalls = 0;
    std::vector<NumberRequest> numberRequests;
    std::optional<int> numberAnswer;
    int bankDialogs = 0;
    std::optional<int> bankAnswer;
    // Each pause with the number of messages sent before it.
    std::vector<std::pair<std::size_t, int>> pauses;
    const RecordingSink* sink = nullptr;
    Clock::time_point clock{};
    // The patch library: names by the record's first data byte; each
    // question with the entry it was asked for.
    std::map<Byte, std::string> library;
    std::vector<int> namesAsked;

    void initControls() override { ++initControlsCalls; }
    void setMainCaption(const std::string& c) override { captions.push_back(c); }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void enableButtons() override {}
    void setBankCell(int i, const std::string& name) override { bankCells[i] = name; }
    void setSplitCell(int, const std::string&) override {}
    void setBankManagerCaption(const std::string&) override {}
    void openProgress(const std::string& caption, int maximum) override
    {
        progressOpened.emplace_back(caption, maximum);
        ++progressOpen;
    }
    void setProgress(int position) override { progressPosition = position; }
    void closeProgress() override { --progressOpen; }
    void refreshGlobals() override { ++refreshGlobalsCalls; }
    std::optional<int> askPatchNumber(const NumberRequest& request) override
    {
        numberRequests.push_back(request);
        return numberAnswer;
    }
    std::optional<int> askUploadBank() override
    {
        ++bankDialogs;
        return bankAnswer;
    }
    void pause(std::chrono::milliseconds d) override
    {
        pauses.emplace_back(sink->sent.size(), static_cast<int>(d.count()));
        clock += d;
    }
    Clock::time_point now() const override { return clock; }
    std::optional<std::string> knownName(std::span<const Byte, kPatchRecordSize> record,
                                         int entry) override
    {
        namesAsked.push_back(entry);
        const auto found = library.find(record[kPatchNameLength]);
        return found == library.end() ? std::nullopt : std::optional(found->second);
    }
};

// An output that records, hands every message to the instrument and, like a
// real port, refuses to send while closed.
struct InstrumentLink : RecordingSink
{
    VirtualInstrument* instrument = nullptr;
    bool vanished = false; // open, but every send fails, as a pulled cable

    void sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        check();
        RecordingSink::sendShort(status, data1, data2);
        instrument->receive(sent.back());
    }
    void sendLong(std::span<const std::uint8_t> bytes) override
    {
        check();
        RecordingSink::sendLong(bytes);
        instrument->receive(bytes);
    }
    void check() const
    {
        if (!open)
            throw std::runtime_error("MIDI output is not open");
        if (vanished)
            throw std::runtime_error("The MIDI port is no longer available");
    }
};

struct TransferRig
{
    using Bytes = std::vector<Byte>;

    explicit TransferRig(SynthModel model) : instrument(model)
    {
        instrument.setOutput(
            [this](std::span<const Byte> m) { pending.emplace_back(m.begin(), m.end()); });
        link.instrument = &instrument;
        host.sink = &link;
        transfers.setModel(model);
    }

    // Feeds queued answers to the engine; after `deliverLimit` messages the
    // rest are held back, as if the cable had been pulled.
    void pump()
    {
        while (!pending.empty()) {
            Bytes m = std::move(pending.front());
            pending.pop_front();
            if (deliverLimit >= 0 && delivered >= deliverLimit) {
                held.push_back(std::move(m));
                continue;
            }
            ++delivered;
            transfers.handleSysex(m);
        }
    }

    void receiveBank()
    {
        transfers.startBankDownload();
        pump();
    }

    VirtualInstrument instrument;
    SynthRecords records;
    FakeHost host;
    InstrumentLink link;
    Transfers transfers{records, link, host};
    std::deque<Bytes> pending;
    std::vector<Bytes> held;
    int deliverLimit = -1;
    int delivered = 0;
};

} // namespace velmora::test
