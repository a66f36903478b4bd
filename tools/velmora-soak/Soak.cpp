#include "velmora-soak/Soak.h"

#include "instrument/VirtualInstrument.h"
#include "velmora-syx/SyxPorts.h"

#include <cstdio>
#include <exception>
#include <thread>

namespace velmora::soak {

using namespace std::chrono_literals;

namespace {

// SysEx silence this long means an answer is over (the engine's answer gap
// is 1 s).
constexpr auto kQuiet = 1200ms;

constexpr int kPatches = static_cast<int>(kBankPatchCount);

// A Matrix-1000's answer to a bank request: 100 patches, 50 splits and
// 30 filler messages, the global parameters.
constexpr std::size_t kAnswerMessages = kBankPatchCount + 80 + 1;

} // namespace

const char* faultName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::BadChecksum:
        return "bad checksum";
    case FaultKind::Drop:
        return "dropped message";
    case FaultKind::Stall:
        return "stall";
    case FaultKind::Kill:
        return "instrument killed";
    case FaultKind::None:
        break;
    }
    return "none";
}

Soak::Soak(std::string instrumentPath, std::string name, std::uint32_t seed, const JackWatch& jack)
    : instrumentPath_(std::move(instrumentPath)), name_(std::move(name)), jack_(jack), random_(seed)
{}

Soak::~Soak()
{
    session_.reset();
    child_.reset();
}

int Soak::random(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random_);
}

std::string Soak::start()
{
    if (std::string problem = startInstrument(); !problem.empty())
        return problem;
    backend_ = &devices_.addBackend(midi::createRtMidiBackend());
    inDevice_ = indexOfJackPort(devices_.inputNames(), name_ + " out");
    outDevice_ = indexOfJackPort(devices_.outputNames(), name_ + " in");
    if (inDevice_ < 0 || outDevice_ < 0)
        return "the instrument's JACK ports are not among the MIDI devices";
    instrumentBank_ = factoryBank();
    return openSession();
}

Soak::Bank Soak::factoryBank()
{
    const VirtualInstrument fresh(SynthModel::Matrix1000);
    Bank bank{};
    for (int n = 0; n < kPatches; ++n)
        bank[static_cast<std::size_t>(n)] = fresh.patch(0, n);
    return bank;
}

std::string Soak::startInstrument()
{
    child_ = std::make_unique<InstrumentChild>(
        instrumentPath_, std::vector<std::string>{"--name", name_, "--pace", "fast"});
    armed_ = false;
    if (!child_->waitForLine("ready", 30s))
        return "velmora-instrument did not start";
    return {};
}

std::string Soak::openSession()
{
    try {
        auto session = std::make_unique<syx::TransferSession>(devices_, SynthModel::Matrix1000);
        session->openInput(std::to_string(inDevice_));
        session->openOutput(std::to_string(outDevice_));
        session_ = std::move(session);
        ++sessions_;
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

bool Soak::portsListed()
{
    for (const std::string& name : backend_->inputNames())
        if (name == devices_.inputName(inDevice_))
            return true;
    return false;
}

void Soak::restart()
{
    phase_ = "restarting the instrument";
    const SynthRecords kept = session_->records();
    session_.reset();
    child_->kill();
    // JACK names a new client after an old one that is still registered
    // differently, so the old ports must be gone first.
    const auto giveUp = Clock::now() + 10s;
    while (portsListed() && Clock::now() < giveUp)
        std::this_thread::sleep_for(20ms);
    ++figures_.restarts;
    std::string problem = startInstrument();
    if (problem.empty())
        problem = openSession();
    if (!problem.empty()) {
        fail("restart: " + problem, false);
        broken_ = true;
        return;
    }
    session_->records() = kept;
    instrumentBank_ = factoryBank();
}

std::string Soak::download(int stopAt, const std::function<void()>& then)
{
    Transfers& engine = session_->engine();
    const TransferFlags& flags = engine.flags();
    syx::ConsoleHost& host = session_->host();
    host.problems.clear();
    try {
        engine.startBankDownload();
    } catch (const std::exception& error) {
        // The request could not be sent (the port vanished): no answer comes.
        engine.cancelReceive();
        return error.what();
    }
    bool thenDone = !then;
    const std::size_t before = session_->sysexReceived();
    std::string problem = session_->runUntil([&] {
        if (!thenDone && flags.bankCount >= stopAt) {
            thenDone = true;
            then();
        }
        if (flags.bankLoaded && flags.splitsReceived && flags.globalReceived)
            return true;
        if (flags.bankLoaded && !engine.receiving() &&
            Clock::now() - session_->lastHeard() > kQuiet)
            host.problems.push_back("the answer ended without all its splits and global dump");
        return false;
    });
    // Every message that reached the input went to the engine, so when an
    // answer with no fault armed failed short of its messages, the rest was
    // lost or held up before Velmora: JACK can lose MIDI, without reporting
    // an xrun, when its clients are starved of the processor.
    const std::size_t arrived = session_->sysexReceived() - before;
    if (!problem.empty() && !armed_ && arrived < kAnswerMessages)
        undelivered_ += kAnswerMessages - arrived;
    return problem;
}

std::string Soak::upload(int bank, int killAt)
{
    syx::ConsoleHost& host = session_->host();
    host.problems.clear();
    host.bankAnswer = bank;
    host.onProgress = [this, killAt](int position, int) {
        if (position != killAt)
            return;
        // JACK drops a killed client only after its client timeout (about a
        // second with the server's defaults); until then sends to its ports
        // go nowhere without an error. The upload is held here until the
        // ports are gone, so that the next patch meets the vanished port.
        child_->kill();
        const auto giveUp = Clock::now() + 10s;
        while (portsListed() && Clock::now() < giveUp)
            std::this_thread::sleep_for(10ms);
    };
    std::string error;
    try {
        session_->engine().sendBank();
    } catch (const std::exception& e) {
        error = e.what();
    }
    host.onProgress = nullptr;
    if (error.empty() && !host.problems.empty())
        error = host.problems.front();
    return error;
}

void Soak::waitForQuiet(Clock::time_point notBefore)
{
    phase_ = "waiting for the rest of the answer";
    syx::ConsoleHost& host = session_->host();
    host.problems.clear();
    session_->runUntil([&] {
        for (const std::string& problem : host.problems)
            fail("after the fault the engine also reported: " + problem);
        host.problems.clear();
        const auto now = Clock::now();
        return now >= notBefore && now - session_->lastHeard() >= kQuiet;
    });
}

void Soak::arm(const std::string& command)
{
    armedAt_ = Clock::now();
    armed_ = !command.empty();
    if (!child_->command(command))
        fail("the instrument did not take the fault command \"" + command + "\"", false);
}

void Soak::edit()
{
    auto& bank = session_->records().bank;
    edits_ = random(1, 6);
    editedBytes_ = 0;
    for (int p = 0; p < edits_; ++p) {
        PatchBuffer& patch = bank[static_cast<std::size_t>(random(0, kPatches - 1))];
        const int changes = random(1, 4);
        editedBytes_ += changes;
        for (int c = 0; c < changes; ++c) {
            const auto offset = static_cast<std::size_t>(random(0, kPatchRecordSize - 1));
            const bool name = offset < kPatchNameLength;
            Byte value = patch[offset];
            while (value == patch[offset])
                value = static_cast<Byte>(name ? random(' ', 'Z') : random(0, 255));
            patch[offset] = value;
        }
    }
}

Soak::Bank Soak::programBank() const
{
    Bank bank{};
    const auto& records = session_->records().bank;
    for (std::size_t n = 0; n < kBankPatchCount; ++n)
        std::copy_n(records[n].begin(), kPatchRecordSize, bank[n].begin());
    return bank;
}

bool Soak::compare(const Bank& expected, const std::string& what)
{
    const Bank got = programBank();
    ++figures_.bankReads;
    // A Matrix-1000 keeps no names: each patch it sends is called after the
    // bank and number it comes from, so only the data bytes are compared.
    figures_.bytesCompared += kBankPatchCount * (kPatchRecordSize - kPatchNameLength);
    for (std::size_t n = 0; n < kBankPatchCount; ++n)
        for (std::size_t i = kPatchNameLength; i < kPatchRecordSize; ++i)
            if (got[n][i] != expected[n][i]) {
                fail(what + ": patch " + std::to_string(n) + " differs at byte " +
                     std::to_string(i) + " (expected " + std::to_string(expected[n][i]) + ", got " +
                     std::to_string(got[n][i]) + ")");
                return false;
            }
    return true;
}

void Soak::fail(const std::string& text, bool transport)
{
    problems_.push_back({text, transport});
    std::printf("  problem: %s\n", text.c_str());
}

} // namespace velmora::soak
