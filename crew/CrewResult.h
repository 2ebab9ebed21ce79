// Result codes of the crew library, one set per family of operations.
//
// Every operation that reports how it went returns a 32-bit int of its family's set. The
// values are part of the interface: vessel modules compare results with them, so none may
// change. Each name has one meaning; compare results by name.
#ifndef VEMO_CREW_CREWRESULT_H
#define VEMO_CREW_CREWRESULT_H

// Set-up, roster, scenario lines and the airlock record.
enum CrewResult : int {
    CREW_OK = 1,               // Done: set up, stored, added, removed, published, line taken
    CREW_REFUSED = 0,          // Not done, nothing changed (not ready, bad argument, seats full)
    CREW_ERROR = -1,           // No vessel or airlock to act on, or a bad airlock argument
    CREW_NO_COMPANION = -999,  // The companion crew-member module is not installed
};

// Sending a member out (EvaCrewMember). On every code but CREW_EVA and CREW_TRANSFER the
// member stays aboard.
enum EvaResult : int {
    CREW_EVA = 1,                  // The member left on free EVA
    CREW_TRANSFER = 2,             // The member went over to the docked vessel
    CREW_NOBODY_ABOARD = 0,        // The roster is empty
    CREW_DOOR_CLOSED = -1,         // The own airlock door is closed: nobody may leave
    CREW_DOCKED_DOOR_CLOSED = -2,  // Every crew airlock of the docked vessel is closed
    CREW_DOCKED_FULL = -3,         // The docked vessel's airlock reports no free seat
    CREW_NO_SUCH_MEMBER = -4,      // No member of that name (or no name, or one too long)
    CREW_DOCKED_NO_AIRLOCK = -5,   // The docked vessel publishes no usable free-seat count
    CREW_CANNOT_LEAVE = -6,        // Not ready, or no crew-member vessel could be made
    CREW_RECEIVER_NAME_LONG = -7,  // The docked vessel's name is too long to address
    CREW_TRANSFER_PENDING = -8,    // An earlier transfer vessel still waits to be taken
    CREW_NO_CREW_MODULE = -9,      // The host made the member's vessel, but no module runs it
};

// Taking members in (ProcessReturningCrew).
enum ReturnResult : int {
    CREW_BACK_FROM_EVA = 1,    // A member back from EVA came aboard, and perhaps others
    CREW_HANDED_OVER = 2,      // Members handed over by a docked vessel came aboard, none from EVA
    CREW_NOBODY_RETURNED = 0,  // Nobody came aboard
    CREW_NOT_READY = -1,       // The manager is not set up
};

#endif  // VEMO_CREW_CREWRESULT_H
