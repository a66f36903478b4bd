// The look of a hardware panel shared by every window: a dark panel, lime
// traces and lamps, red LCD digits. `applyPanelStyle` sets the Fusion style
// with lime scroll-bar handles, a dark palette for lists, combo boxes and
// buttons, and a style sheet for group frames, sliders and tabs; the widgets
// of this folder draw themselves with the colours below.
#pragma once

#include <QColor>

class QApplication;

namespace velmora::widgets {

namespace panel {
inline const QColor background{0x2B, 0x2D, 0x30};
inline const QColor face{0x3A, 0x3D, 0x41};
inline const QColor text{0xE4, 0xE4, 0xE0};
inline const QColor caption{0xC8, 0xCC, 0xB4};
inline const QColor Trace{0x00, 0xFF, 0x00}; // lime
inline const QColor traceDim{0x0B, 0x4A, 0x0B};
inline const QColor lcdOn{0xFF, 0x20, 0x10};
inline const QColor lcdOff{0x3A, 0x08, 0x06};
inline const QColor screen{0x00, 0x00, 0x00};
} // namespace panel

void applyPanelStyle(QApplication& application);

} // namespace velmora::widgets
