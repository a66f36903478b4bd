#include "widgets/PanelStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>

namespace velmora::widgets {

namespace {

// Colours the style sheet needs besides the panel's own.
const QColor kWell{0x1A, 0x1B, 0x1D};
const QColor kEdge{0x6E, 0x72, 0x68};
const QColor kHandle{0xB8, 0xBC, 0xB0};
const QColor kDisabledText{0x80, 0x82, 0x80};
const QColor kHighlight{0x2E, 0x7D, 0x32};

// Fusion with a lime scroll-bar handle in a dark well. Scroll bars are left
// to the style rather than the style sheet, which would drop their arrows.
class PanelProxyStyle : public QProxyStyle
{
public:
    PanelProxyStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control != CC_ScrollBar)
            return;
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (bar == nullptr)
            return;
        const QRect groove = subControlRect(CC_ScrollBar, bar, SC_ScrollBarGroove, widget);
        const QRect handle = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
        const bool enabled = (bar->state & State_Enabled) != 0;
        const bool pressed =
            (bar->activeSubControls & SC_ScrollBarSlider) != 0 && (bar->state & State_Sunken) != 0;
        painter->save();
        painter->fillRect(groove, kWell);
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF knob = QRectF(handle).adjusted(1.5, 1.5, -1.5, -1.5);
        painter->setPen(QPen(enabled ? panel::traceDim : panel::face, 1.0));
        painter->setBrush(!enabled  ? panel::face
                          : pressed ? panel::Trace.lighter(140)
                                    : panel::Trace);
        if (!knob.isEmpty() && bar->maximum > bar->minimum)
            painter->drawRoundedRect(knob, 2, 2);
        painter->restore();
    }
};

QPalette panelPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, panel::background);
    palette.setColor(QPalette::WindowText, panel::text);
    palette.setColor(QPalette::Base, kWell);
    palette.setColor(QPalette::AlternateBase, panel::face);
    palette.setColor(QPalette::Text, panel::text);
    palette.setColor(QPalette::Button, panel::face);
    palette.setColor(QPalette::ButtonText, panel::text);
    palette.setColor(QPalette::BrightText, panel::Trace);
    palette.setColor(QPalette::Highlight, kHighlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, panel::face);
    palette.setColor(QPalette::ToolTipText, panel::text);
    palette.setColor(QPalette::PlaceholderText, kDisabledText);
    palette.setColor(QPalette::Link, panel::Trace);
    palette.setColor(QPalette::LinkVisited, panel::caption);
    palette.setColor(QPalette::Light, panel::face.lighter(150));
    palette.setColor(QPalette::Midlight, panel::face.lighter(120));
    palette.setColor(QPalette::Mid, panel::face.darker(130));
    palette.setColor(QPalette::Dark, panel::background.darker(150));
    palette.setColor(QPalette::Shadow, QColor(0x0C, 0x0C, 0x0C));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    palette.setColor(QPalette::Disabled, QPalette::Button, panel::background);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, panel::face);
    return palette;
}

// Sizes are in device-independent pixels or in em, so the sheet scales with
// the display; no font size is set, the system font stays as it is.
QString panelStyleSheet()
{
    QString sheet = QStringLiteral(R"(
QGroupBox {
    border: 1px solid @edge;
    border-radius: 3px;
    margin-top: 0.7em;
    padding-top: 0.5em;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 8px;
    padding: 0px 1px;
    color: @caption;
    background-color: @background;
}
QGroupBox::title:disabled { color: @disabled; }

QSlider::groove:horizontal {
    height: 4px; background: @well; border: 1px solid @edge; border-radius: 2px;
}
QSlider::groove:vertical {
    width: 4px; background: @well; border: 1px solid @edge; border-radius: 2px;
}
QSlider::handle:horizontal {
    width: 8px; margin: -7px 0px; background: @handle; border: 1px solid @well;
    border-radius: 2px;
}
QSlider::handle:vertical {
    height: 8px; margin: 0px -7px; background: @handle; border: 1px solid @well;
    border-radius: 2px;
}
QSlider::handle:focus { background: @trace; }
QSlider::handle:disabled { background: @face; }

QTabWidget::pane { border: 1px solid @edge; top: -1px; }
QTabBar::tab {
    background: @face; color: @text; border: 1px solid @edge; border-bottom: none;
    border-top-left-radius: 3px; border-top-right-radius: 3px;
    padding: 0.25em 1em; margin-right: 2px;
}
QTabBar::tab:selected { background: @background; color: @trace; }
QTabBar::tab:!selected { margin-top: 2px; }
QTabBar::tab:disabled { color: @disabled; }
)");
    const std::initializer_list<std::pair<const char*, QColor>> colours{
        {"@background", panel::background},
        {"@face", panel::face},
        {"@text", panel::text},
        {"@caption", panel::caption},
        {"@tracedim", panel::traceDim},
        {"@trace", panel::Trace},
        {"@well", kWell},
        {"@edge", kEdge},
        {"@handle", kHandle},
        {"@disabled", kDisabledText},
        {"@highlight", kHighlight},
    };
    for (const auto& [name, colour] : colours)
        sheet.replace(QLatin1String(name), colour.name());
    return sheet;
}

} // namespace

void applyPanelStyle(QApplication& application)
{
    application.setStyle(new PanelProxyStyle);
    application.setPalette(panelPalette());
    application.setStyleSheet(panelStyleSheet());
}

} // namespace velmora::widgets
