// Opening the files of the crew protocol (CrewNames.h): the hand-over records, the companion's
// version file and its module file. They lie in the simulator's folder, where any other
// program may have put something else under their names, so a file is used only when it is
// what it claims to be.
//
// On POSIX systems a path is walked folder by folder from the current folder: no folder may
// be a symbolic link, and the file itself must be a regular file, not a link, pipe, device
// or folder. A hand-over record, written or read, must have no other name either (a hard
// link): the other name may lie outside the simulator's folder. Opening never blocks (a pipe with
// no writer would hang the simulator), and a write never goes through a link to somewhere else.
// Anything else counts as a missing file and is written to the host's log. On Windows the plain C
// library open is used: the simulator runs there, and its folder is the user's own.
//
// This is the only place in the crew library that knows about the platform's files.
#ifndef VEMO_CREW_CREWFILE_H
#define VEMO_CREW_CREWFILE_H

#include <cstdio>

enum CrewFileMode {
    CREW_FILE_READ,         // an existing regular file, from its start ("rb")
    CREW_FILE_READ_RECORD,  // the same, and no other name leads to it (no hard link)
    CREW_FILE_WRITE,        // a regular file with no other name emptied first, or a new one
                            // ("wb")
};

// The file at path (relative to the current folder, separators as CrewNames.h spells them)
// opened as mode says, or null: missing, not a regular file, or a folder on the way that is
// missing or not a real folder. A file that is there but is no regular file is logged.
std::FILE *OpenCrewFile(const char *path, CrewFileMode mode);

// Removes the file at path when it is a regular file reached as above; true when it is gone
// (it may never have been there). Anything else at that name is left alone.
bool RemoveCrewFile(const char *path);

#endif  // VEMO_CREW_CREWFILE_H
