// One running copy per user. The first copy listens on a local socket under
// a per-user name; a second copy finds it there, asks it to come to the
// front and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QWidget;

namespace velmora {

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `name` is the socket's name; the default is the program's per-user one.
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "velmora-" followed by the user's id (Unix) or name (Windows).
    static QString defaultName();

    // True when no other copy answers: this copy then listens from now on.
    // False when another copy runs: it has been asked to come to the front.
    // `files` are handed to the first copy to open.
    bool tryBecomeFirst(const QStringList& files = {});

    // Restores a minimised window and brings it to the front.
    static void raise(QWidget& window);
    // "Another instance of this program is already active" (OK).
    static void showAlreadyRunning();

signals:
    // On the first copy, on the user-interface thread, each time a later
    // copy starts.
    void raiseRequested();
    // On the first copy, for each file a later copy was given.
    void openRequested(const QString& path);

private:
    void acceptConnections();

    QString name_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace velmora
