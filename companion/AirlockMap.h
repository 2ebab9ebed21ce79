// The airlock boxes that crew-capable vessels publish, for members about to step out.
//
// A member steps out once it stands outside every box it can read: the to-child points
// "Vemo" of all other vessels, whose position holds (min x, max x, min y) and direction
// (max y, min z, max z) in that vessel's frame, all bounds counting as inside. Many members
// may wait in one frame (a scenario loads them all at once), so the list is walked once a
// frame for all of them, and each member tests only the boxes near it: every box is filed
// under the grid cell of its vessel's position, with cells twice as large as the largest
// box's reach from its vessel's origin, so a box that holds a member is filed in one of the
// eight cells nearest to the member. The cells that hold boxes are found by hashing, so a
// member costs the boxes near it, however many there are.
#ifndef VEMO_COMPANION_AIRLOCKMAP_H
#define VEMO_COMPANION_AIRLOCKMAP_H

#include <Orbitersdk.h>

#include <array>
#include <cstdint>
#include <vector>

class AirlockMap {
public:
    // Walks the vessel list and files every airlock box.
    void Survey();
    // Whether a global position lies in a box of a vessel other than `self`.
    bool Contains(const VECTOR3 &global, OBJHANDLE self) const;

private:
    using Cell = std::array<std::int64_t, 3>;
    struct Box {
        Cell cell;
        OBJHANDLE vessel;
        VESSEL *iface;
        VECTOR3 center;     // the vessel's global position, m
        double reach;       // farthest corner from the vessel's origin, m
        VECTOR3 low, high;  // the box, in the vessel's frame, m
        int next;           // the next box of the same cell, or -1
    };
    Cell CellOf(const VECTOR3 &global) const;
    std::size_t SlotOf(const Cell &cell) const;
    void IndexCells();

    std::vector<Box> boxes_;
    // Open addressing over the cells that hold boxes: the index in boxes_ of the last box
    // filed under a cell (the others follow by next), or -1 for a free slot; a power of two
    // of slots, at least twice the boxes.
    std::vector<int> firstOfCell_;
    double cellSize_ = 1.0;   // m
};

// The map of the frame in progress, surveyed at its first use in the frame (a new
// oapiGetSimTime, or a vessel list of another length).
const AirlockMap &AirlocksOfThisFrame();

#endif
