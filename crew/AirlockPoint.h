// The airlock point: how a crew-capable vessel shows its airlock to every other vessel.
//
// The point is a to-child attachment point with the id "Vemo" on the vessel itself. The host
// hands the three parameter vectors of an attachment point unchanged to anyone who asks, so
// they carry the airlock:
//
//     position   (minimum x, maximum x, minimum y)
//     direction  (maximum y, minimum z, maximum z)
//     rotation   (door: 1 open, 0 closed; status value; free seats)
//
// The box is in the publishing vessel's own frame, in metres, relative to its origin, and
// its bounds count as inside. Crew-member vessels and the crew libraries of other vessels
// read it, so the encoding never changes. Another vessel may publish anything on a point of
// this id: nothing decoded is trusted.
//
// Needs nothing but the host's header, so that any program that reads airlocks can use it.
#ifndef VEMO_CREW_AIRLOCKPOINT_H
#define VEMO_CREW_AIRLOCKPOINT_H

#include <climits>
#include <cstring>

#include "Orbitersdk.h"

// Id of the airlock point; compared exactly, terminator included.
inline constexpr char AIRLOCK_POINT_ID[] = "Vemo";

// Door values. A crew library publishes only these; any other value read is not closed.
inline constexpr int AIRLOCK_DOOR_CLOSED = 0;
inline constexpr int AIRLOCK_DOOR_OPEN = 1;

// A number from another vessel's attachment point as an int: truncated toward zero, NaN
// gives 0, and values beyond the int range stop at its ends (converting them is undefined).
inline int PointValueToInt(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

struct AirlockPoint {
    double minX, maxX, minY, maxY, minZ, maxZ;  // box, m, publishing vessel's frame
    double door;                                // 1 open, 0 closed
    double status;                              // status value; nothing reads it back
    double freeSeats;                           // seats still free aboard

    bool IsOpen() const { return door != 0.0; }

    // Free seats as a count (see PointValueToInt).
    int FreeSeatCount() const { return PointValueToInt(freeSeats); }

    // Whether a point of the publishing vessel's frame lies in the box, bounds included.
    bool Contains(const VECTOR3 &p) const {
        return minZ <= p.z && p.z <= maxZ && minY <= p.y && p.y <= maxY && minX <= p.x &&
               p.x <= maxX;
    }

    // The middle of the box, in the publishing vessel's frame.
    VECTOR3 Middle() const {
        return VECTOR3{{(minX + maxX) / 2.0, (minY + maxY) / 2.0, (minZ + maxZ) / 2.0}};
    }
};

inline void EncodeAirlockPoint(const AirlockPoint &airlock, VECTOR3 &pos, VECTOR3 &dir,
                               VECTOR3 &rot) {
    pos = VECTOR3{{airlock.minX, airlock.maxX, airlock.minY}};
    dir = VECTOR3{{airlock.maxY, airlock.minZ, airlock.maxZ}};
    rot = VECTOR3{{airlock.door, airlock.status, airlock.freeSeats}};
}

inline AirlockPoint DecodeAirlockPoint(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) {
    return AirlockPoint{pos.x, pos.y, pos.z, dir.x, dir.y, dir.z, rot.x, rot.y, rot.z};
}

// Reads a to-child point of another vessel as an airlock. False, leaving airlock alone, when
// the point is null or its id is not "Vemo" exactly (letter case and length count).
inline bool ReadAirlockPoint(const VESSEL &vessel, ATTACHMENTHANDLE point, AirlockPoint &airlock) {
    if (!point) {
        return false;
    }
    const char *id = vessel.GetAttachmentId(point);
    if (!id || std::strcmp(id, AIRLOCK_POINT_ID) != 0) {
        return false;
    }
    VECTOR3 pos = {{0.0, 0.0, 0.0}}, dir = {{0.0, 0.0, 0.0}}, rot = {{0.0, 0.0, 0.0}};
    vessel.GetAttachmentParams(point, pos, dir, rot);
    airlock = DecodeAirlockPoint(pos, dir, rot);
    return true;
}

#endif  // VEMO_CREW_AIRLOCKPOINT_H
