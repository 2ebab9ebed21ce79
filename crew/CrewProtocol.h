// The limits of the crew protocol: how long each text may be, and the windows of the numbers a
// member carries. Scenario lines, hand-over records, object names and the crew libraries of
// other vessels all rely on them, so every length in the crew library is derived from here.
#ifndef VEMO_CREW_CREWPROTOCOL_H
#define VEMO_CREW_CREWPROTOCOL_H

#include <cstddef>

#include "CrewNames.h"

// --- scenario lines "<keyword> <missionId>-<name>-<age>-<pulse>-<weight>" ---
inline constexpr char CREW_LINE_KEYWORD[] = "VEMOCREW";
inline constexpr char TRANSFER_LINE_KEYWORD[] = "VEMOTRANSFER";  // a member on the way in
inline constexpr std::size_t CREW_KEYWORD_LENGTH = sizeof CREW_LINE_KEYWORD - 1;
inline constexpr std::size_t TRANSFER_KEYWORD_LENGTH = sizeof TRANSFER_LINE_KEYWORD - 1;
// Characters a number field of a line is read from.
inline constexpr std::size_t LINE_NUMBER_MAX_LENGTH = 5;
// Characters of a line's value the loader reads; a valid value is far shorter, and anything
// after the weight is ignored anyway.
inline constexpr std::size_t LINE_VALUE_MAX_LENGTH = 399;

// --- a member ---
inline constexpr int CREW_NAME_MAX_LENGTH = 25;  // characters kept of a name
inline constexpr int CREW_NAME_SIZE = 40;        // name field, terminator included
inline constexpr int MISSION_ID_MAX_LENGTH = 4;  // characters kept of a mission id
inline constexpr int MISSION_ID_SIZE = 8;        // mission id field, terminator included
// A member's text: the mission id, "-" and the name; the name alone without a mission id.
inline constexpr int CREW_TEXT_MAX_LENGTH = MISSION_ID_MAX_LENGTH + 1 + CREW_NAME_MAX_LENGTH;
inline constexpr int ROSTER_SIZE = 100;  // most members a roster holds

// The windows a roster holds a member's values in: AddCrewMember clamps to them and a crew
// line must lie in them, so a member the roster holds always comes back from a saved scenario.
inline constexpr int MIN_CREW_AGE = 1;  // years
inline constexpr int MAX_CREW_AGE = 140;
inline constexpr int MIN_CREW_PULSE = 0;  // beats per minute
inline constexpr int MAX_CREW_PULSE = 180;
inline constexpr int MIN_CREW_WEIGHT = 5;  // kg
inline constexpr int MAX_CREW_WEIGHT = 300;

// --- object names and the hand-over record ---
// Characters of an object name the crew library makes, and of each text of a record.
inline constexpr int OBJECT_NAME_MAX_LENGTH = 38;
inline constexpr int RECORD_TEXT_MAX_LENGTH = OBJECT_NAME_MAX_LENGTH;
inline constexpr int RECORD_TEXT_SIZE = 40;  // each text field, terminator included
inline constexpr std::size_t EVA_PREFIX_LENGTH = sizeof EVA_VESSEL_PREFIX - 1;
inline constexpr std::size_t TRANSFER_PREFIX_LENGTH = sizeof TRANSFER_VESSEL_PREFIX - 1;
// Longest vessel name a transfer vessel can be addressed to: its name is "VemoT" and the
// receiver's. A longer one would be cut, and the receiver would never know it as its own.
inline constexpr std::size_t RECEIVER_NAME_MAX_LENGTH =
    OBJECT_NAME_MAX_LENGTH - TRANSFER_PREFIX_LENGTH;
// Characters of a member's text read back from the name a member arrives with, after its
// prefix; and of its mission id (one more than a roster keeps, which AddCrewMember cuts).
inline constexpr std::size_t ARRIVING_TEXT_MAX_LENGTH = 32;
inline constexpr int ARRIVING_MISSION_ID_LENGTH = MISSION_ID_MAX_LENGTH + 1;

// The windows of a record's values; a value outside travels as the fallback.
inline constexpr int MAX_RECORD_AGE = 120;  // years, from 0
inline constexpr int FALLBACK_RECORD_AGE = 41;
inline constexpr int MAX_RECORD_PULSE = 140;  // beats per minute, from 0
inline constexpr int FALLBACK_RECORD_PULSE = 60;
inline constexpr int MAX_EVA_PARAMETER = 4000;  // from 0
inline constexpr int FALLBACK_EVA_PARAMETER = 100;

static_assert(CREW_NAME_MAX_LENGTH < CREW_NAME_SIZE && MISSION_ID_MAX_LENGTH < MISSION_ID_SIZE,
              "a member's texts are terminated within their fields");
static_assert(RECORD_TEXT_MAX_LENGTH < RECORD_TEXT_SIZE, "record texts are terminated");
static_assert(EVA_PREFIX_LENGTH + CREW_TEXT_MAX_LENGTH <= OBJECT_NAME_MAX_LENGTH,
              "every member's text fits in a crew-member vessel's name");
static_assert(CREW_TEXT_MAX_LENGTH <= static_cast<int>(ARRIVING_TEXT_MAX_LENGTH),
              "a member's text comes back whole");

#endif  // VEMO_CREW_CREWPROTOCOL_H
