// Crew lines that a vessel's roster refused when its scenario was loaded, kept to be written
// back when the vessel is saved: the lines beyond the seat limit, lines it could not read, and
// every crew line (and transfer line) while the companion module is missing (the roster is
// then never ready). The host's parser does not keep lines it does not know, so without this
// every member named in such a line would be lost by loading and saving the scenario.
//
// A vessel holds one by value beside its CrewManager:
//
//     clbkLoadStateEx  Clear() first; for every line LoadCrewLine refuses, Keep(line)
//     clbkSaveState    after SaveCrewLines, Write(scn)
//
// The lines are kept however many there are and however long each is, in one block taken
// from the heap while the scenario loads (never during a step) and given back by Clear() or
// when the vessel is destroyed in ovcExit. Its size is bounded by the crew lines of the
// vessel's own scenario block.
#ifndef VEMO_CREW_KEPTCREWLINES_H
#define VEMO_CREW_KEPTCREWLINES_H

#include <cstddef>

#include "Orbitersdk.h"

class KeptCrewLines {
public:
    KeptCrewLines() : text(nullptr), used(0), capacity(0), count(0) {}
    ~KeptCrewLines() { Clear(); }
    KeptCrewLines(const KeptCrewLines &) = delete;
    KeptCrewLines &operator=(const KeptCrewLines &) = delete;

    // Keeps a copy of line if it is a crew line or a transfer line (CrewManager::IsCrewLine,
    // IsTransferLine); other lines are the host's business. CREW_OK kept; CREW_REFUSED not a crew line (or null); CREW_ERROR no
    // memory for it: the line is lost, and the host's log says so.
    int Keep(const char *line);

    // Writes every kept line in the order it was kept, as the host's item (the keyword as
    // written) and value (the rest, leading blanks dropped), so each reads back as it was read.
    void Write(FILEHANDLE scn);

    // Forgets every kept line and gives their memory back.
    void Clear();

    int Count() const { return count; }

private:
    // Each line is stored as its item and its value, each terminated, one after another.
    char *text;
    std::size_t used;      // bytes of text in use
    std::size_t capacity;  // bytes of text allocated
    int count;             // lines kept
};

#endif  // VEMO_CREW_KEPTCREWLINES_H
