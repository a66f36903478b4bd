// velmora-syx library: the program's patch library from the command line:
// import files and folders into it, list or search it, export from it. It
// opens the same database file the program does, also while the program has
// it open.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::syx {

// `args` starts with "library". Needs a QCoreApplication. Exit codes as
// runSyx: 1 when the library cannot be opened or a file could not be read
// or written, 2 for a wrong command line.
int runLibrary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velmora::syx
