// A vessel's airlock record. Every crew manager holds one by value, so each vessel has its own
// however many there are: it comes with the vessel's instance and goes with it.
//
// The record holds what a vessel publishes on its airlock point "Vemo" (AirlockPoint.h): the
// box, the door value, a status value and the free seats.
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
    VESSEL *ownVessel;          // interface of the owning vessel, not owned; null if unusable
    OBJHANDLE ownVesselHandle;  // the owning vessel, not owned
    ATTACHMENTHANDLE airlockAttachment;  // the point "Vemo" on the own vessel, or null
    std::int32_t doorValue;              // 1 open, 0 closed
    float boxMinX, boxMaxX;              // airlock box, m, own vessel frame
    float boxMinY, boxMaxY;
    float boxMinZ, boxMaxZ;
    std::int32_t statusValue;  // published as rotation y; nothing reads it back
    std::int32_t freeSeats;    // published as rotation z

    // Presence of the companion module's file (COMPANION_MODULE_PATH) and its class config
    // (COMPANION_CLASS_CONFIG_PATH), regular files that OpenCrewFile opens. CREW_OK both
    // present; CREW_NO_COMPANION either missing.
    static int CheckCompanionModule();

    // Sets every field to its first value for the given vessel and takes the vessel's
    // interface. Set up again for the vessel it already serves, it keeps the airlock point it
    // made, so that the vessel never shows two.
    // CREW_OK ready; CREW_NO_COMPANION companion module missing; CREW_ERROR null handle, or
    // the host gives no interface for it. A failure leaves the record as it was.
    int InitAirlockSlot(OBJHANDLE vesselHandle);

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

    // The airlock as the record publishes it; the box widens exactly to double, and so do the
    // three integers.
    AirlockPoint Airlock() const {
        return AirlockPoint{boxMinX,          boxMaxX, boxMinY,           boxMaxY,
                            boxMinZ,          boxMaxZ, double(doorValue), double(statusValue),
                            double(freeSeats)};
    }

    // The vessel docked at the own dock port (AIRLOCK_DOCK_PORT); null when there is none,
    // nothing is docked there, or the record has no own vessel interface.
    OBJHANDLE DockedVessel() const;

    // Free-seat value published by the airlock of the vessel docked at the own dock port:
    // the rotation z of its first to-child point with the id "Vemo" exactly, truncated toward
    // zero. -1 when this record has no airlock point or no own interface, when nothing is
    // docked there, when the docked vessel has no interface or no "Vemo" point.
    int GetDockedFreeSeats() const;

private:
    // Publishes Airlock() on the own vessel: creates the point "Vemo" when the record has
    // none yet, updates it otherwise. Needs the own vessel interface.
    void WriteAirlockPoint();
    // Stores value in field (statusValue or freeSeats) and publishes, as the two above.
    int PublishValue(std::int32_t &field, int value);
};

// The own dock port at which a docked vessel is looked for: the first.
inline constexpr int AIRLOCK_DOCK_PORT = 0;

#endif  // VEMO_CREW_AIRLOCKSLOT_H
