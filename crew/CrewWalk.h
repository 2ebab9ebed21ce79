// The module's one walk over the host's vessel list for crew coming back aboard.
//
// The simulator tells a module nothing when vessels come or go, so a crew-capable vessel must
// look through the vessel list for members standing in its airlock. Every crew-capable vessel
// of the module looks for the same vessels, though: crew-member vessels showing their "V-em"
// point, and transfer vessels. So the module walks the list once for all of them, and each
// vessel tests only what the walk found against its own airlock.
//
// The walk is spread over the scan period: each frame it walks the next slice of the list
// (down from its end, so that vessels leaving the list, in whatever way the host closes the
// gap, never make it pass over another; see CrewWalk.cpp),
// sized by the frame's step so that a whole pass takes RETURNING_CREW_SCAN_PERIOD plus at most
// one step, and every vessel that wants crew tests that slice's candidates in the same frame.
// A member standing in an airlock is thus found within the period plus one step, however many
// vessels there are, and every frame carries the same small share of the work.
//
// What a walk finds is kept for its frame only. The simulator destroys deleted vessels when
// the frame ends, so a handle kept past it may point to nothing; a later frame walks afresh.
#ifndef VEMO_CREW_CREWWALK_H
#define VEMO_CREW_CREWWALK_H

#include "Orbitersdk.h"

// Most candidates one frame's slice keeps; the slice ends early at a candidate that finds the
// list full, and the walk goes on from it in the next frame.
inline constexpr int MAX_CREW_CANDIDATES = 4096;

// A vessel the walk found that a crew-capable vessel may take aboard: a crew-member vessel
// (class "Vemo...", two or more to-parent points, the last one "V-em") or a transfer vessel
// (the same class and points, the last one any, named "VemoT" + the receiving vessel). Nothing
// of it is copied but its handle and, for a member, where it stands.
struct CrewCandidate {
    OBJHANDLE vessel;  // null once a vessel of this module has taken it aboard
    DWORD index;       // where the vessel stands in the host's vessel list
    VECTOR3 global;    // the vessel's position in the global frame, m
    bool transfer;     // a transfer vessel
};

// The candidates of this frame's slice of the vessel list, in decreasing list order (those
// new at its end first), and their number.
// The first call in a frame (a new oapiGetSimTime) walks the slice; later calls in the same
// frame give the same candidates. Allocates nothing.
CrewCandidate *CrewCandidatesOfThisFrame(int &count);

// Most candidates CrewCandidatesNear gives one vessel.
inline constexpr int MAX_NEAR_CANDIDATES = 64;

// The candidates of this frame a vessel may take aboard whose airlock lies within reach (m)
// of the global position: every transfer vessel, and the crew members that may stand within
// reach (a few more, never fewer), as indices into CrewCandidatesOfThisFrame's candidates in
// increasing order, written to nearby (room for nearbySize); their number. -1 when the vessel
// must test every candidate instead: the frame has few, the reach is too long for the grid
// the walk keeps of its members, or more than nearbySize are near. Allocates nothing.
// So a frame whose slice holds many members costs each vessel the members near it, not all.
int CrewCandidatesNear(const VECTOR3 &global, double reach, int *nearby, int nearbySize);

// Whether the candidate's vessel is still in the host's vessel list, at its index. A vessel
// is asked nothing unless it is in the list, since a handle the host has let go of points to
// nothing; within the frame its candidates were walked in, it always is in the simulator.
bool CrewCandidateListed(CrewCandidate &candidate);

// A candidate of this frame is taken aboard: no other vessel of the module takes it.
void TakeCrewCandidate(CrewCandidate &candidate);

// Test support only: forgets the walk, as if the module had just been loaded. Never called by
// module code.
void ResetCrewModuleStateForTesting();

#endif  // VEMO_CREW_CREWWALK_H
