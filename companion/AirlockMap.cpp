#include "AirlockMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr char AIRLOCK_ID[] = "Vemo";  // to-child point: an airlock box
constexpr double MIN_CELL_SIZE = 1.0;  // m
constexpr int NO_BOX = -1;             // a free slot of the cell index

double Square(double x) {
    return x * x;
}

double Distance(const VECTOR3 &a, const VECTOR3 &b) {
    return std::sqrt(Square(a.x - b.x) + Square(a.y - b.y) + Square(a.z - b.z));
}

// A cell index along one axis; positions beyond any world share the outermost cells, as
// converting a double beyond the integer range is undefined.
constexpr double kCellIndexLimit = 4503599627370496.0;  // 2^52

std::int64_t CellIndex(double cell) {
    return std::int64_t(std::fmax(-kCellIndexLimit, std::fmin(cell, kCellIndexLimit)));
}

}  // namespace

AirlockMap::Cell AirlockMap::CellOf(const VECTOR3 &g) const {
    return {CellIndex(std::floor(g.x / cellSize_)), CellIndex(std::floor(g.y / cellSize_)),
            CellIndex(std::floor(g.z / cellSize_))};
}

std::size_t AirlockMap::SlotOf(const Cell &cell) const {
    std::uint64_t h = std::uint64_t(cell[0]) * 0x9E3779B97F4A7C15ull;
    h = (h ^ std::uint64_t(cell[1])) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ std::uint64_t(cell[2])) * 0x165667B19E3779F9ull;
    return std::size_t(h >> 32) & (firstOfCell_.size() - 1);
}

void AirlockMap::IndexCells() {
    std::size_t slots = 1;
    while (slots < 2 * boxes_.size())
        slots *= 2;
    firstOfCell_.assign(slots, NO_BOX);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        Box &b = boxes_[i];
        b.cell = CellOf(b.center);
        std::size_t s = SlotOf(b.cell);
        while (firstOfCell_[s] != NO_BOX && boxes_[std::size_t(firstOfCell_[s])].cell != b.cell)
            s = (s + 1) & (slots - 1);
        b.next = firstOfCell_[s];
        firstOfCell_[s] = int(i);
    }
}

void AirlockMap::Survey() {
    boxes_.clear();
    cellSize_ = MIN_CELL_SIZE;
    const DWORD count = oapiGetVesselCount();
    for (DWORD i = 0; i < count; ++i) {
        OBJHANDLE h = oapiGetVesselByIndex(int(i));
        VESSEL *v = h ? oapiGetVesselInterface(h) : nullptr;
        const DWORD points = v ? v->AttachmentCount(false) : 0;
        for (DWORD j = 0; j < points; ++j) {
            ATTACHMENTHANDLE a = v->GetAttachmentHandle(false, j);
            const char *id = a ? v->GetAttachmentId(a) : nullptr;
            if (!id || std::strcmp(id, AIRLOCK_ID) != 0)
                continue;
            VECTOR3 pos = {}, dir = {}, rot = {};
            v->GetAttachmentParams(a, pos, dir, rot);
            Box b = {};
            b.vessel = h;
            b.iface = v;
            oapiGetGlobalPos(h, &b.center);
            b.low = {{pos.x, pos.z, dir.y}};
            b.high = {{pos.y, dir.x, dir.z}};
            b.reach = std::sqrt(std::max(Square(b.low.x), Square(b.high.x)) +
                                std::max(Square(b.low.y), Square(b.high.y)) +
                                std::max(Square(b.low.z), Square(b.high.z)));
            // A box another module published with numbers that are no box holds nobody.
            if (!std::isfinite(b.reach) || !std::isfinite(b.center.x + b.center.y + b.center.z))
                continue;
            cellSize_ = std::max(cellSize_, 2.0 * b.reach);
            boxes_.push_back(b);
        }
    }
    IndexCells();
}

bool AirlockMap::Contains(const VECTOR3 &global, OBJHANDLE self) const {
    if (boxes_.empty())
        return false;
    if (!std::isfinite(global.x) || !std::isfinite(global.y) || !std::isfinite(global.z))
        return false;  // in no box, as no comparison with it holds
    // A box that holds the point has its vessel within half a cell of it: in the point's cell
    // or the next one on the nearer side, along each axis.
    const double at[3] = {global.x / cellSize_, global.y / cellSize_, global.z / cellSize_};
    std::int64_t from[3], step[3];
    for (int a = 0; a < 3; ++a) {
        const double cell = std::floor(at[a]);
        from[a] = CellIndex(cell);
        step[a] = at[a] - cell < 0.5 ? -1 : 1;
    }
    for (int corner = 0; corner < 8; ++corner) {
        const Cell near = {from[0] + (corner & 1 ? step[0] : 0),
                           from[1] + (corner & 2 ? step[1] : 0),
                           from[2] + (corner & 4 ? step[2] : 0)};
        std::size_t s = SlotOf(near);
        while (firstOfCell_[s] != NO_BOX && boxes_[std::size_t(firstOfCell_[s])].cell != near)
            s = (s + 1) & (firstOfCell_.size() - 1);
        for (int i = firstOfCell_[s]; i != NO_BOX; i = boxes_[std::size_t(i)].next) {
            const Box *b = &boxes_[std::size_t(i)];
            if (b->vessel == self || Distance(global, b->center) > b->reach)
                continue;
            VECTOR3 local = {};
            b->iface->Global2Local(global, local);
            if (local.x >= b->low.x && local.x <= b->high.x && local.y >= b->low.y &&
                local.y <= b->high.y && local.z >= b->low.z && local.z <= b->high.z)
                return true;
        }
    }
    return false;
}

const AirlockMap &AirlocksOfThisFrame() {
    static AirlockMap map;
    static bool surveyed = false;
    static double time = 0.0;
    static DWORD vessels = 0;
    const double now = oapiGetSimTime();
    const DWORD count = oapiGetVesselCount();
    if (!surveyed || now != time || count != vessels) {
        map.Survey();
        surveyed = true;
        time = now;
        vessels = count;
    }
    return map;
}
