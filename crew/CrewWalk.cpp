// The module's one walk over the vessel list, a slice each frame (see CrewWalk.h).
#include "CrewWalk.h"

#include <cmath>
#include <cstring>

#include "CrewManager.h"
#include "CrewNames.h"

namespace {

// Vessels looked at from the top of the list for those that came since the last slice: more
// coming in one frame are found by the next pass instead.
constexpr DWORD MAX_NEW_VESSELS_LOOKED_AT = 8;

// The walk goes down the list, from its last vessel to its first. The simulator adds a vessel
// at the end of the list, and takes one out either by moving every later vessel down a place
// or by moving its last vessel into the gap. Either way a vessel below the walk's place keeps
// a place below it, so no vessel that was there when a pass began is passed over, however
// the list changes; one moved from above is at worst walked twice. Vessels added during a
// pass stand above the walk's place; each slice first looks at the top of the list for them.
struct Walk {
    bool walked;        // the candidates belong to the frame at frameTime
    double frameTime;   // s: oapiGetSimTime of that frame
    DWORD next;         // the slice walks down from the index below this one; 0: a new pass
    OBJHANDLE top;      // the last vessel of the list when the last slice was walked
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

// Looks at the vessel at index i: a candidate when it is a crew-member or transfer vessel and
// not among the first newCandidates (those found new at the end of the list). False when the
// candidate list is full. The cheap tests come first and nothing is copied: a
// vessel that is not of the crew-member class costs three host calls and a comparison.
bool LookAt(Walk &w, DWORD i, OBJHANDLE handle, int newCandidates) {
    VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
    if (!vessel || !HasCrewVesselClass(*vessel)) {
        return true;
    }
    const DWORD parentCount = vessel->AttachmentCount(true);
    const char *name = parentCount >= 2 ? vessel->GetName() : nullptr;
    // A transfer vessel whose member is aboard already is nobody's to take.
    const bool transfer = IsTransferVesselName(name) && !IsTakenAboard(*vessel, parentCount);
    if (!transfer && !(parentCount >= 2 && CrewMemberPoint(*vessel, parentCount))) {
        return true;
    }
    for (int k = 0; k < newCandidates; ++k) {
        if (w.candidates[k].vessel == handle) {
            return true;  // new at the end of the list, and in the slice as well
        }
    }
    if (w.count == MAX_CREW_CANDIDATES) {
        return false;
    }
    CrewCandidate &c = w.candidates[w.count++];
    c.vessel = handle;
    c.index = i;
    c.transfer = transfer;
    // Where it stands: a member tests it against an airlock box, and so does a transfer
    // vessel whose receiving vessel is gone.
    oapiGetGlobalPos(handle, &c.global);
    return true;
}

// Walks this frame's slice: the vessels that came since the last one, then the next share of
// the list, downwards.
void WalkSlice(Walk &w) {
    const DWORD listSize = oapiGetVesselCount();
    w.count = 0;
    const OBJHANDLE top =
        listSize > 0 ? oapiGetVesselByIndex(static_cast<int>(listSize - 1)) : nullptr;
    OBJHANDLE handle = top;
    for (DWORD k = 0; w.top && handle != w.top && k < MAX_NEW_VESSELS_LOOKED_AT && k < listSize;) {
        LookAt(w, listSize - 1 - k, handle, w.count);
        ++k;
        handle = k < listSize ? oapiGetVesselByIndex(static_cast<int>(listSize - 1 - k)) : nullptr;
    }
    w.top = top;
    const int newCandidates = w.count;

    DWORD i = w.next < listSize ? w.next : listSize;
    if (i == 0) {
        i = listSize;  // a new pass, from the top
    }
    const DWORD size = SliceSize(listSize);
    const DWORD end = i > size ? i - size : 0;
    for (; i > end; --i) {
        if (!LookAt(w, i - 1, oapiGetVesselByIndex(static_cast<int>(i - 1)), newCandidates)) {
            break;  // the list is full: the next slice starts with this vessel
        }
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
