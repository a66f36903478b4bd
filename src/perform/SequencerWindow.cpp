#include "perform/SequencerWindow.h"

#include "editor/PatchEditing.h"
#include "library/FileDialogs.h"
#include "library/SysexFiles.h"
#include "protocol/Messages.h"
#include "protocol/MidiSink.h"
#include "widgets/LampButton.h"
#include "widgets/Led.h"
#include "widgets/PanelSwitch.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include <exception>
#include <utility>

namespace velmora::perform {
namespace {

// The envelopes' trigger-mode bytes and their parameters, envelope 1 to 3.
constexpr Byte kMultiBit = 2;
constexpr std::array<std::pair<std::size_t, Byte>, 3> kTriggerBytes{{{49, 57}, {58, 67}, {67, 77}}};

// The folder part of a file name, up to and including the last separator,
// as the librarian remembers its folders.
QString folderOf(const QString& path)
{
    return QString::fromStdString(library::folderPart(path.toStdString()));
}

} // namespace

SequencerWindow::SequencerWindow(MidiSink& output, QString& sequencePath, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      output_(output), sequencePath_(sequencePath)
{
    setObjectName(QStringLiteral("frmSeq"));
    setWindowTitle(tr("Sequencer"));
    timer_.setThreadPriority(QThread::TimeCriticalPriority);
    timer_.setOnTimer([this](ThreadTimer&) { playStep(); });
    buildControls();
    buildMenus();
    sequence_.rewind();
    updateControls();
    showPlaying(false);
}

SequencerWindow::~SequencerWindow() = default;

void SequencerWindow::setMultiTriggers(editor::PatchEditing& editing)
{
    if (editing.loading())
        return;
    for (const auto& [offset, parameter] : kTriggerBytes) {
        Byte& trigger = editing.patch()[offset];
        trigger = static_cast<Byte>(trigger | kMultiBit);
        editing.parameterSender().sendParameter(parameter, trigger);
    }
}

void SequencerWindow::openForPatch(editor::PatchEditing& editing,
                                   const std::function<void()>& initPatchControls)
{
    setMultiTriggers(editing);
    if (initPatchControls)
        initPatchControls();
    show();
    raise();
    activateWindow();
}

void SequencerWindow::startSeq()
{
    if (playing())
        return;
    if (!output_.isOpen()) {
        tell(tr("No Midi Out port available"));
        return;
    }
    timer_.setInterval(sequence_.period());
    timer_.setEnabled(true);
    showPlaying(true);
}

void SequencerWindow::stopSeq()
{
    timer_.setEnabled(false);
    sequence_.rewind();
    showPlaying(false);
    for (widgets::Led* led : leds_)
        led->setActive(false);
}

void SequencerWindow::showPlaying(bool playing)
{
    btnStop->setEnabled(playing);
    btnPlay->setEnabled(!playing);
    aPlay->setText(playing ? tr("&Stop") : tr("&Play"));
}

void SequencerWindow::playStep()
{
    const Sequence::Tick tick = sequence_.advance();
    leds_[static_cast<std::size_t>(tick.step)]->setActive(true);
    if (tick.note && output_.isOpen()) {
        const int channel = channel_;
        const auto note = static_cast<Byte>(*tick.note);
        try {
            const ShortMessage on = noteOn(channel, note);
            const ShortMessage off = noteOff(channel, note);
            output_.sendShort(on.status, on.data1, on.data2);
            output_.sendShort(off.status, off.data1, off.data2);
        } catch (const std::exception& e) {
            // A failed port would fail every step: stop, and tell it once.
            stopSeq();
            tell(QString::fromLocal8Bit(e.what()));
            return;
        }
    }
    if (tick.darkenStep)
        leds_[static_cast<std::size_t>(*tick.darkenStep)]->setActive(false);
}

void SequencerWindow::updateControls()
{
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QSignalBlocker block(bars_[i]);
        bars_[i]->setValue(sequence_.note(k));
        labels_[i]->setText(QString::number(sequence_.note(k)));
        mutes_[i]->setChecked(sequence_.muted(k));
    }
    const QSignalBlocker blockTempo(tbTempo);
    tbTempo->setValue(Sequence::kTempoBarMax - sequence_.period());
    const QSignalBlocker blockOctave(swOctave);
    swOctave->setPosition(kOctaveMiddle - sequence_.octave());
    const QSignalBlocker blockMode(swMode);
    const bool forward = sequence_.direction() == Sequence::Direction::Forward;
    swMode->setPosition(forward ? kForwardPosition : 1 - kForwardPosition);
    timer_.setInterval(sequence_.period());
}

void SequencerWindow::applyStepNote(int step, int position)
{
    sequence_.setNote(step, position);
    labels_[static_cast<std::size_t>(step)]->setText(QString::number(sequence_.note(step)));
}

void SequencerWindow::toggleStepMute(int step)
{
    sequence_.setMuted(step, mutes_[static_cast<std::size_t>(step)]->isChecked());
}

void SequencerWindow::toggleMute(int step)
{
    widgets::LampButton* mute = mutes_[static_cast<std::size_t>(step)];
    mute->setChecked(!mute->isChecked());
    sequence_.setMuted(step, mute->isChecked());
}

void SequencerWindow::applyTempo(int position)
{
    sequence_.setPeriod(Sequence::kTempoBarMax - position);
    timer_.setInterval(sequence_.period());
}

void SequencerWindow::applyOctave()
{
    sequence_.setOctave(kOctaveMiddle - swOctave->position());
}

void SequencerWindow::applyDirection()
{
    sequence_.setDirection(swMode->position() == kForwardPosition ? Sequence::Direction::Forward
                                                                  : Sequence::Direction::Backward);
}

void SequencerWindow::togglePlay()
{
    if (playing())
        stopSeq();
    else
        startSeq();
}

void SequencerWindow::openFromFile()
{
    openSequence();
    startSeq();
}

void SequencerWindow::openSequence()
{
    const library::FileRequest request{
        QString(), sequencePath_, QStringLiteral("*.vms"), tr("Velmora Sequence Files (*.vms)"), 0,
        {}};
    if (const auto path = askFile(request, false))
        loadSequenceFile(*path);
}

bool SequencerWindow::loadSequenceFile(const QString& path)
{
    sequencePath_ = folderOf(path);
    const auto read = readSequenceFile(path);
    if (const auto* error = std::get_if<QString>(&read)) {
        tell(*error);
        return false;
    }
    if (playing())
        stopSeq();
    sequence_.apply(std::get<Sequence::Record>(read));
    updateControls();
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + tr("Sequencer"));
    return true;
}

void SequencerWindow::saveSequence()
{
    const Sequence::Record record = sequence_.toRecord();
    const library::FileRequest request{
        QString(), sequencePath_,        QStringLiteral("Sequence"), tr("Velmora Sequence (*.vms)"),
        0,         QStringLiteral("vms")};
    const auto path = askFile(request, true);
    if (!path)
        return;
    sequencePath_ = folderOf(*path);
    if (const auto error = writeSequenceFile(*path, record)) {
        tell(*error);
        return;
    }
    setWindowTitle(QFileInfo(*path).fileName() + QStringLiteral(" - ") + tr("Sequencer"));
}

std::optional<QString> SequencerWindow::askFile(const library::FileRequest& request, bool save)
{
    if (dialogs_ != nullptr) {
        const auto choice = save ? dialogs_->save(request) : dialogs_->open(request);
        return choice ? std::optional<QString>(choice->path) : std::nullopt;
    }
    QFileDialog platform(this, request.caption, request.folder, request.filters);
    platform.selectFile(request.fileName);
    platform.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    platform.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    platform.setDefaultSuffix(request.defaultSuffix);
    if (platform.exec() != QDialog::Accepted || platform.selectedFiles().isEmpty())
        return std::nullopt;
    return platform.selectedFiles().constFirst();
}

void SequencerWindow::tell(const QString& text)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&SequencerWindow::messageReported)))
        emit messageReported(text);
    else
        QMessageBox::information(this, tr("Sequencer"), text);
}

void SequencerWindow::closeEvent(QCloseEvent* event)
{
    if (playing())
        stopSeq();
    QMainWindow::closeEvent(event);
}

void SequencerWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_ || screen() == nullptr)
        return;
    centred_ = true;
    const QRect area = screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

} // namespace velmora::perform
