// The module's one walk over the vessel list, a slice each frame (see CrewWalk.h).
#include "CrewWalk.h"

#include <cmath>
#include <cstring>

#include "CrewManager.h"
#include "CrewNames.h"

namespace {

// What a vessel that wants crew spends testing one candidate against its airlock, as a share
// of what the walk spends on one vessel of the list.
constexpr double CANDIDATE_TEST_SHARE = 0.125;
// Frames are counted from times; this much of a frame is rounding, s.
constexpr double FRAME_TIME_ROUNDING = 1e-9;

struct Walk {
    bool walked;        // the candidates belong to the frame at frameTime
    double frameTime;   // s: oapiGetSimTime of that frame
    DWORD next;         // list index the next slice starts at
    OBJHANDLE anchor;   // the last vessel the last slice walked; null at the start of a pass
    bool anchorTaken;   // the anchor was a candidate and has been taken aboard
    DWORD takenBefore;  // candidates of the last slice taken aboard: they leave the list,
                        // all of them before `next`
    double passStart;   // s: frame time of the pass's first slice
    int passFound;      // candidates found so far in this pass
    int lastPassFound;  // and in the whole last pass
    int testers;        // vessels that asked for this frame's candidates
    int lastTesters;    // and for the last frame's
    int count;
    CrewCandidate candidates[MAX_CREW_CANDIDATES];
};

Walk g_walk;  // zero at load time; one per module, as every module links its own library

// How much of the list this frame's slice walks, in vessels, a candidate counting for the
// tests every vessel that wants crew makes of it: the pass's work, as the last pass found
// it, spread evenly over the period's frames. Members that cluster in the list (new vessels
// come at its end) thus make longer slices of few vessels, and no frame carries their tests.
// At least the slice walks enough vessels to end the pass within the period plus one step,
// and at most twice the list's even share unless it must walk more for that.
// A step of no length (before the host's first) or one longer than the period walks the
// whole list.
struct SliceShare {
    double budget;         // vessels, candidates weighed
    double candidateCost;  // what a candidate weighs
    DWORD atLeast;         // vessels
    DWORD atMost;          // vessels, unless atLeast is more: twice the list's even share
};

SliceShare ShareOfThisFrame(const Walk &w, DWORD from, DWORD listSize, double now) {
    const double step = oapiGetSimStep();
    const DWORD remaining = listSize - from;
    if (!(step > 0.0) || step >= RETURNING_CREW_SCAN_PERIOD) {
        return {0.0, 0.0, remaining, remaining};
    }
    const double share = step / RETURNING_CREW_SCAN_PERIOD;
    const double candidateCost = 1.0 + CANDIDATE_TEST_SHARE * w.lastTesters;
    const double budget = std::ceil((listSize + candidateCost * w.lastPassFound) * share);
    const double left = RETURNING_CREW_SCAN_PERIOD - (now - w.passStart);
    const double framesLeft = std::floor(left / step + FRAME_TIME_ROUNDING) + 1.0;
    const DWORD atLeast =
        framesLeft <= 1.0 ? remaining : static_cast<DWORD>(std::ceil(remaining / framesLeft));
    const DWORD atMost = 2 * static_cast<DWORD>(std::ceil(listSize * share));
    return {budget, candidateCost, atLeast < 1 ? 1 : atLeast, atMost};
}

// Where this frame's slice starts. Vessels that left the list since the last slice moved
// every vessel after them down. This module's own leavers are counted (the candidates it took
// aboard); the anchor, found again, shows what else left. When the anchor itself has left and
// was not ours to take, the vessel after it now stands where it stood.
DWORD ResumeAt(const Walk &w, DWORD listSize) {
    if (!w.anchor) {
        return w.next;
    }
    if (w.anchorTaken) {
        return w.next - w.takenBefore;
    }
    const DWORD expected = w.next - 1 - w.takenBefore;
    for (DWORD j = expected < listSize ? expected + 1 : listSize; j-- > 0;) {
        if (oapiGetVesselByIndex(static_cast<int>(j)) == w.anchor) {
            return j + 1;
        }
    }
    return expected;
}

// Walks the next slice. The cheap tests come first and nothing is copied: a vessel that is
// not of the crew-member class costs three host calls and a comparison.
void WalkSlice(Walk &w, double now) {
    const DWORD listSize = oapiGetVesselCount();
    DWORD i = ResumeAt(w, listSize);
    if (i >= listSize) {
        i = 0;
    }
    if (i == 0) {  // a new pass
        w.passStart = now;
        w.lastPassFound = w.passFound;
        w.passFound = 0;
    }
    const SliceShare share = ShareOfThisFrame(w, i, listSize, now);
    const DWORD start = i;
    double spent = 0.0;
    w.count = 0;
    w.takenBefore = 0;
    w.anchorTaken = false;
    w.anchor = nullptr;
    for (; i < listSize &&
           (i - start < share.atLeast || (spent < share.budget && i - start < share.atMost));
         ++i) {
        spent += 1.0;
        const OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
        if (vessel && HasCrewVesselClass(*vessel)) {
            const DWORD parentCount = vessel->AttachmentCount(true);
            const char *name = parentCount >= 2 ? vessel->GetName() : nullptr;
            const bool transfer = IsTransferVesselName(name);
            if (transfer || (parentCount >= 2 && CrewMemberPoint(*vessel, parentCount))) {
                if (w.count == MAX_CREW_CANDIDATES) {
                    break;  // the next slice starts with this vessel
                }
                CrewCandidate &c = w.candidates[w.count++];
                spent += share.candidateCost;
                ++w.passFound;
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
        w.lastTesters = w.testers;
        w.testers = 0;
        WalkSlice(w, now);
        w.walked = true;
        w.frameTime = now;
    }
    ++w.testers;
    count = w.count;
    return w.candidates;
}

bool CrewCandidateListed(CrewCandidate &candidate) {
    if (!candidate.vessel) {
        return false;
    }
    const DWORD listSize = oapiGetVesselCount();
    for (DWORD j = candidate.index < listSize ? candidate.index + 1 : listSize; j-- > 0;) {
        if (oapiGetVesselByIndex(static_cast<int>(j)) == candidate.vessel) {
            candidate.index = j;
            return true;
        }
    }
    candidate.vessel = nullptr;  // gone: no need to look again
    return false;
}

void TakeCrewCandidate(CrewCandidate &candidate) {
    if (!candidate.vessel) {
        return;
    }
    if (candidate.vessel == g_walk.anchor) {
        g_walk.anchorTaken = true;
    }
    ++g_walk.takenBefore;
    candidate.vessel = nullptr;
}

void ResetCrewModuleStateForTesting() {
    std::memset(&g_walk, 0, sizeof g_walk);
}
