// Velmora's devices against velmora-instrument over a real MIDI transport: a
// JACK server with the dummy driver (the test command starts one). Bytes go
// out through TMidiOutput and come back through TMidiInput's ring, over the
// RtMidi backend. Skipped when no JACK server runs.
#include "InstrumentProcess.h"
#include "JackSource.h"
#include "Messages.h"
#include "MidiInput.h"
#include "MidiOutput.h"
#include "PatchName.h"
#include "SysexCodec.h"

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

    void Start(const std::vector<std::string>& options = {})
    {
        name_ = UniqueName("Velmora E2E");
        std::vector<std::string> args{"--verbose"};
        args.insert(args.end(), options.begin(), options.end());
        instrument_ = StartInstrument(name_, args);
        ASSERT_TRUE(instrument_) << "velmora-instrument did not start";
        Open();
    }

    // A fresh device list, as at program start, and both devices on the instrument.
    void Open()
    {
        devices_ = std::make_unique<MidiDevices>();
        devices_->AddBackend(CreateRtMidiBackend());
        input_ = std::make_unique<TMidiInput>(*devices_);
        output_ = std::make_unique<TMidiOutput>(*devices_);
        const int in = IndexOfJackPort(devices_->InputNames(), name_ + " out");
        const int out = IndexOfJackPort(devices_->OutputNames(), name_ + " in");
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        input_->SetDeviceID(in);
        input_->SetSysexBufferCount(256); // a whole fast answer fits
        input_->SetOnMidiInput([this](TMidiInput& sender) {
            if (auto event = sender.TakeEvent())
                received_.push_back(std::move(*event));
        });
        output_->SetDeviceID(out);
        ASSERT_TRUE(input_->Open()) << input_->LastError();
        input_->Start();
        ASSERT_TRUE(output_->Open()) << output_->LastError();
    }

    // Pumps the event loop until `count` messages arrived or `timeout` passed.
    bool Collect(std::size_t count, Clock::duration timeout)
    {
        return PumpUntil([&] { return received_.size() >= count; }, timeout);
    }

    // Sends a request and collects its answer. A JACK client that misses a
    // cycle on a busy machine loses that cycle's MIDI, so an answer that is
    // short, or whose message lengths are not the expected ones, is asked
    // for again once the rest of it has passed.
    std::vector<TMyMidiEvent> Ask(const Message& request, std::size_t answers,
                                  const std::vector<std::size_t>& lengths = {})
    {
        const auto whole = [&] {
            if (received_.size() != answers)
                return false;
            for (std::size_t i = 0; i < lengths.size() && i < answers; ++i)
                if (received_[i].SysexSize != lengths[i])
                    return false;
            return true;
        };
        for (int attempt = 0; attempt < 4; ++attempt) {
            received_.clear();
            output_->SendLong(request);
            Collect(answers, 15s);
            Collect(answers + 1, 200ms); // nothing more may come
            if (whole())
                return received_;
        }
        return received_;
    }

    // The lengths of a whole request-all answer.
    static std::vector<std::size_t> AnswerLengths(std::size_t patches, std::size_t splits,
                                                  std::size_t global)
    {
        std::vector<std::size_t> lengths(patches, kPatchMessageSize);
        lengths.insert(lengths.end(), splits, kSplitMessageSize);
        lengths.push_back(global);
        return lengths;
    }

    PatchRecord EditBuffer()
    {
        const auto answer = Ask(Request(RequestType::EditBuffer), 1);
        PatchRecord record{};
        EXPECT_EQ(answer.size(), 1u);
        if (answer.size() == 1) {
            EXPECT_EQ(UnpackBlock(answer[0].SysexData, record), UnpackStatus::Ok);
        }
        return record;
    }

    std::string name_;
    std::unique_ptr<InstrumentProcess> instrument_;
    std::unique_ptr<MidiDevices> devices_;
    std::unique_ptr<TMidiInput> input_;
    std::unique_ptr<TMidiOutput> output_;
    std::vector<TMyMidiEvent> received_;
};

void ExpectDumps(const std::vector<TMyMidiEvent>& answer, std::size_t patches, std::size_t splits,
                 std::size_t globalLength)
{
    ASSERT_EQ(answer.size(), patches + splits + 1);
    for (std::size_t i = 0; i < answer.size(); ++i) {
        const std::size_t length = i < patches            ? kPatchMessageSize
                                   : i < patches + splits ? kSplitMessageSize
                                                          : globalLength;
        ASSERT_EQ(answer[i].SysexSize, length) << "message " << i;
        const DumpKind kind = ClassifyDump(length);
        EXPECT_TRUE(UnpackBlock(answer[i].SysexData, DumpBlockLength(kind), DumpChecksumRule(kind))
                        .checksumOk())
            << "message " << i;
    }
}

} // namespace

TEST_F(JackSession, EveryRequestIsAnsweredWhole)
{
    Start();
    const auto one = Ask(Request(RequestType::OnePatch, 42), 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].SysexSize, kPatchMessageSize);
    EXPECT_EQ(one[0].SysexData[4], 42);

    const auto global = Ask(Request(RequestType::Global), 1);
    ASSERT_EQ(global.size(), 1u);
    ASSERT_EQ(global[0].SysexSize, kGlobal1000MessageSize);
    EXPECT_TRUE(
        UnpackBlock(global[0].SysexData, kGlobal1000Size, ChecksumRule::Global).checksumOk());

    ExpectDumps(Ask(Request(RequestType::All), 181, AnswerLengths(100, 80, kGlobal1000MessageSize)),
                100, 80, kGlobal1000MessageSize);
    EXPECT_EQ(input_->LostCount(), 0u);
}

TEST_F(JackSession, EveryEditIsApplied)
{
    Start();
    output_->SendLong(ParameterEdit(1, ToSevenBit(1, SignedToByte(-5)))); // DCO 1 freq by LFO 1
    output_->SendLong(ParameterEdit(21, 127));                            // cutoff
    output_->SendLong(MatrixBus(3, 4, ToSevenBit(0, SignedToByte(-20)), 9));
    PatchRecord edited = EditBuffer();
    EXPECT_EQ(edited[86], SignedToByte(-5));
    EXPECT_EQ(edited[26], 127);
    EXPECT_EQ(edited[BusOffset(3)], 4);
    EXPECT_EQ(edited[BusOffset(3) + 1], SignedToByte(-20));
    EXPECT_EQ(edited[BusOffset(3) + 2], 9);

    // A whole patch into the edit buffer, then stored as patch 150 (bank 1, 50)
    // and selected again.
    PatchRecord patch{};
    std::mt19937 random(3);
    for (Byte& b : patch)
        b = static_cast<Byte>(random() & 0x3F);
    std::copy_n("STORE ME", 8, patch.begin());
    output_->SendLong(PatchToEditBuffer(patch));
    EXPECT_EQ(EditBuffer(), patch);
    const BankedNumber slot = SplitPatchNumber(150);
    output_->SendLong(BankSelect(slot.bank));
    output_->SendLong(PatchToMemory(slot.number, patch));
    output_->SendLong(ProgramChange(0, 0));
    EXPECT_NE(EditBuffer(), patch);
    output_->SendLong(ProgramChange(0, slot.number));
    EXPECT_EQ(EditBuffer(), patch);

    // A split, then split mode on and off, as the instrument logged them.
    SplitRecord split{'L', 'O', 'W', ' ', ' ', ' ', 0, 0, 60, SignedToByte(-12), 1, 127};
    output_->SendLong(SplitData(3, split));
    output_->SendLong(SplitMode(true));
    output_->SendLong(SplitMode(false));
    const auto all =
        Ask(Request(RequestType::All), 181, AnswerLengths(100, 80, kGlobal1000MessageSize));
    ASSERT_EQ(all.size(), 181u);
    SplitRecord back{};
    EXPECT_EQ(UnpackBlock(all[103].SysexData, back), UnpackStatus::Ok);
    EXPECT_EQ(back, split);
    EXPECT_TRUE(instrument_->WaitForLine("F0 10 02 0D 02 F7", 5s));
    EXPECT_TRUE(instrument_->WaitForLine("F0 10 02 0D 01 F7", 5s));
}

TEST_F(JackSession, MatrixSixSession)
{
    Start({"--model", "6"});
    // Edits need the edit-enable message right before them.
    output_->SendLong(ParameterEdit(5, 11));
    EXPECT_NE(EditBuffer()[10], 11);
    output_->SendLong(ParameterEditPrefix());
    output_->SendLong(ParameterEdit(5, 11));
    EXPECT_EQ(EditBuffer()[10], 11);

    const auto answer =
        Ask(Request(RequestType::All), 152, AnswerLengths(101, 50, kMaster6MessageSize));
    ExpectDumps(answer, 101, 50, kMaster6MessageSize);
    // Names travel in six bits; raised, they read as letters again.
    PatchRecord first{};
    ASSERT_EQ(UnpackBlock(answer[0].SysexData, first), UnpackStatus::Ok);
    EXPECT_TRUE(std::any_of(first.begin(), first.begin() + 8, [](Byte b) { return b < 32; }));
    RaiseMatrix6Name(std::span<Byte>(first).first(8));
    EXPECT_TRUE(
        std::all_of(first.begin(), first.begin() + 8, [](Byte b) { return IsNameCharacter(b); }));
}

TEST_F(JackSession, AFloodOverflowsTheRingWhichThenRecovers)
{
    Start();
    JackSource flood(UniqueName("velmora-flood"), "out");
    ASSERT_TRUE(flood.Ok());
    // The flood's port, opened as the instrument input would be.
    MidiDevices floodDevices;
    floodDevices.AddBackend(CreateRtMidiBackend());
    TMidiInput floodIn(floodDevices);
    const std::string port = flood.PortName();
    floodIn.SetProductName(port + " (JACK)");
    int floodOverflows = 0;
    std::size_t taken = 0;
    floodIn.SetOnMidiInput([&](TMidiInput& in) { taken += in.TakeEvent().has_value(); });
    floodIn.SetOnOverflow([&](TMidiInput&) { ++floodOverflows; });
    ASSERT_TRUE(floodIn.Open()) << floodIn.LastError();
    floodIn.Start();

    const auto resident = [] { return soak::StatusKiB("/proc/self/status", "VmRSS"); };
    long before = 0;
    for (int round = 0; round < 3; ++round) {
        // The user interface is busy while the burst arrives.
        flood.Burst(20000, 1000, kPatchMessageSize);
        const auto deadline = Clock::now() + 20s;
        while (!flood.Done() && Clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(flood.Done());
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(floodIn.PendingCount(), floodIn.Capacity());
        while (floodIn.PendingCount() > 0)
            QCoreApplication::processEvents();
        if (round == 0)
            before = resident();
    }
    EXPECT_GE(floodOverflows, 1);
    EXPECT_GT(floodIn.LostCount(), 0u);
    EXPECT_GE(taken, 3u * 1024u);
    // Three bursts cost no more memory than the first.
    EXPECT_LT(resident() - before, 4096) << "KiB grown after the first flood";

    // The flooded input delivers again. (A cycle JACK misses on a busy
    // machine loses its MIDI, so a short burst may need to go again.)
    const std::size_t after = taken;
    for (int attempt = 0; attempt < 5 && taken == after; ++attempt) {
        flood.Burst(10, 0, 0);
        PumpUntil([&] { return taken >= after + 10; }, 2s);
    }
    EXPECT_GT(taken, after);
    EXPECT_EQ(floodIn.PendingCount(), 0);
    EXPECT_EQ(Ask(Request(RequestType::OnePatch, 1), 1).size(), 1u);
}

TEST_F(JackSession, AVanishedInstrumentIsReportedAndItsPortReopens)
{
    Start();
    ASSERT_EQ(Ask(Request(RequestType::EditBuffer), 1).size(), 1u);
    EXPECT_EQ(instrument_->Stop(), 0);
    std::optional<std::string> error;
    const auto deadline = Clock::now() + 10s;
    while (!error && Clock::now() < deadline) {
        try {
            output_->SendLong(Request(RequestType::EditBuffer));
            std::this_thread::sleep_for(10ms);
        } catch (const EmidioutputError& e) {
            error = e.what();
        }
    }
    ASSERT_TRUE(error) << "sending to a vanished port kept succeeding";
    EXPECT_NE(error->find("no longer available"), std::string::npos) << *error;
    output_->Close();
    input_->Close();
    EXPECT_FALSE(output_->Open());
    EXPECT_NE(output_->LastError().find("no longer available"), std::string::npos);
    EXPECT_FALSE(input_->Open());

    // The instrument comes back under the same name: closing and opening the
    // same device numbers, as the setup dialog does, finds it again. The
    // input stores nothing until it is started.
    instrument_ = StartInstrument(name_);
    ASSERT_TRUE(instrument_);
    ASSERT_TRUE(output_->Open()) << output_->LastError();
    ASSERT_TRUE(input_->Open()) << input_->LastError();
    received_.clear();
    output_->SendLong(Request(RequestType::EditBuffer));
    EXPECT_FALSE(Collect(1, 500ms));
    input_->Start();
    const auto answer = Ask(Request(RequestType::EditBuffer), 1);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].SysexSize, kPatchMessageSize);

    // The answer came, so the connection is in effect and a send now finds it
    // even when the server was too slow to show it at the open. Started again
    // under the same name, the instrument has the old port names but no
    // connection to Velmora: it is not taken for the old one.
    output_->SendLong(ParameterEdit(1, 1));
    EXPECT_EQ(instrument_->Stop(), 0);
    instrument_ = StartInstrument(name_);
    ASSERT_TRUE(instrument_);
    EXPECT_THROW(output_->SendLong(Request(RequestType::EditBuffer)), EmidioutputError);
}

TEST_F(JackSession, ListsEachPortOnceAndNeverVelmorasOwn)
{
    Start();
    // Opening created Velmora's own JACK ports; a fresh listing leaves them out.
    const auto backend = CreateRtMidiBackend();
    for (const auto& names : {backend->InputNames(), backend->OutputNames()}) {
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
    const auto inputs = backend->InputNames();
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
    auto backend = CreateRtMidiBackend();
    const auto inputs = backend->InputNames();
    const auto outputs = backend->OutputNames();
    EXPECT_THROW(backend->OpenOutput(0), MidiBackendError);
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
