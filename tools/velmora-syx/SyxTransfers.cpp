#include "velmora-syx/SyxTransfers.h"

#include "velmora-syx/SyxPorts.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace velmora::syx {

namespace {

// Room for a whole answer given at once: 100 patches, 80 splits, a global.
constexpr int kSysexBuffers = 256;
constexpr int kSysexBufferSize = 512;

} // namespace

std::string asSentence(std::string text)
{
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

ProgressLine::ProgressLine(std::ostream& err)
    : err_(err), inPlace_(&err == &std::cerr && isatty(STDERR_FILENO) == 1)
{}

void ProgressLine::show(const std::string& label, int position, int total)
{
    // A new label starts a line of its own; the last state of the old one stays.
    if (label != label_)
        end();
    label_ = label;
    std::string text = label + ": " + std::to_string(position) + "/" + std::to_string(total);
    if (text == shown_)
        return;
    if (!inPlace_) {
        if (position % std::max(total / 10, 1) == 0 || position == total)
            err_ << text << '\n' << std::flush;
        shown_ = std::move(text);
        return;
    }
    err_ << '\r' << text;
    // A shorter line must cover the longer one it replaces.
    if (text.size() < shown_.size())
        err_ << std::string(shown_.size() - text.size(), ' ');
    err_ << std::flush;
    shown_ = std::move(text);
}

void ProgressLine::end()
{
    if (inPlace_ && !shown_.empty())
        err_ << '\n' << std::flush;
    shown_.clear();
}

void ConsoleHost::setProgress(int position)
{
    if (onProgress)
        onProgress(position, progressMaximum_);
}

void ConsoleHost::pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

TransferSession::TransferSession(const midi::MidiDevices& devices, SynthModel model)
    : devices_(devices), output_(std::make_unique<midi::MidiOutput>(devices)),
      engine_(records_, counting_, host_)
{
    engine_.setModel(model);
}

TransferSession::~TransferSession()
{
    // No more input once the engine is gone.
    input_.reset();
}

void TransferSession::openOutput(const std::string& port)
{
    const int device = findPort(devices_, PortKind::Output, port);
    output_->setDeviceID(device);
    if (!output_->open())
        throw std::runtime_error("cannot open MIDI output " + devices_.outputName(device) + ": " +
                                 output_->lastError());
    outputName_ = devices_.outputName(device);
}

void TransferSession::openInput(const std::string& port)
{
    const int device = findPort(devices_, PortKind::Input, port);
    input_ = std::make_unique<midi::MidiInput>(devices_);
    input_->setDeviceID(device);
    input_->setSysexBufferCount(kSysexBuffers);
    input_->setSysexBufferSize(kSysexBufferSize);
    input_->setSysexOnly(true);
    input_->setOnMidiInput([this](midi::MidiInput& input) { receive(input); });
    input_->setOnOverflow([this](midi::MidiInput& input) {
        host_.problems.push_back("the MIDI input lost " + std::to_string(input.lostCount()) +
                                 " messages of the answer");
    });
    if (!input_->open())
        throw std::runtime_error("cannot open MIDI input " + devices_.inputName(device) + ": " +
                                 input_->lastError());
    input_->start();
    inputName_ = devices_.inputName(device);
    lastHeard_ = Clock::now();
}

void TransferSession::receive(midi::MidiInput& input)
{
    const auto event = input.takeEvent();
    if (!event || !event->isSysex())
        return;
    lastHeard_ = Clock::now();
    ++sysexReceived_;
    const std::vector<Byte>& message = event->sysexData;
    last_[static_cast<std::size_t>(classifyDump(message.size()))] = message;
    if (onSysex)
        onSysex(message);
    if (tap && tap(message))
        return;
    engine_.handleSysex(message);
}

std::string TransferSession::runUntil(const std::function<bool()>& done)
{
    QTimer stallWatch;
    stallWatch.setInterval(kStallCheck);
    QObject::connect(&stallWatch, &QTimer::timeout, [this] { engine_.checkStall(); });
    stallWatch.start();
    for (;;) {
        const bool finished = done();
        if (!host_.problems.empty())
            return host_.problems.front();
        if (finished)
            return {};
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TransferSession::runMachine(WholeMachine& machine, const std::function<void()>& progress)
{
    tap = [&machine](std::span<const Byte> message) { return machine.take(message, Clock::now()); };
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        machine.tick(Clock::now());
        if (progress)
            progress();
        if (machine.finished())
            break;
        if (!host_.problems.empty()) {
            machine.cancel(Clock::now());
            continue;
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kStallCheck);
        if (const auto due = machine.nextDue()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
            wait = std::clamp(left, std::chrono::milliseconds(0), wait);
        }
        if (wait.count() > 0) {
            wake.start(wait);
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else {
            QCoreApplication::processEvents();
        }
    }
    tap = nullptr;
}

void TransferSession::drain() const
{
    std::this_thread::sleep_for(kDrainTime);
}

} // namespace velmora::syx
