// Result codes of the crew library.
//
// Every operation that reports how it went returns one of these as a 32-bit int. The values
// are part of the interface: vessel modules compare results with them, so none may change.
// Each operation's comment says which codes it returns. Some values have a name for each
// meaning they carry, so that a caller says what it tests for (CREW_EVA rather than CREW_OK
// after EvaCrewMember); no operation gives one value two meanings.
#ifndef VEMO_CREW_CREWRESULT_H
#define VEMO_CREW_CREWRESULT_H

enum CrewResult : int {
    CREW_OK = 1,        // Done: set up, stored, added, removed, published, line taken
    CREW_EVA = 1,       // A member left on free EVA, or came back aboard from EVA
    CREW_TRANSFER = 2,  // A member went over to the docked vessel, or came over from one
    CREW_REFUSED = 0,   // Not done, nothing changed (not ready, bad argument, seats full, ...)
    CREW_NONE = 0,      // Nothing to do: no member aboard to send out, nobody to take in

    CREW_ERROR = -1,        // No vessel or airlock to act on, or a bad airlock argument
    CREW_NOT_READY = -1,    // The manager is not set up
    CREW_DOOR_CLOSED = -1,  // The own airlock door is closed: nobody may leave
    CREW_DOCKED_DOOR_CLOSED = -2,  // Every crew airlock of the docked vessel is closed
    CREW_DOCKED_FULL = -3,         // The docked vessel's airlock reports no free seat
    CREW_NO_SUCH_MEMBER = -4,      // No member of that name (or no name, or one too long)
    CREW_DOCKED_NO_AIRLOCK = -5,   // The docked vessel publishes no usable free-seat count
    CREW_CANNOT_LEAVE = -6,        // Not ready, or no crew-member vessel could be made
    CREW_RECEIVER_NAME_LONG = -7,  // The docked vessel's name is too long to address
    CREW_TRANSFER_PENDING = -8,    // An earlier transfer vessel still waits to be taken
    CREW_NO_CREW_MODULE = -9,      // The host made the member's vessel, but no module runs it
    CREW_NO_COMPANION = -999,      // The companion crew-member module is not installed
};

#endif  // VEMO_CREW_CREWRESULT_H
