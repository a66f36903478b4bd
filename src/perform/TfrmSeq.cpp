#include "TfrmSeq.h"

#include "Messages.h"
#include "MidiSink.h"
#include "PatchEditing.h"
#include "TIACheckControl.h"
#include "TSwitch.h"
#include "TVrLed.h"
#include "Tag.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
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
constexpr int kBarTicks = 12;
constexpr int kBarHeight = 160;
// TSwitch counts positions from the top: swOctave top = up an octave,
// swMode top = forward.
constexpr int kOctaveMiddle = 1;
constexpr int kForwardPosition = 0;

// The envelopes' trigger-mode bytes and their parameters, envelope 1 to 3.
constexpr Byte kMultiBit = 2;
constexpr std::array<std::pair<std::size_t, Byte>, 3> kTriggerBytes{{{49, 57}, {58, 67}, {67, 77}}};

// The folder part of a file name, up to and including the last separator.
QString FolderOf(const QString& path)
{
    const QString name = QDir::fromNativeSeparators(path);
    return name.left(name.lastIndexOf(QLatin1Char('/')) + 1);
}

template <typename Hook, typename... Args> void Call(const Hook& hook, const Args&... args)
{
    if (hook)
        hook(args...);
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

void TfrmSeq::BuildControls()
{
    auto* central = new QWidget(this);
    auto* steps = new QGridLayout;
    steps->setHorizontalSpacing(10);
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString n = QString::number(k + 1);
        leds_[i] = new widgets::TVrLed(central);
        leds_[i]->setObjectName(QStringLiteral("LED") + n);
        leds_[i]->setToolTip(QStringLiteral("Active Step led"));
        labels_[i] = new QLabel(central);
        labels_[i]->setObjectName(QStringLiteral("Label") + n);
        labels_[i]->setAlignment(Qt::AlignCenter);
        labels_[i]->setMinimumWidth(
            labels_[i]->fontMetrics().horizontalAdvance(QStringLiteral("000")));
        QSlider* bar = bars_[i] = new QSlider(Qt::Vertical, central);
        bar->setObjectName(QStringLiteral("Bar") + n);
        bar->setRange(Sequence::kLowestNote, Sequence::kHighestNote);
        bar->setTickPosition(QSlider::TicksBothSides);
        bar->setTickInterval(kBarTicks);
        bar->setMinimumHeight(kBarHeight);
        widgets::SetTag(bar, k);
        connect(bar, &QSlider::valueChanged, this,
                [this, bar](int position) { Bar1Change(widgets::TagOf(bar), position); });
        widgets::TIACheckControl* mute = mutes_[i] = new widgets::TIACheckControl(n);
        mute->setParent(central);
        mute->setObjectName(QStringLiteral("Mute") + QString::number(k));
        mute->setToolTip(QStringLiteral("Mute"));
        widgets::SetTag(mute, k);
        connect(mute, &widgets::TIACheckControl::Click, this,
                [this, mute] { Mute0Click(widgets::TagOf(mute)); });
        steps->addWidget(leds_[i], 0, k, Qt::AlignHCenter);
        steps->addWidget(labels_[i], 1, k, Qt::AlignHCenter);
        steps->addWidget(bar, 2, k, Qt::AlignHCenter);
        steps->addWidget(mute, 3, k, Qt::AlignHCenter);
    }

    const auto caption = [central](const char* text) {
        return new QLabel(QString::fromLatin1(text), central);
    };
    swOctave = new widgets::TSwitch(3, Qt::Vertical, central);
    swOctave->setObjectName(QStringLiteral("swOctave"));
    swOctave->setToolTip(QStringLiteral("Transpose the entire sequence"));
    swOctave->setFixedSize(18, 60);
    swMode = new widgets::TSwitch(2, Qt::Vertical, central);
    swMode->setObjectName(QStringLiteral("swMode"));
    swMode->setToolTip(QStringLiteral("Select playback mode"));
    swMode->setFixedSize(18, 40);
    auto* switches = new QGridLayout;
    switches->setVerticalSpacing(2);
    switches->addWidget(caption("Transpose"), 0, 0, 1, 2);
    switches->addWidget(caption("+"), 1, 0, Qt::AlignRight | Qt::AlignTop);
    switches->addWidget(caption("-"), 2, 0, Qt::AlignRight | Qt::AlignBottom);
    switches->addWidget(swOctave, 1, 1, 2, 1);
    switches->addWidget(caption("Mode"), 4, 0, 1, 2);
    switches->addWidget(swMode, 5, 1, 2, 1);
    switches->addWidget(caption("Forward"), 5, 2, Qt::AlignTop);
    switches->addWidget(caption("Backward"), 6, 2, Qt::AlignBottom);
    switches->setRowMinimumHeight(3, 12);
    switches->setRowStretch(7, 1);
    connect(swOctave, &widgets::TSwitch::Changed, this, &TfrmSeq::swOctaveChange);
    connect(swMode, &widgets::TSwitch::Changed, this, &TfrmSeq::swModeChange);
    swOctave->SetPosition(kOctaveMiddle);
    swMode->SetPosition(kForwardPosition);

    tbTempo = new QSlider(Qt::Horizontal, central);
    tbTempo->setObjectName(QStringLiteral("tbTempo"));
    tbTempo->setToolTip(QStringLiteral("Sets the playback tempo"));
    tbTempo->setRange(Sequence::kTempoBarMin, Sequence::kTempoBarMax);
    tbTempo->setPageStep(50);
    connect(tbTempo, &QSlider::valueChanged, this, &TfrmSeq::tbTempoChange);
    btnPlay = new QPushButton(QStringLiteral("Play"), central);
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnPlay->setToolTip(QStringLiteral("Start the sequencer"));
    connect(btnPlay, &QPushButton::clicked, this, &TfrmSeq::StartSeq);
    btnStop = new QPushButton(QStringLiteral("Stop"), central);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setToolTip(QStringLiteral("Stop sequencer playback"));
    connect(btnStop, &QPushButton::clicked, this, &TfrmSeq::StopSeq);

    auto* top = new QHBoxLayout;
    top->addLayout(steps);
    top->addSpacing(16);
    top->addLayout(switches);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(caption("Tempo"));
    bottom->addWidget(tbTempo, 1);
    bottom->addSpacing(12);
    bottom->addWidget(btnPlay);
    bottom->addWidget(btnStop);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
}

QAction* TfrmSeq::AddAction(QMenu* menu, const char* name, const QString& caption,
                            const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? caption : hint);
    if (menu != nullptr)
        menu->addAction(action);
    addAction(action);
    return action;
}

void TfrmSeq::BuildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(AddAction(file, "aOpen", QStringLiteral("&Open..."), QKS(QStringLiteral("Ctrl+O")),
                      QStringLiteral("Load a sequence from disk")),
            &QAction::triggered, this, &TfrmSeq::aOpenExecute);
    connect(AddAction(file, "aSave", QStringLiteral("&Save..."), QKS(QStringLiteral("Ctrl+S")),
                      QStringLiteral("Save sequence to disk")),
            &QAction::triggered, this, &TfrmSeq::SaveSequence);
    file->addSeparator();
    connect(AddAction(file, "aExit", QStringLiteral("Exit"), QKS(QStringLiteral("Ctrl+X"))),
            &QAction::triggered, this, &QWidget::close);

    QMenu* play = menuBar()->addMenu(QStringLiteral("&Play"));
    aPlay = AddAction(play, "aPlay", QStringLiteral("&Play"), QKS(QStringLiteral("Ctrl+P")));
    connect(aPlay, &QAction::triggered, this, &TfrmSeq::aPlayExecute);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(AddAction(help, "aSeqHelp", QStringLiteral("Sequencer &Help"), QKS(Qt::Key_F1)),
            &QAction::triggered, this, [this] { Call(OnHelp, kHelpTopic); });
    connect(AddAction(help, "aShortcuts", QStringLiteral("&Keyboard Shortcuts")),
            &QAction::triggered, this, [this] { Call(OnHelp, kShortcutsHelpTopic); });

    // Keys 1..8 toggle the mutes; they have no menu item.
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const QByteArray name = "aMute" + QByteArray::number(k);
        QAction* mute = AddAction(nullptr, name.constData(), QStringLiteral("Mute %1").arg(k + 1),
                                  QKS(Qt::Key_1 + k));
        connect(mute, &QAction::triggered, this, [this, k] { aMuteExecute(k); });
    }
}

QAction* TfrmSeq::Action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

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
    Call(initPatchControls);
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
