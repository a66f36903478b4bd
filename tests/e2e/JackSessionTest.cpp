// Velmora's devices against velmora-instrument over a real MIDI transport: a
// JACK server with the dummy driver (the test command starts one). Bytes go
// out through MidiOutput and come back through MidiInput's ring, over the
// RtMidi backend. Skipped when no JACK server runs.
#include "e2e/InstrumentProcess.h"
#include "e2e/JackSource.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "protocol/Messages.h"
#include "protocol/PatchName.h"
#include "protocol/SysexCodec.h"
#include "support/Placeholder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace velmora;
using namespace velmora::midi;
using namespace velmora::test;

namespace {

class JackSession : public ::testing::Test
{
protected:
    // A skip in SetUp skips the test body as well.
    void SetUp() override { VELMORA_SKIP_WITHOUT_JACK(); }

    void start(const std::vector<std::string>& options = {})
    {
        name_ = uniqueName("Velmora E2E");
        std::vector<std::string> args{"--verbose"};
        args.insert(args.end(), options.begin(), options.end());
        instrument_ = startInstrument(name_, args);
        ASSERT_TRUE(instrument_) << "velmora-instrument did not start";
        open();
    }

    // A fresh device list, as at program start, and both devices on the instrument.
    void open()
    {
        devices_ = std::make_unique<MidiDevices>();
        devices_->addBackend(createRtMidiBackend());
        input_ = std::make_unique<MidiInput>(*devices_);
        output_ = std::make_unique<MidiOutput>(*devices_);
        const int in = indexOfJackPort(devices_->inputNames(), name_ + " out");
        const int out = indexOfJackPort(devices_->outputNames(), name_ + " in");
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        input_->setDeviceID(in);
        input_->setSysexBufferCount(256); // a whole fast answer fits
        input_->setOnMidiInput([this](MidiInput& sender) {
            if (auto event = sender.takeEvent())
                received_.push_back(std::move(*event));
        });
        output_->setDeviceID(out);
        ASSERT_TRUE(input_->open()) << input_->lastError();
        input_->start();
        ASSERT_TRUE(output_->open()) << output_->lastError();
    }

    // Pumps the event loop until `count` messages arrived or `timeout` passed.
    bool collect(std::size_t count, Clock::duration timeout)
    {
        return pumpUntil([&] { return received_.size() >= count; }, timeout);
    }

    // Sends a request and collects its answer. A JACK client that misses a
    // cycle on a busy machine loses that cycle's MIDI, so an answer that is
    // short, or whose message lengths are not the expected ones, is asked
    // for again once the rest of it has passed.
    std::vector<MidiEvent> ask(const Message& request, std::size_t answers,
                               const std::vector<std::size_t>& lengths = {})
    {
        const auto whole = [&] {
            if (received_.size() != answers)
                return false;
            for (std::size_t i = 0; i < lengths.size() && i < answers; ++i)
                if (received_[i].sysexSize != lengths[i])
                    return false;
            return true;
        };
        for (int attempt = 0; attempt < 4; ++attempt) {
            received_.clear();
            output_->sendLong(request);
            collect(answers, 15s);
            collect(answers + 1, 200ms); // nothing more may come
            if (whole())
                return received_;
        }
        return received_;
    }

    // The lengths of a whole request-all answer.
    static std::vector<std::size_t> answerLengths(std::size_t patches, std::size_t splits,
                                                  std::size_t global)
    {
        std::vector<std::size_t> lengths(patches, kPatchMessageSize);
        lengths.insert(lengths.end(), splits, kSplitMessageSize);
        lengths.push_back(global);
        return lengths;
    }

    PatchRecord editBuffer()
    {
        const auto answer = ask(request(RequestType::EditBuffer), 1);
        PatchRecord record{};
        EXPECT_EQ(answer.size(), 1u);
        if (answer.size() == 1) {
            EXPECT_EQ(unpackBlock(answer[0].sysexData, record), UnpackStatus::Ok);
        }
        return record;
    }

    std::string name_;
    std::unique_ptr<InstrumentProcess> instrument_;
    std::unique_ptr<MidiDevices> devices_;
    std::unique_ptr<MidiInput> input_;
    std::unique_ptr<MidiOutput> output_;
    std::vector<MidiEvent> received_;
};

void expectDumps(const std::vector<MidiEvent>& answer, std::size_t patches, std::size_t splits,
                 std::size_t globalLength)
{
    ASSERT_EQ(answer.size(), patches + splits + 1);
    for (std::size_t i = 0; i < answer.size(); ++i) {
        const std::size_t length = i < patches            ? kPatchMessageSize
                                   : i < patches + splits ? kSplitMessageSize
                                                          : globalLength;
        ASSERT_EQ(answer[i].sysexSize, length) << "message " << i;
        const DumpKind kind = classifyDump(length);
        EXPECT_TRUE(unpackBlock(answer[i].sysexData, dumpBlockLength(kind), dumpChecksumRule(kind))
                        .checksumOk())
            << "message " << i;
    }
}

} // namespace

TEST_F(JackSession, EveryRequestIsAnsweredWhole)
{
    start();
    const auto one = ask(request(RequestType::OnePatch, 42), 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].sysexSize, kPatchMessageSize);
    EXPECT_EQ(one[0].sysexData[4], 42);

    const auto global = ask(request(RequestType::Global), 1);
    ASSERT_EQ(global.size(), 1u);
    ASSERT_EQ(global[0].sysexSize, kGlobal1000MessageSize);
    EXPECT_TRUE(
        unpackBlock(global[0].sysexData, kGlobal1000Size, ChecksumRule::Global).checksumOk());

    expectDumps(ask(request(RequestType::All), 181, answerLengths(100, 80, kGlobal1000MessageSize)),
                100, 80, kGlobal1000MessageSize);
    EXPECT_EQ(input_->lostCount(), 0u);
}

TEST_F(JackSession, EveryEditIsApplied)
{
    start();
    output_->sendLong(parameterEdit(1, toSevenBit(1, signedToByte(-5)))); // DCO 1 freq by LFO 1
    output_->sendLong(parameterEdit(21, 127));                            // cutoff
    output_->sendLong(matrixBus(3, 4, toSevenBit(0, signedToByte(-20)), 9));
    PatchRecord edited = editBuffer();
    EXPECT_EQ(edited[86], signedToByte(-5));
    EXPECT_EQ(edited[26], 127);
    EXPECT_EQ(edited[busOffset(3)], 4);
    EXPECT_EQ(edited[busOffset(3) + 1], signedToByte(-20));
    EXPECT_EQ(edited[busOffset(3) + 2], 9);

    // A whole patch into the edit buffer, then stored as patch 150 (bank 1, 50)
    // and selected again.
    PatchRecord patch{};
    std::mt19937 random(3);
    for (Byte& b : patch)
        b = static_cast<Byte>(random() & 0x3F);
    std::copy_n("STORE ME", 8, patch.begin());
    output_->sendLong(patchToEditBuffer(patch));
    // A Matrix-1000 keeps no names: it sends its placeholder.
    EXPECT_EQ(editBuffer(), asMatrix1000Sends(patch, 0, 0));
    const BankedNumber slot = splitPatchNumber(150);
    output_->sendLong(bankSelect(slot.bank));
    output_->sendLong(patchToMemory(slot.number, patch));
    output_->sendLong(programChange(0, 0));
    EXPECT_NE(editBuffer(), asMatrix1000Sends(patch, slot.bank, 0));
    output_->sendLong(programChange(0, slot.number));
    EXPECT_EQ(editBuffer(), asMatrix1000Sends(patch, slot.bank, slot.number));

    // A split, then split mode on and off, as the instrument logged them.
    SplitRecord split{'L', 'O', 'W', ' ', ' ', ' ', 0, 0, 60, signedToByte(-12), 1, 127};
    output_->sendLong(splitData(3, split));
    output_->sendLong(splitMode(true));
    output_->sendLong(splitMode(false));
    const auto all =
        ask(request(RequestType::All), 181, answerLengths(100, 80, kGlobal1000MessageSize));
    ASSERT_EQ(all.size(), 181u);
    SplitRecord back{};
    EXPECT_EQ(unpackBlock(all[103].sysexData, back), UnpackStatus::Ok);
    EXPECT_EQ(back, split);
    EXPECT_TRUE(instrument_->waitForLine("F0 10 02 0D 02 F7", 5s));
    EXPECT_TRUE(instrument_->waitForLine("F0 10 02 0D 01 F7", 5s));
}

TEST_F(JackSession, MatrixSixSession)
{
    start({"--model", "6"});
    // Edits need the edit-enable message right before them.
    output_->sendLong(parameterEdit(5, 11));
    EXPECT_NE(editBuffer()[10], 11);
    output_->sendLong(parameterEditPrefix());
    output_->sendLong(parameterEdit(5, 11));
    EXPECT_EQ(editBuffer()[10], 11);

    const auto answer =
        ask(request(RequestType::All), 152, answerLengths(101, 50, kMaster6MessageSize));
    expectDumps(answer, 101, 50, kMaster6MessageSize);
    // Names travel in six bits; raised, they read as letters again.
    PatchRecord first{};
    ASSERT_EQ(unpackBlock(answer[0].sysexData, first), UnpackStatus::Ok);
    EXPECT_TRUE(std::any_of(first.begin(), first.begin() + 8, [](Byte b) { return b < 32; }));
    raiseMatrix6Name(std::span<Byte>(first).first(8));
    EXPECT_TRUE(
        std::all_of(first.begin(), first.begin() + 8, [](Byte b) { return isNameCharacter(b); }));
}

TEST_F(JackSession, AFloodOverflowsTheRingWhichThenRecovers)
{
    start();
    JackSource flood(uniqueName("velmora-flood"), "out");
    ASSERT_TRUE(flood.ok());
    // The flood's port, opened as the instrument input would be.
    MidiDevices floodDevices;
    floodDevices.addBackend(createRtMidiBackend());
    MidiInput floodIn(floodDevices);
    const std::string port = flood.portName();
    floodIn.setProductName(port + " (JACK)");
    int floodOverflows = 0;
    std::size_t taken = 0;
    floodIn.setOnMidiInput([&](MidiInput& in) { taken += in.takeEvent().has_value(); });
    floodIn.setOnOverflow([&](MidiInput&) { ++floodOverflows; });
    ASSERT_TRUE(floodIn.open()) << floodIn.lastError();
    floodIn.start();

    const auto resident = [] { return soak::statusKiB("/proc/self/status", "VmRSS"); };
    long before = 0;
    for (int round = 0; round < 3; ++round) {
        // The user interface is busy while the burst arrives.
        flood.burst(20000, 1000, kPatchMessageSize);
        const auto deadline = Clock::now() + 20s;
        while (!flood.done() && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(flood.done());
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(floodIn.pendingCount(), floodIn.capacity());
        while (floodIn.pendingCount() > 0)
            QCoreApplication::processEvents();
        if (round == 0)
            before = resident();
    }
    EXPECT_GE(floodOverflows, 1);
    EXPECT_GT(floodIn.lostCount(), 0u);
    EXPECT_GE(taken, 3u * 1024u);
    // Three bursts cost no more memory than the first.
    EXPECT_LT(resident() - before, 4096) << "KiB grown after the first flood";

    // The flooded input delivers again. (A cycle JACK misses on a busy
    // machine loses its MIDI, so a short burst may need to go again.)
    const std::size_t after = taken;
    for (int attempt = 0; attempt < 5 && taken == after; ++attempt) {
        flood.burst(10, 0, 0);
        pumpUntil([&] { return taken >= after + 10; }, 2s);
    }
    EXPECT_GT(taken, after);
    EXPECT_EQ(floodIn.pendingCount(), 0);
    EXPECT_EQ(ask(request(RequestType::OnePatch, 1), 1).size(), 1u);
}

TEST_F(JackSession, AVanishedInstrumentIsReportedAndItsPortReopens)
{
    start();
    ASSERT_EQ(ask(request(RequestType::EditBuffer), 1).size(), 1u);
    EXPECT_EQ(instrument_->stop(), 0);
    std::optional<std::string> error;
    const auto deadline = Clock::now() + 10s;
    while (!error && Clock::now() < deadline) {
        try {
            output_->sendLong(request(RequestType::EditBuffer));
            std::this_thread::sleep_for(10ms);
        } catch (const MidiOutputError& e) {
            error = e.what();
        }
    }
    ASSERT_TRUE(error) << "sending to a vanished port kept succeeding";
    EXPECT_NE(error->find("no longer available"), std::string::npos) << *error;
    output_->close();
    input_->close();
    EXPECT_FALSE(output_->open());
    EXPECT_NE(output_->lastError().find("no longer available"), std::string::npos);
    EXPECT_FALSE(input_->open());

    // The instrument comes back under the same name: closing and opening the
    // same device numbers, as the setup dialog does, finds it again. The
    // input stores nothing until it is started.
    instrument_ = startInstrument(name_);
    ASSERT_TRUE(instrument_);
    ASSERT_TRUE(output_->open()) << output_->lastError();
    ASSERT_TRUE(input_->open()) << input_->lastError();
    received_.clear();
    output_->sendLong(request(RequestType::EditBuffer));
    EXPECT_FALSE(collect(1, 500ms));
    input_->start();
    const auto answer = ask(request(RequestType::EditBuffer), 1);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].sysexSize, kPatchMessageSize);

    // The answer came, so the connection is in effect and a send now finds it
    // even when the server was too slow to show it at the open. Started again
    // under the same name, the instrument has the old port names but no
    // connection to Velmora: it is not taken for the old one.
    output_->sendLong(parameterEdit(1, 1));
    EXPECT_EQ(instrument_->stop(), 0);
    instrument_ = startInstrument(name_);
    ASSERT_TRUE(instrument_);
    EXPECT_THROW(output_->sendLong(request(RequestType::EditBuffer)), MidiOutputError);
}

TEST_F(JackSession, ListsEachPortOnceAndNeverVelmorasOwn)
{
    start();
    // Opening created Velmora's own JACK ports; a fresh listing leaves them out.
    const auto backend = createRtMidiBackend();
    for (const auto& names : {backend->inputNames(), backend->outputNames()}) {
        for (const auto& name : names) {
            EXPECT_FALSE(name.starts_with("Velmora:") || name.starts_with("Velmora-")) << name;
            EXPECT_TRUE(name.ends_with(" (JACK)") || name.ends_with(" (ALSA)")) << name;
        }
        // ALSA ports, when there are any, come first.
        const auto firstJack = std::find_if(names.begin(), names.end(),
                                            [](const auto& n) { return n.ends_with(" (JACK)"); });
        EXPECT_TRUE(std::none_of(firstJack, names.end(),
                                 [](const auto& n) { return n.ends_with(" (ALSA)"); }));
    }
    const auto inputs = backend->inputNames();
    EXPECT_EQ(std::count_if(inputs.begin(), inputs.end(),
                            [&](const auto& n) { return n.find(name_ + " out") != n.npos; }),
              1);
}

// Without a JACK server (one by a name nobody uses) and, here, without an
// ALSA sequencer, RtMidi, libjack and alsa-lib all have complaints to print;
// the backend keeps them quiet and lists what is there: nothing.
TEST(RtMidiBackend, ListsQuietlyWhereNoMidiSystemRuns)
{
    const char* const server = std::getenv("JACK_DEFAULT_SERVER");
    const std::string savedServer = server != nullptr ? server : "";
    setenv("JACK_DEFAULT_SERVER", "velmora-test-no-such-server", 1);
    testing::internal::CaptureStderr();
    auto backend = createRtMidiBackend();
    const auto inputs = backend->inputNames();
    const auto outputs = backend->outputNames();
    EXPECT_THROW(backend->openOutput(0), MidiBackendError);
    backend.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    if (server != nullptr)
        setenv("JACK_DEFAULT_SERVER", savedServer.c_str(), 1);
    else
        unsetenv("JACK_DEFAULT_SERVER");
    for (const auto& names : {inputs, outputs})
        EXPECT_TRUE(std::none_of(names.begin(), names.end(),
                                 [](const auto& n) { return n.ends_with(" (JACK)"); }));
}
