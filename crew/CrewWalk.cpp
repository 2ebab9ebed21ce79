// The module's one walk over the vessel list, a slice each frame (see CrewWalk.h).
#include "CrewWalk.h"

#include <cmath>
#include <cstring>

#include "CrewManager.h"
#include "CrewNames.h"

namespace {

struct Walk {
    bool walked;       // the candidates belong to the frame at frameTime
    double frameTime;  // s: oapiGetSimTime of that frame
    DWORD next;        // list index the next slice starts at
    OBJHANDLE anchor;  // the last vessel the last slice walked; null at the start of a pass
    int count;
    CrewCandidate candidates[MAX_CREW_CANDIDATES];
};

Walk g_walk;  // zero at load time; one per module, as every module links its own library

// Vessels in a slice: enough that a whole pass over the list takes at most one period plus
// one step. A step of no length (before the host's first) or one longer than the period
// walks the whole list.
DWORD SliceSize(DWORD listSize) {
    const double step = oapiGetSimStep();
    if (!(step > 0.0) || step >= RETURNING_CREW_SCAN_PERIOD) {
        return listSize;
    }
    const double share = std::ceil(listSize * (step / RETURNING_CREW_SCAN_PERIOD));
    return share < 1.0 ? 1 : static_cast<DWORD>(share);
}

// Where this frame's slice starts. The simulator removes a vessel from its list by moving the
// last vessel into its place, so every other vessel keeps its index. When the anchor no
// longer stands where the last slice left it, it has gone and the last vessel stands there
// now: the slice starts with that one. (A vessel moved into a place the walk has passed is
// walked in the next pass, within one period more.)
DWORD ResumeAt(const Walk &w, DWORD listSize) {
    if (!w.anchor || w.next == 0) {
        return w.next;
    }
    const DWORD last = w.next - 1;
    if (last < listSize && oapiGetVesselByIndex(static_cast<int>(last)) == w.anchor) {
        return w.next;
    }
    return last;
}

// Walks the next slice. The cheap tests come first and nothing is copied: a vessel that is
// not of the crew-member class costs three host calls and a comparison.
void WalkSlice(Walk &w) {
    const DWORD listSize = oapiGetVesselCount();
    DWORD i = ResumeAt(w, listSize);
    if (i >= listSize) {
        i = 0;  // a new pass
    }
    const DWORD size = SliceSize(listSize);
    const DWORD end = size < listSize - i ? i + size : listSize;
    w.count = 0;
    w.anchor = nullptr;
    for (; i < end; ++i) {
        const OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
        if (vessel && HasCrewVesselClass(*vessel)) {
            const DWORD parentCount = vessel->AttachmentCount(true);
            const char *name = parentCount >= 2 ? vessel->GetName() : nullptr;
            // A transfer vessel whose member is aboard already is nobody's to take.
            const bool transfer =
                IsTransferVesselName(name) && !IsTakenAboard(*vessel, parentCount);
            if (transfer || (parentCount >= 2 && CrewMemberPoint(*vessel, parentCount))) {
                if (w.count == MAX_CREW_CANDIDATES) {
                    break;  // the next slice starts with this vessel
                }
                CrewCandidate &c = w.candidates[w.count++];
                c.vessel = handle;
                c.index = i;
                c.transfer = transfer;
                c.global = VECTOR3{{0.0, 0.0, 0.0}};
                if (!transfer) {
                    oapiGetGlobalPos(handle, &c.global);
                }
            }
        }
        w.anchor = handle;
    }
    w.next = i;
}

}  // namespace

CrewCandidate *CrewCandidatesOfThisFrame(int &count) {
    Walk &w = g_walk;
    const double now = oapiGetSimTime();
    if (!w.walked || now != w.frameTime) {
        WalkSlice(w);
        w.walked = true;
        w.frameTime = now;
    }
    count = w.count;
    return w.candidates;
}

bool CrewCandidateListed(CrewCandidate &candidate) {
    if (!candidate.vessel) {
        return false;
    }
    // Within the frame of its walk the simulator's list does not change but for vessels
    // added at its end, so the candidate stands at its index; a host that removes vessels at
    // once may have moved it, and it is then passed over until a later walk finds it again.
    if (candidate.index < oapiGetVesselCount() &&
        oapiGetVesselByIndex(static_cast<int>(candidate.index)) == candidate.vessel) {
        return true;
    }
    candidate.vessel = nullptr;  // no need to look again
    return false;
}

void TakeCrewCandidate(CrewCandidate &candidate) {
    candidate.vessel = nullptr;
}

void ResetCrewModuleStateForTesting() {
    std::memset(&g_walk, 0, sizeof g_walk);
}
