// Vessel handles: what the host hands a module as the OBJHANDLE of a vessel, and the table
// that owns the vessels' records behind them.
//
// In the simulator a handle is the address of the vessel's object, and once the vessel is
// destroyed any use of it is a crash. Here a handle names a slot of this table and the
// generation of the vessel in it, so a destroyed vessel's handle stays recognisable for
// ever while its record is freed at once: a slot is reused by a later vessel under the next
// generation, and the old handle then names a generation that is gone. The table holds no
// more slots than the most vessels that ever lived at once.
#ifndef VEMO_SIM_VESSELTABLE_H
#define VEMO_SIM_VESSELTABLE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Orbitersdk.h"
#include "VesselRecord.h"

namespace sim {

class VesselTable {
public:
    // What a handle names.
    enum class State {
        kLive,       // a vessel that exists (deletion requested or not)
        kDestroyed,  // a vessel that existed and was destroyed
        kUnknown     // no vessel handle at all: null, another object, a made-up value
    };

    // Takes the record in and gives it its handle (also stored in the record).
    OBJHANDLE add(std::unique_ptr<VesselRecord> record);
    // Frees the vessel's record; its handle names a destroyed vessel from now on. `time` is
    // the simulation time of the destruction, kept for messages about the handle.
    void remove(OBJHANDLE handle, double time);

    // The live vessel's record, or null. Every host call on a vessel asks this, so it is
    // kept to a few instructions.
    VesselRecord *find(OBJHANDLE handle) const {
        const Slot *s = slotOf(handle);
        return s && s->generation == generationOf(handle) ? s->record.get() : nullptr;
    }
    State state(OBJHANDLE handle) const;
    // For a destroyed vessel's handle: "Name, destroyed at 4.15 s", or "a vessel destroyed
    // earlier" once its slot has seen a later vessel destroyed too.
    std::string destroyedText(OBJHANDLE handle) const;

    std::size_t liveCount() const { return live_; }
    std::size_t slotCount() const { return slots_.size(); }

private:
    // Sixteen bytes, so that finding a slot takes a shift.
    struct Slot {
        std::unique_ptr<VesselRecord> record;  // null while the slot is free
        std::uint32_t generation = 1;          // of the vessel in it, or of the next one
    };
    // The vessel of a slot's generation - 1, for messages about its handle.
    struct Former {
        std::string name;
        double destroyedAt = 0.0;  // s
    };

    // A handle is  tag | generation << 32 | slot + 1.  The tag bit is never set in an address
    // a process on this machine can hold, so no pointer a module has reads as a vessel handle.
    static constexpr std::uint64_t kTag = std::uint64_t(1) << 62;
    static constexpr std::uint64_t kTagMask = std::uint64_t(3) << 62;
    static constexpr std::uint32_t kMaxGeneration = (std::uint32_t(1) << 30) - 1;
    static constexpr std::uint64_t kSlotMask = 0xFFFFFFFFu;

    static std::uint64_t bits(OBJHANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }
    static std::uint32_t generationOf(OBJHANDLE handle) {
        return static_cast<std::uint32_t>(bits(handle) >> 32) & kMaxGeneration;
    }
    const Slot *slotOf(OBJHANDLE handle) const {
        const std::uint64_t v = bits(handle);
        const std::uint64_t slot = v & kSlotMask;
        return (v & kTagMask) == kTag && slot >= 1 && slot <= slots_.size() ? &slots_[slot - 1]
                                                                            : nullptr;
    }
    static OBJHANDLE makeHandle(std::size_t slot, std::uint32_t generation);

    std::vector<Slot> slots_;
    std::vector<Former> former_;       // one per slot
    std::vector<std::uint32_t> free_;  // free slots, the last freed reused first
    std::size_t live_ = 0;
};

}  // namespace sim

#endif
