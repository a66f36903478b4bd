#include "perform/KeyboardWindow.h"

#include "protocol/Messages.h"
#include "protocol/ParameterSender.h"
#include "widgets/LevelBar.h"
#include "widgets/PanelStyle.h"
#include "widgets/PianoKeyboard.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <utility>

namespace velmora::perform {

using widgets::PianoKeyboard;
namespace panel = widgets::panel;

// A strip pressed with the mouse, like a ribbon controller: it reports where
// the button went down and when it came up, and lights up while held.
class Ribbon : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

signals:
    void pressed(int x);
    void released();

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), panel::screen);
        QLinearGradient ramp(0, 0, width(), 0);
        ramp.setColorAt(0, panel::traceDim);
        ramp.setColorAt(1, held_ ? panel::Trace : panel::Trace.darker(200));
        painter.fillRect(rect().adjusted(2, height() / 2 - 1, -2, -(height() / 2 - 1)), ramp);
        if (held_)
            painter.fillRect(QRect(at_ - 1, 2, 3, height() - 4), panel::Trace);
        painter.setPen(panel::caption);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        held_ = true;
        at_ = event->position().toPoint().x();
        update();
        emit pressed(at_);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !held_)
            return;
        held_ = false;
        update();
        emit released();
    }

private:
    bool held_ = false;
    int at_ = 0;
};

namespace {

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, panel::caption);
    label->setPalette(palette);
    return label;
}

} // namespace

KeyboardWindow::KeyboardWindow(MidiSink& output, ParameterSender& sender, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), keys(new PianoKeyboard(this)),
      tbTranspose(new QSlider(Qt::Horizontal, this)), iModwheel(new Ribbon(this)),
      lvlVelocity(new widgets::LevelBar(Qt::Horizontal, this)), output_(output), sender_(sender)
{
    setObjectName(QStringLiteral("frmKeys"));
    setWindowTitle(tr("Keyboard Emulator"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, panel::background);
    setPalette(palette);
    setAutoFillBackground(true);

    keys->setObjectName(QStringLiteral("Keys"));
    keys->setNoteWidth(20);
    keys->setBaseOctave(3);
    keys->setFixedSize(761, 105);
    keys->setToolTip(tr("Click to play a note"));
    connect(keys, &PianoKeyboard::notePressed, this, &KeyboardWindow::keysNoteOn);
    connect(keys, &PianoKeyboard::noteReleased, this, [this](int note) { keysNoteOff(note); });

    tbTranspose->setObjectName(QStringLiteral("tbTranspose"));
    tbTranspose->setRange(-2, 2);
    tbTranspose->setValue(0);
    tbTranspose->setPageStep(1);
    tbTranspose->setTickPosition(QSlider::TicksBelow);
    tbTranspose->setFixedWidth(110);
    tbTranspose->setToolTip(tr("Transpose"));
    connect(tbTranspose, &QSlider::valueChanged, this, &KeyboardWindow::applyTranspose);

    auto* ribbon = static_cast<Ribbon*>(iModwheel);
    ribbon->setObjectName(QStringLiteral("iModwheel"));
    ribbon->setFixedSize(255, 18);
    ribbon->setToolTip(tr("Ribbon Controller"));
    connect(ribbon, &Ribbon::pressed, this, &KeyboardWindow::pressModWheel);
    connect(ribbon, &Ribbon::released, this, &KeyboardWindow::releaseModWheel);

    lvlVelocity->setObjectName(QStringLiteral("lvlVelocity"));
    lvlVelocity->setMaxValue(127);
    lvlVelocity->setFixedSize(160, 12);
    lvlVelocity->setToolTip(tr("Velocity display"));

    auto* controls = new QHBoxLayout;
    controls->setSpacing(8);
    controls->addWidget(caption(tr("Transpose"), this));
    controls->addWidget(tbTranspose);
    transposeShown_ = caption(QStringLiteral("0"), this);
    transposeShown_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("+2 ")));
    controls->addWidget(transposeShown_);
    controls->addStretch();
    controls->addWidget(caption(tr("Ribbon"), this));
    controls->addWidget(iModwheel);
    controls->addStretch();
    controls->addWidget(caption(tr("Velocity"), this));
    controls->addWidget(lvlVelocity);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(19, 12, 20, 10);
    layout->setSpacing(10);
    layout->addWidget(keys);
    layout->addLayout(controls);
    setFixedSize(800, 164);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void KeyboardWindow::applyTranspose()
{
    const int octaves = tbTranspose->value();
    keys->setBaseOctave(octaves + 3);
    transposeShown_->setText(octaves > 0 ? QStringLiteral("+%1").arg(octaves)
                                         : QString::number(octaves));
}

void KeyboardWindow::keysNoteOn(int note, int velocity)
{
    // A note-on with velocity 0 is a note-off to the instrument: the very
    // top row of a key plays as softly as the instrument can.
    velocity_ = std::max(1, velocity);
    emit ledChanged(true);
    channel_ = sender_.channel();
    send([&] {
        const ShortMessage m =
            noteOn(channel_, static_cast<Byte>(note), static_cast<Byte>(velocity_));
        output_.sendShort(m.status, m.data1, m.data2);
    });
    lvlVelocity->setPosition(velocity_);
}

void KeyboardWindow::keysNoteOff(int note)
{
    send([&] {
        const ShortMessage m =
            noteOff(channel_, static_cast<Byte>(note), static_cast<Byte>(velocity_));
        output_.sendShort(m.status, m.data1, m.data2);
    });
    lvlVelocity->setPosition(0);
    emit ledChanged(false);
    if (!keys->held())
        QTimer::singleShot(0, this, &KeyboardWindow::showError);
}

void KeyboardWindow::endNotes()
{
    keys->letGo();
}

void KeyboardWindow::pressModWheel(int x)
{
    const int value = std::clamp(x / 2, 1, 127);
    send([&] { sender_.sendController(kModWheel, value); });
}

void KeyboardWindow::releaseModWheel()
{
    send([&] { sender_.sendController(kModWheel, 0); });
    QTimer::singleShot(0, this, &KeyboardWindow::showError);
}

// A failing output is remembered and told when the gesture ends: a message
// box in the middle of it would take the button's release from the keyboard
// and leave the key held.
void KeyboardWindow::send(const std::function<void()>& send)
{
    try {
        send();
    } catch (const std::exception& e) {
        error_ = QString::fromStdString(e.what());
    }
}

void KeyboardWindow::showError()
{
    if (!error_.isEmpty())
        emit errorOccurred(std::exchange(error_, QString()));
}

} // namespace velmora::perform

#include "KeyboardWindow.moc"
