#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace velmora::AppPaths {
namespace {

QString& FolderOverride()
{
    static QString folder;
    return folder;
}

// A file that can be created and removed again tells that the folder is
// writable; permission bits alone do not (network shares, ACLs, read-only
// mounts).
bool CanCreateFilesIn(const QString& folder)
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
bool IsInstalledProgram(const QString& folder)
{
    return QFileInfo(folder).fileName() == QStringLiteral("bin") &&
           QFileInfo(folder + QStringLiteral("/../share/velmora")).isDir();
}

QString UserConfigFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString ProgramFolder()
{
    if (!FolderOverride().isEmpty())
        return FolderOverride();
    const QString home = qEnvironmentVariable("VELMORA_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    return QCoreApplication::applicationDirPath();
}

QString WritableFolder()
{
    static QString probedFor;
    static QString writable;
    const QString program = ProgramFolder();
    if (probedFor != program || writable.isEmpty()) {
        writable = !IsInstalledProgram(program) && CanCreateFilesIn(program) ? program
                                                                             : UserConfigFolder();
        probedFor = program;
    }
    return writable;
}

QString WritableFile(const QString& name)
{
    return QDir(WritableFolder()).filePath(name);
}

QString ReadableFile(const QString& name)
{
    const QString program = ProgramFolder();
    const QString candidates[] = {
        WritableFile(name),
        QDir(program).filePath(name),
        QDir::cleanPath(program + QStringLiteral("/../share/velmora/") + name),
    };
    for (const QString& path : candidates) {
        if (QFileInfo::exists(path))
            return path;
    }
    return candidates[0];
}

void SetProgramFolderForTests(const QString& folder)
{
    FolderOverride() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

} // namespace velmora::AppPaths
