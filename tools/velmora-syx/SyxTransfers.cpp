#include "SyxTransfers.h"

#include "SyxPorts.h"

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

std::string AsSentence(std::string text)
{
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

ProgressLine::ProgressLine(std::ostream& err)
    : err_(err), inPlace_(&err == &std::cerr && isatty(STDERR_FILENO) == 1)
{}

void ProgressLine::Show(const std::string& label, int position, int total)
{
    // A new label starts a line of its own; the last state of the old one stays.
    if (label != label_)
        End();
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

void ProgressLine::End()
{
    if (inPlace_ && !shown_.empty())
        err_ << '\n' << std::flush;
    shown_.clear();
}

void ConsoleHost::SetProgress(int position)
{
    if (onProgress)
        onProgress(position, progressMaximum_);
}

void ConsoleHost::Pause(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

TransferSession::TransferSession(const midi::MidiDevices& devices, Model model)
    : devices_(devices), output_(std::make_unique<midi::TMidiOutput>(devices)),
      engine_(records_, counting_, host_)
{
    engine_.SetModel(model);
}

TransferSession::~TransferSession()
{
    // No more input once the engine is gone.
    input_.reset();
}

void TransferSession::OpenOutput(const std::string& port)
{
    const int device = FindPort(devices_, PortKind::Output, port);
    output_->SetDeviceID(device);
    if (!output_->Open())
        throw std::runtime_error("cannot open MIDI output " + devices_.OutputName(device) + ": " +
                                 output_->LastError());
}

void TransferSession::OpenInput(const std::string& port)
{
    const int device = FindPort(devices_, PortKind::Input, port);
    input_ = std::make_unique<midi::TMidiInput>(devices_);
    input_->SetDeviceID(device);
    input_->SetSysexBufferCount(kSysexBuffers);
    input_->SetSysexBufferSize(kSysexBufferSize);
    input_->SetSysexOnly(true);
    input_->SetOnMidiInput([this](midi::TMidiInput& input) { Receive(input); });
    input_->SetOnOverflow([this](midi::TMidiInput& input) {
        host_.problems.push_back("the MIDI input lost " + std::to_string(input.LostCount()) +
                                 " messages of the answer");
    });
    if (!input_->Open())
        throw std::runtime_error("cannot open MIDI input " + devices_.InputName(device) + ": " +
                                 input_->LastError());
    input_->Start();
    lastHeard_ = Clock::now();
}

void TransferSession::Receive(midi::TMidiInput& input)
{
    const auto event = input.TakeEvent();
    if (!event || !event->IsSysex())
        return;
    lastHeard_ = Clock::now();
    ++sysexReceived_;
    const std::vector<Byte>& message = event->SysexData;
    last_[static_cast<std::size_t>(ClassifyDump(message.size()))] = message;
    engine_.HandleSysex(message);
}

std::string TransferSession::RunUntil(const std::function<bool()>& done)
{
    QTimer stallWatch;
    stallWatch.setInterval(kStallCheck);
    QObject::connect(&stallWatch, &QTimer::timeout, [this] { engine_.CheckStall(); });
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

void TransferSession::Drain() const
{
    std::this_thread::sleep_for(kDrainTime);
}

} // namespace velmora::syx
