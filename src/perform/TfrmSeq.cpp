#include "TfrmSeq.h"

#include "Messages.h"
#include "MidiSink.h"
#include "PatchEditing.h"
#include "SysexFiles.h"
#include "TIACheckControl.h"
#include "TSwitch.h"
#include "TVrLed.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include <exception>
#include <utility>

namespace velmora::perform {
namespace {

const QString kCaption = QStringLiteral("Sequencer");
const QString kNoOutput = QStringLiteral("No Midi Out port available");

// The envelopes' trigger-mode bytes and their parameters, envelope 1 to 3.
constexpr Byte kMultiBit = 2;
constexpr std::array<std::pair<std::size_t, Byte>, 3> kTriggerBytes{{{49, 57}, {58, 67}, {67, 77}}};

// The folder part of a file name, up to and including the last separator,
// as the librarian remembers its folders.
QString FolderOf(const QString& path)
{
    return QString::fromStdString(library::FolderPart(path.toStdString()));
}

} // namespace

TfrmSeq::TfrmSeq(MidiSink& output, std::function<int()> channel, QString& sequencePath,
                 QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      output_(output), channel_(std::move(channel)), sequencePath_(sequencePath)
{
    setObjectName(QStringLiteral("frmSeq"));
    setWindowTitle(kCaption);
    timer_.SetThreadPriority(QThread::TimeCriticalPriority);
    timer_.SetOnTimer([this](TThreadTimer&) { TimerTimer(); });
    BuildControls();
    BuildMenus();
    sequence_.Rewind();
    UpdateControls();
    ShowPlaying(false);
}

TfrmSeq::~TfrmSeq() = default;

void TfrmSeq::SetMultiTriggers(editor::PatchEditing& editing)
{
    if (editing.Loading())
        return;
    for (const auto& [offset, parameter] : kTriggerBytes) {
        Byte& trigger = editing.Patch()[offset];
        trigger = static_cast<Byte>(trigger | kMultiBit);
        editing.Sender().SendParameter(parameter, trigger);
    }
}

void TfrmSeq::OpenForPatch(editor::PatchEditing& editing,
                           const std::function<void()>& initPatchControls)
{
    SetMultiTriggers(editing);
    if (initPatchControls)
        initPatchControls();
    show();
    raise();
    activateWindow();
}

void TfrmSeq::StartSeq()
{
    if (Playing())
        return;
    if (!output_.IsOpen()) {
        Tell(kNoOutput);
        return;
    }
    timer_.SetInterval(sequence_.Period());
    timer_.SetEnabled(true);
    ShowPlaying(true);
}

void TfrmSeq::StopSeq()
{
    timer_.SetEnabled(false);
    sequence_.Rewind();
    ShowPlaying(false);
    for (widgets::TVrLed* led : leds_)
        led->SetActive(false);
}

void TfrmSeq::ShowPlaying(bool playing)
{
    btnStop->setEnabled(playing);
    btnPlay->setEnabled(!playing);
    aPlay->setText(playing ? QStringLiteral("&Stop") : QStringLiteral("&Play"));
}

void TfrmSeq::TimerTimer()
{
    const Sequence::Tick tick = sequence_.Advance();
    leds_[static_cast<std::size_t>(tick.step)]->SetActive(true);
    if (tick.note && output_.IsOpen()) {
        const int channel = channel_ ? channel_() : 0;
        const auto note = static_cast<Byte>(*tick.note);
        try {
            const ShortMessage on = NoteOn(channel, note);
            const ShortMessage off = NoteOff(channel, note);
            output_.SendShort(on.status, on.data1, on.data2);
            output_.SendShort(off.status, off.data1, off.data2);
        } catch (const std::exception& e) {
            // A failed port would fail every step: stop, and tell it once.
            StopSeq();
            Tell(QString::fromLocal8Bit(e.what()));
            return;
        }
    }
    if (tick.darkenStep)
        leds_[static_cast<std::size_t>(*tick.darkenStep)]->SetActive(false);
}

void TfrmSeq::UpdateControls()
{
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QSignalBlocker block(bars_[i]);
        bars_[i]->setValue(sequence_.Note(k));
        labels_[i]->setText(QString::number(sequence_.Note(k)));
        mutes_[i]->setChecked(sequence_.Muted(k));
    }
    const QSignalBlocker blockTempo(tbTempo);
    tbTempo->setValue(Sequence::kTempoBarMax - sequence_.Period());
    const QSignalBlocker blockOctave(swOctave);
    swOctave->SetPosition(kOctaveMiddle - sequence_.Octave());
    const QSignalBlocker blockMode(swMode);
    const bool forward = sequence_.GetDirection() == Sequence::Direction::Forward;
    swMode->SetPosition(forward ? kForwardPosition : 1 - kForwardPosition);
    timer_.SetInterval(sequence_.Period());
}

void TfrmSeq::Bar1Change(int step, int position)
{
    sequence_.SetNote(step, position);
    labels_[static_cast<std::size_t>(step)]->setText(QString::number(sequence_.Note(step)));
}

void TfrmSeq::Mute0Click(int step)
{
    sequence_.SetMuted(step, mutes_[static_cast<std::size_t>(step)]->isChecked());
}

void TfrmSeq::aMuteExecute(int step)
{
    widgets::TIACheckControl* mute = mutes_[static_cast<std::size_t>(step)];
    mute->setChecked(!mute->isChecked());
    sequence_.SetMuted(step, mute->isChecked());
}

void TfrmSeq::tbTempoChange(int position)
{
    sequence_.SetPeriod(Sequence::kTempoBarMax - position);
    timer_.SetInterval(sequence_.Period());
}

void TfrmSeq::swOctaveChange()
{
    sequence_.SetOctave(kOctaveMiddle - swOctave->Position());
}

void TfrmSeq::swModeChange()
{
    sequence_.SetDirection(swMode->Position() == kForwardPosition ? Sequence::Direction::Forward
                                                                  : Sequence::Direction::Backward);
}

void TfrmSeq::aPlayExecute()
{
    if (Playing())
        StopSeq();
    else
        StartSeq();
}

void TfrmSeq::aOpenExecute()
{
    OpenSequence();
    StartSeq();
}

void TfrmSeq::OpenSequence()
{
    const FileRequest request{sequencePath_,
                              QStringLiteral("*.vms"),
                              QStringLiteral("Velmora Sequence Files (*.vms)"),
                              {}};
    if (const auto path = AskFile(OnOpenDialog, request, false))
        LoadSequenceFile(*path);
}

bool TfrmSeq::LoadSequenceFile(const QString& path)
{
    sequencePath_ = FolderOf(path);
    const auto read = ReadSequenceFile(path);
    if (const auto* error = std::get_if<QString>(&read)) {
        Tell(*error);
        return false;
    }
    if (Playing())
        StopSeq();
    sequence_.Apply(std::get<Sequence::Record>(read));
    UpdateControls();
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + kCaption);
    return true;
}

void TfrmSeq::SaveSequence()
{
    const Sequence::Record record = sequence_.ToRecord();
    const FileRequest request{sequencePath_, QStringLiteral("Sequence"),
                              QStringLiteral("Velmora Sequence (*.vms)"), QStringLiteral("vms")};
    const auto path = AskFile(OnSaveDialog, request, true);
    if (!path)
        return;
    sequencePath_ = FolderOf(*path);
    if (const auto error = WriteSequenceFile(*path, record)) {
        Tell(*error);
        return;
    }
    setWindowTitle(QFileInfo(*path).fileName() + QStringLiteral(" - ") + kCaption);
}

std::optional<QString> TfrmSeq::AskFile(const FileDialog& dialog, const FileRequest& request,
                                        bool save)
{
    if (dialog)
        return dialog(request);
    QFileDialog platform(this, QString(), request.folder, request.filter);
    platform.selectFile(request.fileName);
    platform.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    platform.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    platform.setDefaultSuffix(request.defaultSuffix);
    if (platform.exec() != QDialog::Accepted || platform.selectedFiles().isEmpty())
        return std::nullopt;
    return platform.selectedFiles().constFirst();
}

void TfrmSeq::Tell(const QString& text)
{
    if (OnMessage)
        OnMessage(text);
    else
        QMessageBox::information(this, kCaption, text);
}

void TfrmSeq::closeEvent(QCloseEvent* event)
{
    if (Playing())
        StopSeq();
    QMainWindow::closeEvent(event);
}

void TfrmSeq::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_ || screen() == nullptr)
        return;
    centred_ = true;
    const QRect area = screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

} // namespace velmora::perform
