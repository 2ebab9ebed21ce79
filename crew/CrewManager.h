// The crew manager a crew-capable vessel embeds by value: its roster, seat limit and crew
// mass, the scenario lines that keep the roster, and the way out (EVA, transfer to a docked
// vessel) and back in (through the airlock) for its crew.
//
// The manager has no constructor: a vessel holds it by value in an instance that starts
// zeroed, and a zeroed manager is simply not ready. InitCrewManager and DefineAirlockShape
// make it ready; every other operation except ReadCompanionVersion and SanitizeCrewName
// refuses until then.
//
// Operations report by the codes of CrewResult.h. Nothing here throws or shows anything to
// the user. They are defined by subject: set-up and roster in CrewManager.cpp, scenario lines
// in CrewLines.cpp, EVA in Eva.cpp, returning crew in ReturningCrew.cpp, the version file in
// CompanionVersion.cpp.
#ifndef VEMO_CREW_CREWMANAGER_H
#define VEMO_CREW_CREWMANAGER_H

#include <cstdint>
#include <type_traits>

#include "AirlockSlot.h"
#include "CrewProtocol.h"
#include "CrewResult.h"
#include "Orbitersdk.h"

// s of simulation time in which the module walks the whole vessel list for returning crew
inline constexpr double RETURNING_CREW_SCAN_PERIOD = 0.25;
// Transfer lines a vessel holds from its scenario; further ones are refused (and kept by the
// vessel's KeptCrewLines, so none is lost).
inline constexpr int MAX_AWAITED_MEMBERS = 8;

// One member of a roster.
struct CrewMember {
    char name[CREW_NAME_SIZE];  // at most 25 characters, letters, digits and blanks, terminated
    std::int32_t age;           // years, 1..140
    std::int32_t pulse;         // beats per minute, 0..180
    double weight;              // kg, a whole number, 5..300
    char missionId[MISSION_ID_SIZE];  // at most 4 characters, may be empty, terminated
};

// The crew aboard. The values a successful InitCrewManager leaves in brackets.
struct CrewRoster {
    CrewMember members[ROSTER_SIZE];  // 0..count-1 aboard, in roster order [zero]
    std::int32_t count;               // members aboard, 0..100 [0]
    std::int32_t maxSeats;            // seat limit, 1..100 [8]
    double mass;                      // kg of crew counted into the vessel's empty mass [0]
    std::int32_t loadedLines;         // CREW_LINES_NOT_STARTED until the first scenario line
                                      // arrives, then the number of crew lines loaded [-1]
};
inline constexpr int CREW_LINES_NOT_STARTED = -1;

// How members leave. [values after set-up]
struct EvaSettings {
    VECTOR3 position;  // exit point, m, own vessel frame [(0, 0, 3)]
    VECTOR3 rotation;  // rotation of a crew-member vessel made, rad [(0, 0, 0)]
    char lastVesselName[OBJECT_NAME_MAX_LENGTH + 1];  // object name of the last one made [""]
};

// The members transfer vessels addressed to this vessel bring, as a saved scenario told them
// (its transfer lines), in the order read; each leaves the list when it comes aboard. Used
// when the hand-over file does not tell, and they win over a file that names someone else.
struct AwaitedMembers {
    CrewMember members[MAX_AWAITED_MEMBERS];
    std::int32_t count;  // entries in use [0]
};

// Bit 0: set up by InitCrewManager; bit 1: airlock defined. Ready means exactly both.
enum CrewManagerState : std::int32_t {
    CREW_STATE_NONE = 0,
    CREW_STATE_SET_UP = 1,
    CREW_STATE_AIRLOCK = 2,
    CREW_STATE_READY = 3,
};

class CrewManager {
public:
    // --- set-up (call in this order) ---

    // Sets the manager up for the own vessel, its airlock included: empty roster, 8 seats.
    // Calling it again sets everything up afresh, but the vessel keeps the one airlock point
    // it shows.
    // CREW_OK set up; CREW_ERROR null handle, or the handle gives no vessel interface;
    // CREW_NO_COMPANION the companion module is not installed. A failure changes nothing (a
    // manager that was never set up stays not ready).
    CrewResult InitCrewManager(OBJHANDLE vessel);

    // Defines the airlock box (m, own frame) and door value (0 closed, 1 open) of the own
    // airlock, making the manager ready, and publishes the free seats.
    // CREW_OK airlock defined; CREW_REFUSED not set up, or refused by the airlock (bad box or
    // door value, no vessel interface).
    CrewResult DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                  float minZ, float maxZ);

    // Seat limit n, 1..100, not below the crew aboard. CREW_OK set; CREW_REFUSED.
    CrewResult SetMaxSeatCount(int n);

    // Where an EVA member is placed (m, own frame) and how the new vessel is turned (rad).
    // CREW_OK stored; CREW_REFUSED not ready.
    CrewResult SetEvaPositionRotation(VECTOR3 position, VECTOR3 rotation);

    bool IsReady() const { return state == CREW_STATE_READY; }

    // --- roster ---

    // Members aboard when ready, otherwise 0.
    int GetCrewCount() const;

    // Name of the member at that roster index; the empty text when not ready or the index is
    // outside 0..GetCrewCount()-1. Never null.
    const char *GetCrewNameBySlot(int index) const;

    // The member at that roster index, read only; null when not ready or out of range.
    const CrewMember *GetCrewMember(int index) const;

    // kg of crew counted into the vessel's empty mass since set-up.
    double GetCrewMass() const { return roster.mass; }

    // Adds a member at the end of the roster. The name is cut to 25 characters and sanitized,
    // the mission id cut to 4 (null gives an empty one); age is clamped to 1..140, pulse to
    // 0..180, weight to 5..300 kg, and the weight is added to the vessel's empty mass.
    // CREW_OK added; CREW_REFUSED (not ready, null name, seats full).
    CrewResult AddCrewMember(const char *name, int age, int pulse, int weight,
                             const char *missionId);

    // Removes the first member of that name (ASCII case ignored); the last member moves into
    // its place. The member's weight comes off the vessel's empty mass.
    // CREW_OK removed; CREW_REFUSED not found, not ready, null name, name of 40 or more
    // characters, or empty roster.
    CrewResult RemoveCrewMember(const char *name);

    // Turns every character that is not an ASCII letter or digit into a blank, in place; the
    // length never changes. A null text is ignored.
    static void SanitizeCrewName(char *name);

    // --- scenario lines "VEMOCREW <missionId>-<name>-<age>-<pulse>-<weight>" ---
    //
    // and, while a transfer vessel waits to bring a member aboard, one transfer line of the
    // same form, "VEMOTRANSFER <missionId>-<name>-<age>-<pulse>-<weight>": the member's name
    // travels only in the hand-over file, which a saved scenario does not carry.

    // Writes one crew line per member, in roster order, then one transfer line per awaited
    // member; with none, the transfer line of a transfer vessel addressed to this vessel
    // whose member the hand-over file names.
    // CREW_OK lines written; CREW_REFUSED nothing written (not ready, empty roster and no
    // transfer waiting, null handle).
    CrewResult SaveCrewLines(FILEHANDLE scn);

    // Whether a scenario line is a crew line: it begins with the keyword, in any letter case.
    static bool IsCrewLine(const char *line);
    // Whether a scenario line is a transfer line: its first word is "VEMOTRANSFER", in any
    // letter case.
    static bool IsTransferLine(const char *line);

    // Offered every line of the vessel's scenario block. The first line after set-up,
    // whatever it holds, empties the roster before anything else.
    // CREW_OK the line was a valid crew line and the member is aboard, or a valid transfer
    // line and its member is awaited (consume it);
    // CREW_REFUSED otherwise (hand the line to the host's parser).
    CrewResult LoadCrewLine(const char *line);

    // The member the index-th transfer line read names, while he is awaited; null beyond them.
    const CrewMember *GetAwaitedMember(int index) const;

    // --- companion module ---

    // Version of the installed crew-member system from COMPANION_VERSION_PATH ("1.5" gives
    // 1.5f); -1.0f when none can be read. Uses no state of the manager.
    float ReadCompanionVersion() const;

    // --- EVA and transfer ---

    // Sends the named member (ASCII case ignored) out of the vessel: CREW_EVA or
    // CREW_TRANSFER, or why not (CrewResult.h, EvaResult):
    //   CREW_NOBODY_ABOARD       the roster is empty
    //   CREW_DOOR_CLOSED         the own airlock door is closed
    //   CREW_DOCKED_DOOR_CLOSED  the docked vessel's crew airlocks are all closed
    //   CREW_DOCKED_FULL         the docked vessel's airlock reports no free seat
    //   CREW_NO_SUCH_MEMBER      null name, name of 40 or more characters, or no such member
    //   CREW_DOCKED_NO_AIRLOCK   docked, but the docked vessel publishes no free-seat value
    //                            or a negative one
    //   CREW_CANNOT_LEAVE        not ready, or the crew-member vessel cannot be made or
    //                            reached (also when its hand-over record cannot be written)
    //   CREW_RECEIVER_NAME_LONG  the docked vessel's name is too long to address a transfer
    //                            vessel to it (more than RECEIVER_NAME_MAX_LENGTH characters)
    //   CREW_TRANSFER_PENDING    an earlier transfer vessel still waits to be taken
    //   CREW_NO_CREW_MODULE      the host made the member's vessel without a module to run
    //                            it (the companion cannot be loaded); it is deleted again
    EvaResult EvaCrewMember(const char *name);

    // The vessel bearing the name of the last crew-member vessel made; null when there is
    // none or the manager is not ready.
    OBJHANDLE GetLastEvaVessel() const;

    // --- returning crew; call once per simulation step, from the post-step callback ---

    // Looks for members inside the airlock box, or handed over by a docked vessel (or left
    // in the box by a transfer whose receiving vessel has gone), and takes every one it finds
    // aboard while seats are free, in list order. The module walks the vessel list once for all its
    // vessels, a slice each step (CrewWalk.h), so a member who stands inside an open airlock
    // of a vessel with a free seat comes aboard within RETURNING_CREW_SCAN_PERIOD plus one
    // step; where several airlocks of the module hold him, the vessel first in the host's
    // list takes him.
    // CREW_BACK_FROM_EVA a member back from EVA came aboard (the focus is back on the own
    // vessel), and perhaps others; CREW_HANDED_OVER members handed over came aboard, none from
    // EVA; CREW_NOBODY_RETURNED (also while the door is closed or no seat is free: nobody is
    // taken in then); CREW_NOT_READY not ready.
    ReturnResult ProcessReturningCrew();

    // The own airlock record, read only (zero before set-up).
    const AirlockSlot &GetAirlock() const { return airlock; }

private:
    // The airlock once the manager is set up; null before.
    AirlockSlot *OwnAirlock();

    // After a roster or seat-limit change: publish maxSeats - count free seats and the status
    // value 0. Before set-up nothing is published.
    void PublishSeats();

    // Adds or takes weight kg to or off the vessel's empty mass and the crew mass.
    void CountCrewMass(double weight);

    // Roster index of the first member of that name (ASCII case ignored); -1 when none.
    int FindCrewMember(const char *name) const;

    // The member that a transfer vessel addressed to this vessel brings, as far as its name
    // is known: from the transfer hand-over file when that holds this member's record (and,
    // with transfer lines read, agrees with one of them), else from the first awaited member
    // whose values are the ones the transfer vessel carries. False when not ready, when no
    // transfer vessel waits for this vessel, or when nothing tells who is in it. Reads the
    // hand-over file; changes nothing.
    bool FindAwaitedMember(CrewMember &member) const;

    // The first line of a scenario block: the roster it brings replaces the one held.
    void StartLoading();

    CrewManagerState state;  // [CREW_STATE_SET_UP]
    OBJHANDLE vesselHandle;  // the own vessel [the set-up argument]
    CrewRoster roster;
    AirlockSlot airlock;  // the vessel's airlock: box, door, published point [set up for it]
    EvaSettings eva;
    AwaitedMembers awaited;
};

// Turns a vessel by the angles (a, b, c) in radians about its x, y and z axes, applied after
// its present orientation: R' = R * X(a) * Y(b) * Z(c). Nothing happens without an interface.
void OrientCrewVessel(const VECTOR3 &rotation, OBJHANDLE vessel);

// result = left * right for row-major 3x3 matrices; result must not alias an operand.
// Returns result.
MATRIX3 &MultiplyMatrix3(MATRIX3 &result, const MATRIX3 &left, const MATRIX3 &right);

// A vessel holds the manager by value in an instance that starts zeroed.
static_assert(std::is_trivially_copyable<CrewManager>::value, "CrewManager must stay plain");
static_assert(std::is_trivially_default_constructible<CrewManager>::value,
              "CrewManager must be usable zero-initialised");

#endif  // VEMO_CREW_CREWMANAGER_H
