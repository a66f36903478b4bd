#include "widgets/MenuActions.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace velmora::widgets {

QAction* addMenuAction(QWidget& window, QMenu* menu, const char* objectName, const QString& caption,
                       const QKeySequence& shortcut, const QString& hint)
{
    auto* action = new QAction(caption, &window);
    action->setObjectName(QLatin1String(objectName));
    action->setShortcut(shortcut);
    if (!hint.isEmpty()) {
        action->setStatusTip(hint);
        action->setToolTip(hint);
    }
    if (menu != nullptr)
        menu->addAction(action);
    window.addAction(action);
    return action;
}

} // namespace velmora::widgets
