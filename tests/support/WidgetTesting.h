// Small helpers for the widget tests: controls found by their object name,
// and an answer for a modal dialog, message box or popup menu that a command
// is about to open.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace velmora::test {

// The child of `parent` of type T with the object name `name`; fails the
// test (and returns null) when there is none.
template <typename T = QWidget> T* child(const QObject& parent, const QString& name)
{
    T* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "no control named " << name.toStdString();
    return found;
}

// The button of type T among the children of `parent` that reads `text`
// (with its "&" mark), for the buttons that have no object name; fails the
// test (and returns null) when there is none.
template <typename T = QAbstractButton> T* button(const QObject& parent, const QString& text)
{
    for (T* found : parent.findChildren<T*>())
        if (found->text() == text)
            return found;
    ADD_FAILURE() << "no button reading " << text.toStdString();
    return nullptr;
}

// Runs `act` on the dialog of type D (a QDialog, a QMessageBox, a QMenu) as
// soon as it is shown as the modal or popup widget. Call it before the
// command that opens the dialog; it looks every 10 ms and fails the test
// when nothing of that type showed within 5 s. With a `guard`, nothing runs
// after the guard is gone.
template <typename D = QWidget, typename Act>
void whenShown(Act act, QObject* guard = nullptr, int triesLeft = 500)
{
    QObject* context = guard != nullptr ? guard : qApp;
    QTimer::singleShot(triesLeft == 500 ? 0 : 10, context, [act, guard, triesLeft] {
        QWidget* shown = QApplication::activeModalWidget();
        if (qobject_cast<D*>(shown) == nullptr)
            shown = QApplication::activePopupWidget();
        if (auto* dialog = qobject_cast<D*>(shown))
            act(*dialog);
        else if (triesLeft > 0)
            whenShown<D>(act, guard, triesLeft - 1);
        else
            ADD_FAILURE() << "the expected dialog did not show";
    });
}

} // namespace velmora::test
