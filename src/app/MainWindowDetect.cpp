// Setup > Find Instrument: what answers on the chosen ports, and whether the
// settings should follow it; and the start-up check that tells, in the
// status line, when the instrument answering is not the model chosen.
#include "app/MainWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

namespace velmora {

namespace {

// The whole detection: 16 inquiries and a global request, their answers
// (a Matrix-1000's global record is some 110 ms on the cable) and a margin.
constexpr std::chrono::milliseconds kDetectionTimeout{1500};
// How long start-up listens for the answer to its global request.
constexpr std::chrono::milliseconds kStartupWatch{3000};

QString shownModelName(SynthModel model)
{
    return model == SynthModel::Matrix1000 ? QStringLiteral("Matrix-1000")
                                           : QStringLiteral("Matrix-6");
}

} // namespace

void MainWindow::takeDetectionAnswer(std::span<const Byte> message)
{
    if (!detector_ || !detector_->take(message) || !detector_->complete())
        return;
    // A copy: the start-up check ends its own listening from within.
    if (const std::function<void()> done = detectorDone_)
        done();
}

bool MainWindow::setSysexTap(std::function<bool(std::span<const Byte>)> tap)
{
    if (tap && sysexTap_)
        return false;
    sysexTap_ = std::move(tap);
    return true;
}

DetectionResult MainWindow::detectInstrument(std::chrono::milliseconds timeout)
{
    if (!midi_.outputOpen() || !midi_.inputOpen())
        return {};
    detector_.emplace();
    ++detectionRun_;
    QEventLoop loop;
    detectorDone_ = [&loop] { loop.quit(); };
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    errors_.run([this] {
        for (const Message& message : detectionRequests())
            pacer_.sendLong(message);
    });
    if (!detector_->complete())
        loop.exec();
    const DetectionResult result = detector_->result();
    detector_.reset();
    detectorDone_ = nullptr;
    return result;
}

QString MainWindow::portNames() const
{
    auto& midi = const_cast<midi::MidiSetup&>(midi_);
    const auto nameOf = [](const std::vector<std::string>& names, int device) {
        return device >= 0 && device < static_cast<int>(names.size())
                   ? QString::fromStdString(names[static_cast<std::size_t>(device)])
                   : QStringLiteral("?");
    };
    return tr("%1 (output) and %2 (input)")
        .arg(nameOf(midi.outputNames(), midi.output().deviceID()),
             nameOf(midi.inputNames(), midi.input().deviceID()));
}

void MainWindow::findInstrument()
{
    // The global record it asks for would end a bank receive half-way.
    if (transfers_.receiving()) {
        QMessageBox::information(this, tr("Find Instrument"),
                                 tr("Velmora is receiving from the instrument. Choose Find "
                                    "Instrument again when that has ended."));
        return;
    }
    QAction* find = action(QStringLiteral("aFindInstrument"));
    find->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DetectionResult found = detectInstrument(kDetectionTimeout);
    QApplication::restoreOverrideCursor();
    find->setEnabled(true);

    if (!found.found()) {
        QMessageBox::information(this, tr("Find Instrument"),
                                 tr("Nothing answered on %1. Check the cables and the ports "
                                    "chosen under Setup > Midi.")
                                     .arg(portNames()));
        return;
    }
    answeredModel_ = found.model;
    showModelMismatch();
    const QString text = QString::fromStdString(describeFound(found));
    const SynthModel model = *found.model;
    const SynthModel chosen =
        settings_.model == Settings::kMatrix6 ? SynthModel::Matrix6 : SynthModel::Matrix1000;
    const int channel = midi_.routing().instrumentChannel;
    if (model == chosen && found.channel == channel) {
        QMessageBox::information(this, tr("Find Instrument"),
                                 text + u' ' + tr("Velmora is already set up for it."));
        return;
    }
    const QString question =
        tr("Velmora is set to a %1 on MIDI channel %2. Change it to a %3 on MIDI channel %4?")
            .arg(shownModelName(chosen))
            .arg(channel + 1)
            .arg(shownModelName(model))
            .arg(found.channel + 1);
    if (QMessageBox::question(this, tr("Find Instrument"), text + QStringLiteral("\n\n") + question,
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) != QMessageBox::Yes)
        return;
    applyModel(model);
    midi_.routing().instrumentChannel = found.channel;
    applyChannel();
}

void MainWindow::watchStartupAnswer()
{
    if (!midi_.outputOpen() || !midi_.inputOpen())
        return;
    detector_.emplace();
    const int run = ++detectionRun_;
    detectorDone_ = [this] {
        answeredModel_ = detector_->result().model;
        showModelMismatch();
        detector_.reset();
        detectorDone_ = nullptr;
    };
    // No answer by then: nothing to say (an instrument switched on later is
    // found with Setup > Find Instrument).
    QTimer::singleShot(kStartupWatch, this, [this, run] {
        if (detectionRun_ == run && detector_) {
            detector_.reset();
            detectorDone_ = nullptr;
        }
    });
}

void MainWindow::showModelMismatch()
{
    const SynthModel chosen =
        settings_.model == Settings::kMatrix6 ? SynthModel::Matrix6 : SynthModel::Matrix1000;
    const bool differs = answeredModel_ && *answeredModel_ != chosen;
    if (!differs) {
        if (modelMismatch_ != nullptr)
            modelMismatch_->hide();
        return;
    }
    if (modelMismatch_ == nullptr) {
        // A label rather than a message: menu hints pass over it and it stays.
        modelMismatch_ = new QLabel(statusBar());
        modelMismatch_->setObjectName(QStringLiteral("lblModelMismatch"));
        statusBar()->addWidget(modelMismatch_);
    }
    modelMismatch_->setText(tr("The instrument answering is a %1, but Velmora is set to a %2. "
                               "Choose the model under Setup > Model or use Setup > Find "
                               "Instrument.")
                                .arg(shownModelName(*answeredModel_), shownModelName(chosen)));
    modelMismatch_->show();
}

} // namespace velmora
