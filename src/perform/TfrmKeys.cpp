#include "TfrmKeys.h"

#include "TfrmNoteValue.h"

#include "Messages.h"
#include "PanelStyle.h"
#include "ParameterSender.h"
#include "TKeys.h"
#include "TLevelBar.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
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
namespace {

using widgets::TKeys;
namespace panel = widgets::panel;

// A strip pressed with the mouse, like a ribbon controller: it reports where
// the button went down and when it came up, and lights up while held.
class Ribbon : public QWidget
{
public:
    using QWidget::QWidget;

    std::function<void(int x)> OnMouseDown;
    std::function<void()> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), panel::Screen);
        QLinearGradient ramp(0, 0, width(), 0);
        ramp.setColorAt(0, panel::TraceDim);
        ramp.setColorAt(1, held_ ? panel::Trace : panel::Trace.darker(200));
        painter.fillRect(rect().adjusted(2, height() / 2 - 1, -2, -(height() / 2 - 1)), ramp);
        if (held_)
            painter.fillRect(QRect(at_ - 1, 2, 3, height() - 4), panel::Trace);
        painter.setPen(panel::Caption);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        held_ = true;
        at_ = event->position().toPoint().x();
        update();
        if (OnMouseDown)
            OnMouseDown(at_);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !held_)
            return;
        held_ = false;
        update();
        if (OnMouseUp)
            OnMouseUp();
    }

private:
    bool held_ = false;
    int at_ = 0;
};

QLabel* Caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, panel::Caption);
    label->setPalette(palette);
    return label;
}

} // namespace

TfrmKeys::TfrmKeys(MidiSink& output, ParameterSender& sender, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Keys(new TKeys(this)),
      tbTranspose(new QSlider(Qt::Horizontal, this)), iModwheel(new Ribbon(this)),
      lvlVelocity(new widgets::TLevelBar(Qt::Horizontal, this)), output_(output), sender_(sender)
{
    setObjectName(QStringLiteral("frmKeys"));
    setWindowTitle(QStringLiteral("Keyboard Emulator"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, panel::Background);
    setPalette(palette);
    setAutoFillBackground(true);

    Keys->setObjectName(QStringLiteral("Keys"));
    Keys->SetNoteWidth(20);
    Keys->SetBaseOctave(3);
    Keys->setFixedSize(761, 105);
    Keys->setToolTip(QStringLiteral("Click to play a note"));
    Keys->OnNoteOn = [this](TKeys&, int note, int velocity) { KeysNoteOn(note, velocity); };
    Keys->OnNoteOff = [this](TKeys&, int note, int) { KeysNoteOff(note); };

    tbTranspose->setObjectName(QStringLiteral("tbTranspose"));
    tbTranspose->setRange(-2, 2);
    tbTranspose->setValue(0);
    tbTranspose->setPageStep(1);
    tbTranspose->setTickPosition(QSlider::TicksBelow);
    tbTranspose->setFixedWidth(110);
    tbTranspose->setToolTip(QStringLiteral("Transpose"));
    connect(tbTranspose, &QSlider::valueChanged, this, &TfrmKeys::tbTransposeChange);

    auto* ribbon = static_cast<Ribbon*>(iModwheel);
    ribbon->setObjectName(QStringLiteral("iModwheel"));
    ribbon->setFixedSize(255, 18);
    ribbon->setToolTip(QStringLiteral("Ribbon Controller"));
    ribbon->OnMouseDown = [this](int x) { iModwheelMouseDown(x); };
    ribbon->OnMouseUp = [this] { iModwheelMouseUp(); };

    lvlVelocity->setObjectName(QStringLiteral("lvlVelocity"));
    lvlVelocity->SetMaxValue(127);
    lvlVelocity->setFixedSize(160, 12);
    lvlVelocity->setToolTip(QStringLiteral("Velocity display"));

    auto* controls = new QHBoxLayout;
    controls->setSpacing(8);
    controls->addWidget(Caption(QStringLiteral("Transpose"), this));
    controls->addWidget(tbTranspose);
    transposeShown_ = Caption(QStringLiteral("0"), this);
    transposeShown_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("+2 ")));
    controls->addWidget(transposeShown_);
    controls->addStretch();
    controls->addWidget(Caption(QStringLiteral("Ribbon"), this));
    controls->addWidget(iModwheel);
    controls->addStretch();
    controls->addWidget(Caption(QStringLiteral("Velocity"), this));
    controls->addWidget(lvlVelocity);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(19, 12, 20, 10);
    layout->setSpacing(10);
    layout->addWidget(Keys);
    layout->addLayout(controls);
    setFixedSize(800, 164);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmKeys::tbTransposeChange()
{
    const int octaves = tbTranspose->value();
    Keys->SetBaseOctave(octaves + 3);
    transposeShown_->setText(octaves > 0 ? QStringLiteral("+%1").arg(octaves)
                                         : QString::number(octaves));
}

void TfrmKeys::KeysNoteOn(int note, int velocity)
{
    // A note-on with velocity 0 is a note-off to the instrument: the very
    // top row of a key plays as softly as the instrument can.
    velocity_ = std::max(1, velocity);
    Led(true);
    const int channel = sender_.Channel();
    Send([&] {
        const ShortMessage m =
            NoteOn(channel, static_cast<Byte>(note), static_cast<Byte>(velocity_));
        output_.SendShort(m.status, m.data1, m.data2);
    });
    lvlVelocity->SetPosition(velocity_);
}

void TfrmKeys::KeysNoteOff(int note)
{
    const int channel = sender_.Channel();
    Send([&] {
        const ShortMessage m =
            NoteOff(channel, static_cast<Byte>(note), static_cast<Byte>(velocity_));
        output_.SendShort(m.status, m.data1, m.data2);
    });
    lvlVelocity->SetPosition(0);
    Led(false);
    if (!Keys->Held())
        QTimer::singleShot(0, this, &TfrmKeys::ShowError);
}

void TfrmKeys::iModwheelMouseDown(int x)
{
    const int value = std::clamp(x / 2, 1, 127);
    Send([&] { sender_.SendController(kModWheel, value); });
}

void TfrmKeys::iModwheelMouseUp()
{
    Send([&] { sender_.SendController(kModWheel, 0); });
    QTimer::singleShot(0, this, &TfrmKeys::ShowError);
}

// A failing output is remembered and told when the gesture ends: a message
// box in the middle of it would take the button's release from the keyboard
// and leave the key held.
void TfrmKeys::Send(const std::function<void()>& send)
{
    try {
        send();
    } catch (const std::exception& e) {
        error_ = QString::fromStdString(e.what());
    }
}

void TfrmKeys::Led(bool lit)
{
    if (OnLed)
        OnLed(lit);
}

void TfrmKeys::ShowError()
{
    ShowKeptError(error_, OnMessage, this);
}

} // namespace velmora::perform
