// The per-vessel airlock record and the module-wide table of them. Defined in
// CrewManager.cpp, beside the manager that claims a slot and publishes through it.
//
// A slot holds what a vessel publishes on its airlock point "Vemo" (AirlockPoint.h): the box,
// the door value, a status value and the free seats.
#ifndef VEMO_CREW_AIRLOCKSLOT_H
#define VEMO_CREW_AIRLOCKSLOT_H

#include <cstdint>

#include "AirlockPoint.h"
#include "CrewNames.h"
#include "CrewResult.h"
#include "Orbitersdk.h"

class AirlockSlot {
public:
    // --- fields, in record order ---
    std::int32_t dockPort;      // own dock port at which a docked vessel is looked for
    VESSEL *ownVessel;          // interface of the owning vessel, not owned; null if unusable
    double scanTimer;           // s of simulation time since the last returning-crew scan
    OBJHANDLE ownVesselHandle;  // the owning vessel, not owned
    ATTACHMENTHANDLE airlockAttachment;  // the point "Vemo" on the own vessel, or null
    std::int32_t doorValue;              // 1 open, 0 closed
    float boxMinX, boxMaxX;              // airlock box, m, own vessel frame
    float boxMinY, boxMaxY;
    float boxMinZ, boxMaxZ;
    std::int32_t statusValue;  // published as rotation y; nothing reads it back
    std::int32_t freeSeats;    // published as rotation z

    // Presence of the companion module's file (COMPANION_MODULE_PATH), a regular file that
    // OpenCrewFile opens. CREW_OK present; CREW_NO_COMPANION missing.
    static int CheckCompanionModule();

    // Sets every field to its first value for the given vessel (the scan timer to a fresh
    // oapiRand value) and takes the vessel's interface.
    // CREW_OK ready; CREW_NO_COMPANION companion module missing; CREW_ERROR null handle, or
    // the host gives no interface for it. A failure leaves the slot as it was, so it never takes a
    // shared slot away from the vessel that holds it.
    int InitAirlockSlot(OBJHANDLE vesselHandle);

    // True when the slot was last set up for this (non-null) vessel. A crew manager uses its
    // slot only while this holds: slots may be shared once the table is exhausted, and a slot
    // that another vessel has taken over must not be used through the old owner.
    bool IsOwnedBy(OBJHANDLE vesselHandle) const {
        return vesselHandle != nullptr && ownVesselHandle == vesselHandle;
    }

    // Stores the door value and the box and creates the attachment point "Vemo" on the own
    // vessel, or updates it when it exists already.
    // CREW_OK stored and published; CREW_ERROR refused: a maximum below its minimum (or not
    // a number), a door value other than 0 and 1, or no own vessel interface. A refusal
    // changes nothing.
    int DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY, float minZ,
                           float maxZ);

    // Store a value in the status field or the free-seat field and republish all three
    // vectors. CREW_OK published; CREW_ERROR no airlock point or no own vessel interface yet
    // (the value is dropped, not remembered).
    int PublishAirlockStatus(int value);
    int PublishFreeSeats(int value);

    // The airlock as the slot publishes it; the box widens exactly to double, and so do the
    // three integers.
    AirlockPoint Airlock() const {
        return AirlockPoint{boxMinX,          boxMaxX, boxMinY,           boxMaxY,
                            boxMinZ,          boxMaxZ, double(doorValue), double(statusValue),
                            double(freeSeats)};
    }
    // Publishes Airlock() on the own vessel: creates the point "Vemo" when the slot has none
    // yet, updates it otherwise. Needs the own vessel interface.
    void WriteAirlockPoint();
    // Stores value in field (statusValue or freeSeats) and publishes, as the two above.
    int PublishValue(std::int32_t &field, int value);

    // Free-seat value published by the airlock of the vessel docked at the given port of the
    // own vessel: the rotation z of its first to-child point with the id "Vemo" exactly,
    // truncated toward zero. -1 when this slot has no airlock point or no own interface, when
    // nothing is docked there, when the docked vessel has no interface or no "Vemo" point.
    int GetDockedFreeSeats(int port) const;
};

// The module-wide airlock table: each crew manager claims the slot at nextSlot when it is
// set up. The counter stops at the last slot, so once the table is exhausted every further
// manager shares that last slot (see AirlockSlot::IsOwnedBy). Slots are never given back.
inline constexpr int AIRLOCK_SLOT_COUNT = 100;

struct AirlockSlotTable {
    AirlockSlot slots[AIRLOCK_SLOT_COUNT];
    std::int32_t nextSlot;
};

// The one table of this module; zero when the module is loaded. Each module links its own
// copy of the crew library (modules hide their symbols), so each module has its own table.
AirlockSlotTable &GetAirlockSlotTable();

// Test support only: clears the slot table and its counter, as if the module had just been
// loaded. Never called by module code.
void ResetCrewModuleStateForTesting();

#endif  // VEMO_CREW_AIRLOCKSLOT_H
