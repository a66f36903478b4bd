// Where the program's files live. The files kept "beside the program"
// (velmora.ini, ccmap.dat, trackgen.ini, default.syx, ...) are used in the
// executable's folder when that folder is writable, as in a portable
// install. Otherwise the files the program writes go to the per-user
// configuration folder, and files it only reads are looked for there, then
// beside the executable, then in the installed data folder.
#pragma once

#include <QString>

namespace velmora::AppPaths {

// The executable's folder, or the folder set for tests (see below).
QString ProgramFolder();

// The program folder when a file can be created in it, else the per-user
// configuration folder (created when missing). Probed once per program folder.
QString WritableFolder();

// `name` in the writable folder: where the program saves that file.
QString WritableFile(const QString& name);

// The first existing of: `name` in the writable folder, beside the
// executable, in "../share/velmora/" relative to the executable. When none
// exists, the path in the writable folder.
QString ReadableFile(const QString& name);

// Makes every function above use `folder` as the executable's folder; an
// empty string returns to the real one. The environment variable
// VELMORA_HOME does the same for a whole run.
void SetProgramFolderForTests(const QString& folder);

} // namespace velmora::AppPaths
