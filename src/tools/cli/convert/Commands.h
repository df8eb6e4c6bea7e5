#pragma once
// The commands of korvane-convert. Each takes the parsed command line, writes its
// results to out, and returns the exit status; errors are raised as exceptions
// (the executable maps them to exit statuses).
#include <ostream>

#include "cli/ConvertTool.h"

namespace convert {

// --list INPUT: one line per mesh, then one per material, fields separated by tabs
// and escaped (TabSeparated.h). A file with neither raises "READ ERROR : INPUT".
int RunList(const Arguments& arguments, std::ostream& out);
// --remote-list ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH: one line per listing line,
// with the columns of the remote file grid separated by tabs and escaped.
int RunRemoteList(const Arguments& arguments, std::ostream& out);
// --pack OUT INPUT: writes INPUT packed as a .3da file.
int RunPack(const Arguments& arguments, std::ostream& out);
// --unpack OUT INPUT: writes the unpacked bytes of a .3da file.
int RunUnpack(const Arguments& arguments, std::ostream& out);

}  // namespace convert
