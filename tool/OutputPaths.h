// Where vemosim's output files (saved scenarios, pictures) may go, checked before a run rather
// than found out after a long one.
#ifndef VEMO_TOOL_OUTPUTPATHS_H
#define VEMO_TOOL_OUTPUTPATHS_H

#include <string>

namespace vemosim {

// The path as seen from the folder we started in; we change folder before the run.
std::string fromStart(const std::string &start, const std::string &path);

// Why no output file can be written at path, or nothing when one can: its folder must exist,
// and path must be a regular file or nothing yet. A device node, pipe, symbolic link or
// folder there is never replaced or written through (the writer checks again when it writes).
std::string outputPathFault(const std::string &path);

// Whether two output paths name one file: the same file where both exist, otherwise the same
// place once the folders on the way are resolved. Two outputs there would leave only the
// last, whatever the run said it wrote.
bool samePlace(const std::string &a, const std::string &b);

}  // namespace vemosim

#endif
