// The real main window on the ports of a velmora-instrument over JACK, as a
// user who chose them in the MIDI setup has them: what the end-to-end tests
// of the window share. Every message box the window shows is taken down in
// told_ and closed, so none leaves a test waiting.
#pragma once

#include "app/WindowRig.h"
#include "e2e/InstrumentProcess.h"
#include "midi/MidiBackend.h"

#include <QMessageBox>
#include <QTimer>

#include <fstream>

namespace velmora::test {

class WindowOnInstrument : public ::testing::Test
{
protected:
    // The instrument named after `label` with `options`, then the window of
    // `model` on its ports, started and shown. `ini` adds lines to the
    // settings file. Fails the test (fatally) when either does not start.
    void startWindow(const std::string& label, const std::vector<std::string>& options,
                     SynthModel model = SynthModel::Matrix1000, const std::string& ini = {})
    {
        const std::string name = uniqueName(label);
        std::vector<std::string> args = options;
        if (model == SynthModel::Matrix6)
            args.insert(args.end(), {"--model", "6"});
        instrument_ = startInstrument(name, args);
        ASSERT_TRUE(instrument_) << "velmora-instrument did not start";
        devices_.addBackend(midi::createRtMidiBackend());
        const int in = indexOfJackPort(devices_.inputNames(), name + " out");
        const int out = indexOfJackPort(devices_.outputNames(), name + " in");
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        std::ofstream(folder_.dir().path("velmora.ini"))
            << "[MIDI]\nModel="
            << (model == SynthModel::Matrix6 ? Settings::kMatrix6 : Settings::kMatrix1000)
            << "\nIn1=" << in << "\nDevice1=" << devices_.inputName(in) << "\nOut=" << out
            << "\nDeviceOut=" << devices_.outputName(out) << "\n"
            << ini;
        window_ = std::make_unique<MainWindow>(devices_);
        auto* watch = new QTimer(window_.get());
        QObject::connect(watch, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                told_.push_back(box->text().toStdString());
                box->done(QMessageBox::Ok);
            }
        });
        watch->start(50);
        ASSERT_TRUE(window_->startUp());
        window_->show();
    }

    // The window closed, then the instrument stopped; it must end cleanly.
    void stopWindow()
    {
        if (window_)
            window_->close();
        window_.reset();
        if (instrument_) {
            EXPECT_EQ(instrument_->stop(), 0);
        }
        instrument_.reset();
    }

    void TearDown() override { stopWindow(); }

    ProgramFolder folder_;
    std::unique_ptr<InstrumentProcess> instrument_;
    midi::MidiDevices devices_;
    std::unique_ptr<MainWindow> window_;
    std::vector<std::string> told_;
};

} // namespace velmora::test
