// The sequencer window's controls and menus: the eight steps, the tempo
// bar, the switches, the play and stop buttons, and their actions.
#include "perform/SequencerWindow.h"

#include "widgets/LampButton.h"
#include "widgets/Led.h"
#include "widgets/MenuActions.h"
#include "widgets/PanelSwitch.h"
#include "widgets/Tag.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

namespace velmora::perform {
namespace {

constexpr int kBarTicks = 12;
constexpr int kBarHeight = 160;

} // namespace

void SequencerWindow::buildControls()
{
    auto* central = new QWidget(this);
    auto* steps = new QGridLayout;
    steps->setHorizontalSpacing(10);
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString n = QString::number(k + 1);
        leds_[i] = new widgets::Led(central);
        leds_[i]->setObjectName(QStringLiteral("LED") + n);
        leds_[i]->setToolTip(tr("Active Step led"));
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
        widgets::setTag(bar, k);
        connect(bar, &QSlider::valueChanged, this,
                [this, bar](int position) { applyStepNote(widgets::tagOf(bar), position); });
        widgets::LampButton* mute = mutes_[i] = new widgets::LampButton(n);
        mute->setParent(central);
        mute->setObjectName(tr("Mute") + QString::number(k));
        mute->setToolTip(tr("Mute"));
        widgets::setTag(mute, k);
        connect(mute, &widgets::LampButton::userToggled, this,
                [this, mute] { toggleStepMute(widgets::tagOf(mute)); });
        steps->addWidget(leds_[i], 0, k, Qt::AlignHCenter);
        steps->addWidget(labels_[i], 1, k, Qt::AlignHCenter);
        steps->addWidget(bar, 2, k, Qt::AlignHCenter);
        steps->addWidget(mute, 3, k, Qt::AlignHCenter);
    }

    const auto caption = [central](const QString& text) { return new QLabel(text, central); };
    swOctave = new widgets::PanelSwitch(3, Qt::Vertical, central);
    swOctave->setObjectName(QStringLiteral("swOctave"));
    swOctave->setToolTip(tr("Transpose the entire sequence"));
    swOctave->setFixedSize(18, 60);
    swMode = new widgets::PanelSwitch(2, Qt::Vertical, central);
    swMode->setObjectName(QStringLiteral("swMode"));
    swMode->setToolTip(tr("Select playback mode"));
    swMode->setFixedSize(18, 40);
    auto* switches = new QGridLayout;
    switches->setVerticalSpacing(2);
    switches->addWidget(caption(tr("Transpose")), 0, 0, 1, 2);
    switches->addWidget(caption(tr("+")), 1, 0, Qt::AlignRight | Qt::AlignTop);
    switches->addWidget(caption(tr("-")), 2, 0, Qt::AlignRight | Qt::AlignBottom);
    switches->addWidget(swOctave, 1, 1, 2, 1);
    switches->addWidget(caption(tr("Mode")), 4, 0, 1, 2);
    switches->addWidget(swMode, 5, 1, 2, 1);
    switches->addWidget(caption(tr("Forward")), 5, 2, Qt::AlignTop);
    switches->addWidget(caption(tr("Backward")), 6, 2, Qt::AlignBottom);
    switches->setRowMinimumHeight(3, 12);
    switches->setRowStretch(7, 1);
    connect(swOctave, &widgets::PanelSwitch::changed, this, &SequencerWindow::applyOctave);
    connect(swMode, &widgets::PanelSwitch::changed, this, &SequencerWindow::applyDirection);
    swOctave->setPosition(kOctaveMiddle);
    swMode->setPosition(kForwardPosition);

    tbTempo = new QSlider(Qt::Horizontal, central);
    tbTempo->setObjectName(QStringLiteral("tbTempo"));
    tbTempo->setToolTip(tr("Sets the playback tempo"));
    tbTempo->setRange(Sequence::kTempoBarMin, Sequence::kTempoBarMax);
    tbTempo->setPageStep(50);
    connect(tbTempo, &QSlider::valueChanged, this, &SequencerWindow::applyTempo);
    btnPlay = new QPushButton(tr("Play"), central);
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnPlay->setToolTip(tr("Start the sequencer"));
    connect(btnPlay, &QPushButton::clicked, this, &SequencerWindow::startSeq);
    btnStop = new QPushButton(tr("Stop"), central);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setToolTip(tr("Stop sequencer playback"));
    connect(btnStop, &QPushButton::clicked, this, &SequencerWindow::stopSeq);

    auto* top = new QHBoxLayout;
    top->addLayout(steps);
    top->addSpacing(16);
    top->addLayout(switches);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(caption(tr("Tempo")));
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

void SequencerWindow::buildMenus()
{
    using QKS = QKeySequence;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    connect(widgets::addMenuAction(*this, file, "aOpen", tr("&Open..."),
                                   QKS(QStringLiteral("Ctrl+O")), tr("Load a sequence from disk")),
            &QAction::triggered, this, &SequencerWindow::openFromFile);
    connect(widgets::addMenuAction(*this, file, "aSave", tr("&Save..."),
                                   QKS(QStringLiteral("Ctrl+S")), tr("Save sequence to disk")),
            &QAction::triggered, this, &SequencerWindow::saveSequence);
    file->addSeparator();
    connect(widgets::addMenuAction(*this, file, "aExit", tr("Exit"), QKS(QStringLiteral("Ctrl+X"))),
            &QAction::triggered, this, &QWidget::close);

    QMenu* play = menuBar()->addMenu(tr("&Play"));
    aPlay =
        widgets::addMenuAction(*this, play, "aPlay", tr("&Play"), QKS(QStringLiteral("Ctrl+P")));
    connect(aPlay, &QAction::triggered, this, &SequencerWindow::togglePlay);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(widgets::addMenuAction(*this, help, "aSeqHelp", tr("Sequencer &Help"), QKS(Qt::Key_F1)),
            &QAction::triggered, this, [this] { emit helpRequested(kHelpTopic); });
    connect(widgets::addMenuAction(*this, help, "aShortcuts", tr("&Keyboard Shortcuts")),
            &QAction::triggered, this, [this] { emit helpRequested(kShortcutsHelpTopic); });

    // Keys 1..8 toggle the mutes; they have no menu item.
    for (int k = 0; k < Sequence::kSteps; ++k) {
        const QByteArray name = "aMute" + QByteArray::number(k);
        QAction* mute = widgets::addMenuAction(*this, nullptr, name.constData(),
                                               tr("Mute %1").arg(k + 1), QKS(Qt::Key_1 + k));
        connect(mute, &QAction::triggered, this, [this, k] { toggleMute(k); });
    }
}

QAction* SequencerWindow::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

} // namespace velmora::perform
