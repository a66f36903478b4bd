// Where the program's files live. The files kept "beside the program"
// (velmora.ini, ccmap.dat, trackgen.ini, default.syx, ...) are used in the
// executable's folder when that folder is writable, as in a portable
// install. An installed program (in a "bin" folder with "../share/velmora"
// beside it, as under /usr) and one whose folder is read-only write to the
// per-user configuration folder instead. Files the program only reads are
// looked for in the writable folder, then beside the executable, then in the
// installed data folder.
#pragma once

#include <QString>

namespace velmora::AppPaths {

// The executable's folder, or the folder set for tests (see below).
QString ProgramFolder();

// The program folder when it is not an installed one and a file can be
// created in it, else the per-user configuration folder (created when
// missing). Probed once per program folder.
QString writableFolder();

// `name` in the writable folder: where the program saves that file.
QString writableFile(const QString& name);

// Where the program keeps its data (the patch library): the program folder
// when that is the writable folder, as in a portable install, else the
// per-user data folder of Velmora (created when missing). The same folder
// whichever of the project's executables asks.
QString dataFolder();
QString dataFile(const QString& name);

// The first existing of: `name` in the writable folder, in the program
// folder, in "../share/velmora/" relative to it, and the same two for the
// real executable when VELMORA_HOME (or a test) set another program folder.
// When none exists, the path in the writable folder.
QString readableFile(const QString& name);

// Makes every function above use `folder` as the executable's folder; an
// empty string returns to the real one. The environment variable
// VELMORA_HOME does the same for a whole run.
void setProgramFolderForTests(const QString& folder);

} // namespace velmora::AppPaths
