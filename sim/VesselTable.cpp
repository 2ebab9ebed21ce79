#include "VesselTable.h"

#include <cstdio>
#include <utility>

namespace sim {

static_assert(sizeof(void *) == 8, "vessel handles pack a slot and a generation into 64 bits");

OBJHANDLE VesselTable::makeHandle(std::size_t slot, std::uint32_t generation) {
    const std::uint64_t v = kTag | std::uint64_t(generation) << 32 | std::uint64_t(slot + 1);
    return reinterpret_cast<OBJHANDLE>(static_cast<std::uintptr_t>(v));
}

OBJHANDLE VesselTable::add(std::unique_ptr<VesselRecord> record) {
    std::size_t index;
    if (!free_.empty()) {
        index = free_.back();
        free_.pop_back();
    } else {
        index = slots_.size();
        slots_.emplace_back();
        former_.emplace_back();
    }
    Slot &s = slots_[index];
    s.record = std::move(record);
    ++live_;
    const OBJHANDLE h = makeHandle(index, s.generation);
    s.record->setHandle(h);
    return h;
}

void VesselTable::remove(OBJHANDLE handle, double time) {
    Slot *s = const_cast<Slot *>(slotOf(handle));
    if (!s || !s->record || s->generation != generationOf(handle))
        return;
    Former &f = former_[static_cast<std::size_t>(s - slots_.data())];
    f.name = s->record->name;
    f.destroyedAt = time;
    s->record.reset();
    --live_;
    // A slot whose generations are used up is never handed out again, so no handle ever
    // comes to name two vessels.
    if (s->generation < kMaxGeneration) {
        ++s->generation;
        free_.push_back(static_cast<std::uint32_t>(s - slots_.data()));
    } else {
        s->generation = kMaxGeneration + 1;
    }
}

VesselTable::State VesselTable::state(OBJHANDLE handle) const {
    const Slot *s = slotOf(handle);
    const std::uint32_t g = generationOf(handle);
    if (!s || g == 0 || g > s->generation)
        return State::kUnknown;
    if (g == s->generation)
        return s->record ? State::kLive : State::kUnknown;
    return State::kDestroyed;
}

std::string VesselTable::destroyedText(OBJHANDLE handle) const {
    const Slot *s = slotOf(handle);
    if (!s || state(handle) != State::kDestroyed)
        return "no vessel";
    if (generationOf(handle) + 1 != s->generation)
        return "a vessel destroyed earlier";
    const Former &f = former_[static_cast<std::size_t>(s - slots_.data())];
    char at[64];
    std::snprintf(at, sizeof at, ", destroyed at %.3f s", f.destroyedAt);
    return f.name + at;
}

}  // namespace sim
