#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace velmora::AppPaths {
namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

// A file that can be created and removed again tells that the folder is
// writable; permission bits alone do not (network shares, ACLs, read-only
// mounts).
bool canCreateFilesIn(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    const QString probe = QDir(folder).filePath(QStringLiteral(".velmora-probe-") +
                                                QUuid::createUuid().toString(QUuid::WithoutBraces));
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

// An installed program (".../bin/velmora" with ".../share/velmora" beside
// "bin") never writes into its folder: that belongs to the package manager,
// even for a user who could write there (root, or a prefix the user owns).
bool isInstalledProgram(const QString& folder)
{
    return QFileInfo(folder).fileName() == QStringLiteral("bin") &&
           QFileInfo(folder + QStringLiteral("/../share/velmora")).isDir();
}

QString userConfigFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString ProgramFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString home = qEnvironmentVariable("VELMORA_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    return QCoreApplication::applicationDirPath();
}

QString writableFolder()
{
    static QString probedFor;
    static QString writable;
    const QString program = ProgramFolder();
    if (probedFor != program || writable.isEmpty()) {
        writable = !isInstalledProgram(program) && canCreateFilesIn(program) ? program
                                                                             : userConfigFolder();
        probedFor = program;
    }
    return writable;
}

QString writableFile(const QString& name)
{
    return QDir(writableFolder()).filePath(name);
}

QString dataFolder()
{
    if (writableFolder() == ProgramFolder())
        return ProgramFolder();
    // Named here rather than taken from the application name: velmora-syx
    // and the program must find the same file.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Velmora");
    QDir().mkpath(folder);
    return folder;
}

QString dataFile(const QString& name)
{
    return QDir(dataFolder()).filePath(name);
}

QString readableFile(const QString& name)
{
    // Program data (the initial patch, say) is the executable's, wherever
    // the settings live: when VELMORA_HOME moves them, the real executable's
    // folder and its installed data folder are looked at too.
    const QString share = QStringLiteral("/../share/velmora/");
    const QString program = ProgramFolder();
    const QString executable = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        writableFile(name),
        QDir(program).filePath(name),
        QDir::cleanPath(program + share + name),
        QDir(executable).filePath(name),
        QDir::cleanPath(executable + share + name),
    };
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path))
            return path;
    }
    return candidates[0];
}

void setProgramFolderForTests(const QString& folder)
{
    folderOverride() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace velmora::AppPaths
