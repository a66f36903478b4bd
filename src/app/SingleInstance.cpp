#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace velmora {
namespace {

const QByteArray kRaise = QByteArrayLiteral("raise\n");
// Followed by a file's absolute path and a line end: open it.
const QByteArray kOpen = QByteArrayLiteral("open ");
constexpr int kConnectMs = 1000;

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("velmora-") + QString::number(getuid());
#else
    return QStringLiteral("velmora-") + qEnvironmentVariable("USERNAME");
#endif
}

bool SingleInstance::tryBecomeFirst(const QStringList& files)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(kConnectMs)) {
        socket.write(kRaise);
        for (const QString& file : files)
            socket.write(kOpen + file.toUtf8() + '\n');
        socket.waitForBytesWritten(kConnectMs);
        socket.disconnectFromServer();
        return false;
    }
    // Nobody answers: a socket file left by a copy that crashed is removed
    // before listening under the same name.
    QLocalServer::removeServer(name_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Without the socket the copies cannot meet; this one still runs.
        server_.reset();
        return true;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        auto readRequest = [this, client] {
            while (client->canReadLine()) {
                const QByteArray line = client->readLine();
                if (line == kRaise)
                    emit raiseRequested();
                else if (line.startsWith(kOpen))
                    emit openRequested(QString::fromUtf8(line.mid(kOpen.size()).chopped(1)));
            }
        };
        connect(client, &QLocalSocket::readyRead, client, readRequest);
        readRequest(); // the request may be here already
    }
}

void SingleInstance::raise(QWidget& window)
{
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void SingleInstance::showAlreadyRunning()
{
    QMessageBox::information(nullptr, tr("Velmora"),
                             tr("Another instance of this program is already active"),
                             QMessageBox::Ok);
}

} // namespace velmora
