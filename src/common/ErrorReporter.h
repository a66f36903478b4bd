// The one place where a failed command becomes a message for the user. A
// window runs what may fail (a MIDI send, a port change, a file command)
// through `run`; an exception it throws is reported as `errorReported`
// instead of unwinding into Qt's event loop. The main window shows what is
// reported; a test collects it.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace velmora {

class ErrorReporter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Runs `command`; true when it finished, false when it threw and the
    // error was reported.
    bool run(const std::function<void()>& command);
    void report(const QString& text);

signals:
    void errorReported(const QString& text);
};

} // namespace velmora
