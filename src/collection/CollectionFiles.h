// Reading files into the patch library and writing its patches out again.
// An import lists the files of the paths given (folders searched through),
// reads every one with the librarian's file readers, then adds all their
// patches in one transaction: cancelled or failed, it keeps nothing. A file
// that cannot be read is reported and the others go in. Exports write the
// instrument's own patch messages, each file replaced atomically.
#pragma once

#include "collection/PatchCollection.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <variant>
#include <vector>

namespace velmora::collection {

// The files an import reads: each file named as it is, each folder searched
// through (its subfolders too, links followed but never twice) for .syx,
// .mid, .midi, .vmp and .vmb files in any case, in the order of their paths.
// Paths that do not exist are left out (see importPaths for the message).
QStringList importFiles(const QStringList& paths);
bool hasImportExtension(const QString& path);

// One file's problem, in plain words.
struct FileProblem
{
    QString file;
    QString message;
};

// What one file gives: its patches (with the file as their source), or the
// reader's message when it cannot be read. Patches whose checksum is wrong
// are left out and counted.
struct FilePatches
{
    std::vector<IncomingPatch> patches;
    int badChecksums = 0;
    QString error;
};
FilePatches readImportFile(const QString& path);

// Progress of an import: the phase ("Reading files", "Adding to the
// library"), how far it is and of how much. Returning false cancels.
using ImportProgress = std::function<bool(const QString& phase, int done, int total)>;

struct ImportResult
{
    AddSummary summary;
    int files = 0;                     // files read
    std::vector<FileProblem> problems; // per file: unreadable, bad checksums, no patches
    QString error;                     // the library refused the patches (nothing added)
};

// Reads every file of `paths`, then adds all their patches at once.
ImportResult importPaths(PatchCollection& collection, const QStringList& paths,
                         const ImportProgress& progress = {});

// A bank file of the patches (at most 100), in the order given: the bytes a
// bank file of the program has, patch messages numbered 0, 1, ... An empty
// string when written, else the message.
QString exportBank(const PatchCollection& collection, std::span<const PatchId> ids,
                   const QString& file);
// One .syx of the patches' messages in the order given, any number of them
// (numbered 0..99 over and over).
QString exportMessages(const PatchCollection& collection, std::span<const PatchId> ids,
                       const QString& file);
// One .syx per patch into `folder`, named after the patch ("BRASS 1.syx",
// "BRASS 1 (2).syx" for a second one, never over an existing file): the
// files written, or the message of the first failure (the files written
// before it stay).
struct SinglesResult
{
    QStringList written;
    QString error;
};
SinglesResult exportSingles(const PatchCollection& collection, std::span<const PatchId> ids,
                            const QString& folder);

// A patch name made usable as a file name on every system.
QString safeFileName(const QString& name);

} // namespace velmora::collection
