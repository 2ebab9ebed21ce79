// The names the crew protocol fixes. Crew libraries of other vessels and the companion
// crew-member module rely on every one of them, so none may change.
//
// File names are relative to the simulator's working folder and are the simulator's own
// ("modules\Vemo.dll"); only the folder separator follows the platform, so a build for the
// simulator on Windows uses them exactly as written there.
#ifndef VEMO_CREW_CREWNAMES_H
#define VEMO_CREW_CREWNAMES_H

#include <cstddef>
#include <cstring>

#include "Orbitersdk.h"

#if defined(_WIN32)
#define VEMO_DIR_SEP "\\"
#else
#define VEMO_DIR_SEP "/"
#endif

// The companion crew-member module and its class config; only their presence is checked. The
// simulator stops with an error when a vessel of a class without its config is made, so both
// must be there before a member goes out.
inline constexpr char COMPANION_MODULE_PATH[] = "modules" VEMO_DIR_SEP "Vemo.dll";
inline constexpr char COMPANION_CLASS_CONFIG_PATH[] =
    "config" VEMO_DIR_SEP "vessels" VEMO_DIR_SEP "Vemo.cfg";
// Hand-over record for a crew member leaving on EVA; read by the companion module.
inline constexpr char EVA_RECORD_PATH[] = "config" VEMO_DIR_SEP "Vemotmp.cfg";
// Hand-over record for a crew member moving to a docked vessel; read and removed by it.
inline constexpr char TRANSFER_RECORD_PATH[] = "config" VEMO_DIR_SEP "VemotmpT.cfg";
// Version text of the installed crew-member system, such as "1.5".
inline constexpr char COMPANION_VERSION_PATH[] =
    "meshes" VEMO_DIR_SEP "Vemo" VEMO_DIR_SEP "ver.dtf";

// Class name (and class-name prefix) of crew-member vessels.
inline constexpr char CREW_VESSEL_CLASS[] = "Vemo";
// Object-name prefix of a crew-member vessel on EVA, followed by the member's text.
inline constexpr char EVA_VESSEL_PREFIX[] = "Vemo_";
// Object-name prefix of a transfer vessel, followed by the receiving vessel's name.
inline constexpr char TRANSFER_VESSEL_PREFIX[] = "VemoT";
// Id of the last to-parent attachment point of a crew-member vessel; its position vector
// carries (age, pulse, weight).
inline constexpr char CREW_ATTACHMENT_ID[] = "V-em";
// Id of the to-parent point a crew library adds to a crew-member or transfer vessel whose
// member it has taken aboard, just before it deletes the vessel. The simulator removes a
// deleted vessel only when the frame ends; until then its last point is this one, so no crew
// library of any module takes the same member a second time. Adding a point, rather than
// deleting "V-em", leaves every handle the vessel's own module holds valid. The simulator
// keeps 8 bytes of an id, terminator included, so every id has at most 7 characters.
inline constexpr char TAKEN_ABOARD_POINT_ID[] = "aboard";

// Version() of the plain VESSEL the simulator makes itself for a vessel no module runs: one
// whose module cannot be loaded, or whose ovcInit made nothing.
inline constexpr int PLAIN_VESSEL_VERSION = 0;

// Whether a byte may stand in an object name the crew library makes. A blank would be read
// back as part of the member's name, and ':' or ';' would break the scenario the simulator
// saves (its block header splits at the first ':', and ';' starts a comment); bytes outside
// printable ASCII are not every host's to take. Any other byte becomes '_'.
inline bool IsObjectNameByte(char c) {
    return c > ' ' && c < 0x7F && c != ':' && c != ';';
}

// Makes text fit to be part of an object name, in place.
inline void CleanObjectName(char *text) {
    for (; *text; ++text) {
        if (!IsObjectNameByte(*text)) {
            *text = '_';
        }
    }
}

// Whether `receiver` (a transfer vessel's name after "VemoT", at most maxLength characters
// counted) names the vessel called ownName: equal once ownName is cleaned as the sender
// cleaned it (CleanObjectName), byte for byte.
inline bool NamesReceiver(const char *receiver, const char *ownName, std::size_t maxLength) {
    std::size_t i = 0;
    for (; i <= maxLength; ++i) {
        const char own = ownName[i];
        const char cleaned = own == '\0' || IsObjectNameByte(own) ? own : '_';
        if (receiver[i] != cleaned) {
            return false;
        }
        if (own == '\0') {
            return true;
        }
    }
    return false;
}

// Whether an object name is a transfer vessel's: it begins with "VemoT".
inline bool IsTransferVesselName(const char *name) {
    return name &&
           std::strncmp(name, TRANSFER_VESSEL_PREFIX, sizeof TRANSFER_VESSEL_PREFIX - 1) == 0;
}

// Whether a vessel is of the crew-member class: its class name begins with "Vemo". Compared
// here without a call into the C library: the module's walk asks every vessel of the list,
// and nearly all fail at the first letter.
inline bool HasCrewVesselClass(const VESSEL &vessel) {
    const char *className = vessel.GetClassName();
    if (!className) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < sizeof CREW_VESSEL_CLASS; ++i) {
        if (className[i] != CREW_VESSEL_CLASS[i]) {
            return false;  // the terminator too differs from every letter of the class
        }
    }
    return true;
}

// The point on which a crew-member vessel shows its member: its last to-parent point, when it
// has two or more (the class's own comes first) and the last one's id is "V-em" exactly.
// parentCount is the vessel's AttachmentCount(true). Null otherwise.
inline ATTACHMENTHANDLE CrewMemberPoint(const VESSEL &vessel, DWORD parentCount) {
    if (parentCount < 2) {
        return nullptr;
    }
    ATTACHMENTHANDLE point = vessel.GetAttachmentHandle(true, parentCount - 1);
    const char *id = point ? vessel.GetAttachmentId(point) : nullptr;
    return id && std::strcmp(id, CREW_ATTACHMENT_ID) == 0 ? point : nullptr;
}

// Whether a crew library has taken aboard the member of this crew-member or transfer vessel:
// its last to-parent point is TAKEN_ABOARD_POINT_ID. parentCount is AttachmentCount(true).
inline bool IsTakenAboard(const VESSEL &vessel, DWORD parentCount) {
    ATTACHMENTHANDLE point =
        parentCount > 0 ? vessel.GetAttachmentHandle(true, parentCount - 1) : nullptr;
    const char *id = point ? vessel.GetAttachmentId(point) : nullptr;
    return id && std::strncmp(id, TAKEN_ABOARD_POINT_ID, sizeof TAKEN_ABOARD_POINT_ID) == 0;
}

#endif  // VEMO_CREW_CREWNAMES_H
