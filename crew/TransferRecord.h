// The hand-over record: how a crew member's data travel with the member to the side that
// takes the member in. A member leaving on EVA leaves it in EVA_RECORD_PATH for the companion
// module's new vessel; a member handed over to a docked vessel leaves it in
// TRANSFER_RECORD_PATH, which the receiving vessel reads and removes.
//
// The file holds one record of 104 bytes, little-endian whatever the machine:
//
//     offset  size  content
//          0    40  name: "Vemo_" + the member's text, blanks kept, terminated
//         40    40  crew mesh name, terminated
//         80     4  age, years
//         84     4  pulse, beats per minute
//         88     4  EVA parameter
//         92     4  weight, kg
//         96     8  two reserved fields, always 0
//
// The file comes from whichever module wrote it last, so nothing read from it is trusted.
#ifndef VEMO_CREW_TRANSFERRECORD_H
#define VEMO_CREW_TRANSFERRECORD_H

#include <cstddef>
#include <cstdint>

#include "CrewProtocol.h"

struct TransferRecord {
    char name[RECORD_TEXT_SIZE];      // "Vemo_" + the member's text
    char meshName[RECORD_TEXT_SIZE];  // crew mesh name
    std::int32_t age;                 // years
    std::int32_t pulse;               // beats per minute
    std::int32_t evaParameter;
    std::int32_t weight;     // kg
    std::int32_t reserved0;  // always 0
    std::int32_t reserved1;  // always 0
};
// The in-memory record has the file's layout, so offsetof gives the file offsets.
static_assert(sizeof(TransferRecord) == 104, "hand-over record is 104 bytes");
static_assert(offsetof(TransferRecord, meshName) == 40, "record layout");
static_assert(offsetof(TransferRecord, age) == 80, "record layout");
static_assert(offsetof(TransferRecord, pulse) == 84, "record layout");
static_assert(offsetof(TransferRecord, evaParameter) == 88, "record layout");
static_assert(offsetof(TransferRecord, weight) == 92, "record layout");
static_assert(offsetof(TransferRecord, reserved1) == 100, "record layout");

// A record for a member: name "Vemo_" + crewText and the mesh name, each cut to 38
// characters, every other byte of the texts zero; the reserved fields 0.
TransferRecord MakeTransferRecord(const char *crewText, const char *meshName, int age, int pulse,
                                  int evaParameter, int weight);

// Writes the record as one item, replacing the file (OpenCrewFile: never through a link, and
// only over a regular file). False when the record is not on disk whole; a partial file is
// removed.
bool WriteTransferRecord(const TransferRecord &record, const char *path);

// Reads the first 104 bytes of the file into record. False when the file cannot be opened as
// a regular file (OpenCrewFile) or is shorter; record is then unchanged.
bool ReadTransferRecord(const char *path, TransferRecord &record);

// True when the record names a crew member: its name field is terminated within the field
// and begins with "Vemo_".
bool IsCrewRecord(const TransferRecord &record);

#endif  // VEMO_CREW_TRANSFERRECORD_H
