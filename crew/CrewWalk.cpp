// The module's one walk over the vessel list, a slice each frame (see CrewWalk.h).
#include "CrewWalk.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "CrewManager.h"
#include "CrewNames.h"

namespace {

// Vessels looked at from the top of the list for those that came since the last slice: more
// coming in one frame are found by the next pass instead.
constexpr DWORD MAX_NEW_VESSELS_LOOKED_AT = 8;

// Candidates in a frame up to which a vessel tests them all: so few cost less to test than to
// look up in the grid.
constexpr int FEW_CANDIDATES = 4;

// The grid of a frame's members, so that a vessel tests only those near its airlock. A cell's
// edge, m: a reach up to one cell spans at most three cells along each axis (27 in all); a
// longer one tests every candidate.
constexpr double GRID_CELL = 64.0;
constexpr int MOST_CELLS_LOOKED_AT = 27;
// Added to a query's reach, m, so that no rounding of far positions (1e11 m from the sun's
// centre, some 1e-5 m apart) puts a member within reach into a cell the query passes over.
constexpr double GRID_REACH_SLACK = 1.0;
// Cell coordinates are held within this range, so that any finite position converts safely;
// positions beyond it share the end cells, which only makes a query find more.
constexpr double GRID_CELL_LIMIT = 1e15;
// Buckets the cells hash into: a power of two, twice the most candidates.
constexpr int GRID_BUCKETS = 2 * MAX_CREW_CANDIDATES;
static_assert((GRID_BUCKETS & (GRID_BUCKETS - 1)) == 0, "GRID_BUCKETS is a power of two");
constexpr int NO_CANDIDATE = -1;

// The members of a frame's candidates by cell, chained per bucket, and its transfer vessels.
// A bucket holds members only while its stamp is the grid's, so nothing is cleared per frame.
struct Grid {
    bool built;      // for the candidates of the walk's frame
    unsigned stamp;  // of this frame's buckets
    int transfers;
    unsigned bucketStamp[GRID_BUCKETS];
    int head[GRID_BUCKETS];         // the last member put in the bucket
    int next[MAX_CREW_CANDIDATES];  // the member put in the same bucket before this one
    int transfer[MAX_CREW_CANDIDATES];
};

// The walk goes down the list, from its last vessel to its first. The simulator adds a vessel
// at the end of the list, and takes one out either by moving every later vessel down a place
// or by moving its last vessel into the gap. Either way a vessel below the walk's place keeps
// a place below it, so no vessel that was there when a pass began is passed over, however
// the list changes; one moved from above is at worst walked twice. Vessels added during a
// pass stand above the walk's place; each slice first looks at the top of the list for them.
struct Walk {
    bool walked;       // the candidates belong to the frame at frameTime
    double frameTime;  // s: oapiGetSimTime of that frame
    DWORD next;        // the slice walks down from the index below this one; 0: a new pass
    OBJHANDLE top;     // the last vessel of the list when the last slice was walked
    int count;
    CrewCandidate candidates[MAX_CREW_CANDIDATES];
    Grid grid;
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
    w.grid.built = false;
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

bool Finite(const VECTOR3 &p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

long long CellOf(double x) {
    return static_cast<long long>(
        std::fmax(-GRID_CELL_LIMIT, std::fmin(std::floor(x / GRID_CELL), GRID_CELL_LIMIT)));
}

int BucketOf(long long x, long long y, long long z) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h = (h ^ static_cast<std::uint64_t>(y)) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ static_cast<std::uint64_t>(z)) * 0x165667B19E3779F9ull;
    return static_cast<int>((h >> 32) & (GRID_BUCKETS - 1));
}

// Puts this frame's members in the grid, and lists its transfer vessels. A member at no
// finite position is inside no box and left out.
void BuildGrid(Walk &w) {
    Grid &g = w.grid;
    if (++g.stamp == 0) {
        std::memset(g.bucketStamp, 0, sizeof g.bucketStamp);
        g.stamp = 1;
    }
    g.transfers = 0;
    for (int k = 0; k < w.count; ++k) {
        const CrewCandidate &c = w.candidates[k];
        if (c.transfer) {
            g.transfer[g.transfers++] = k;
        } else if (Finite(c.global)) {
            const int b = BucketOf(CellOf(c.global.x), CellOf(c.global.y), CellOf(c.global.z));
            g.next[k] = g.bucketStamp[b] == g.stamp ? g.head[b] : NO_CANDIDATE;
            g.head[b] = k;
            g.bucketStamp[b] = g.stamp;
        }
    }
    g.built = true;
}

// Adds the members of the buckets of the cells within reach of global to nearby, each bucket
// once. False when they do not fit, or the cells are more than were planned for.
bool AddMembersNear(const Grid &g, const VECTOR3 &global, double reach, int *nearby, int nearbySize,
                    int &found) {
    int seen[MOST_CELLS_LOOKED_AT];
    int seenCount = 0;
    const long long x1 = CellOf(global.x + reach), y1 = CellOf(global.y + reach);
    const long long z1 = CellOf(global.z + reach);
    for (long long x = CellOf(global.x - reach); x <= x1; ++x) {
        for (long long y = CellOf(global.y - reach); y <= y1; ++y) {
            for (long long z = CellOf(global.z - reach); z <= z1; ++z) {
                const int b = BucketOf(x, y, z);
                bool again = g.bucketStamp[b] != g.stamp;  // empty this frame
                for (int i = 0; i < seenCount && !again; ++i) {
                    again = seen[i] == b;
                }
                if (again) {
                    continue;
                }
                if (seenCount == MOST_CELLS_LOOKED_AT) {
                    return false;  // a reach of a whole cell, widened by rounding
                }
                seen[seenCount++] = b;
                for (int k = g.head[b]; k != NO_CANDIDATE; k = g.next[k]) {
                    if (found == nearbySize) {
                        return false;
                    }
                    nearby[found++] = k;
                }
            }
        }
    }
    return true;
}

}  // namespace

int CrewCandidatesNear(const VECTOR3 &global, double reach, int *nearby, int nearbySize) {
    Walk &w = g_walk;
    reach += GRID_REACH_SLACK;
    if (!w.walked || w.count <= FEW_CANDIDATES || !nearby ||
        !(reach >= 0.0 && reach <= GRID_CELL) || !Finite(global)) {
        return -1;
    }
    if (!w.grid.built) {
        BuildGrid(w);
    }
    const Grid &g = w.grid;
    int found = 0;
    if (!AddMembersNear(g, global, reach, nearby, nearbySize, found) ||
        found + g.transfers > nearbySize) {
        return -1;
    }
    for (int t = 0; t < g.transfers; ++t) {
        nearby[found++] = g.transfer[t];
    }
    for (int i = 1; i < found; ++i) {  // few: sorted in place
        const int k = nearby[i];
        int j = i;
        for (; j > 0 && nearby[j - 1] > k; --j) {
            nearby[j] = nearby[j - 1];
        }
        nearby[j] = k;
    }
    return found;
}

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
