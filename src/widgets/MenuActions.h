// Menu commands as every window of the program makes them.
#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace velmora::widgets {

// A command of `window` named `objectName`, shown in `menu` (when there is
// one) and held by the window as well, so that its shortcut works while the
// menu bar is hidden. `hint` is its status-bar text and tooltip.
QAction* addMenuAction(QWidget& window, QMenu* menu, const char* objectName, const QString& caption,
                       const QKeySequence& shortcut = {}, const QString& hint = {});

} // namespace velmora::widgets
