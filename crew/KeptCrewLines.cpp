// Refused crew lines, kept for saving (see KeptCrewLines.h).
#include "KeptCrewLines.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CrewManager.h"
#include "CrewText.h"

namespace {

constexpr std::size_t FIRST_CAPACITY = 256;  // bytes taken for the first kept line or more
constexpr int LOG_LINE_SIZE = 160;           // bytes of a line written to the host's log
constexpr int LOGGED_LINE_LENGTH = 60;       // characters of the lost line shown in the log

}  // namespace

int KeptCrewLines::Keep(const char *line) {
    if (!line || !(CrewManager::IsCrewLine(line) || CrewManager::IsTransferLine(line))) {
        return CREW_REFUSED;
    }
    std::size_t itemLength = 0;
    while (line[itemLength] != '\0' && !crewtext::IsBlankSpace(line[itemLength])) {
        ++itemLength;
    }
    const char *value = line + itemLength;
    while (crewtext::IsBlankSpace(*value)) {
        ++value;
    }
    const std::size_t valueLength = std::strlen(value);
    // Both lengths are parts of one line in memory, so their sum with two terminators fits.
    const std::size_t needed = itemLength + 1 + valueLength + 1;

    if (needed > capacity - used) {
        std::size_t grown = capacity < FIRST_CAPACITY ? FIRST_CAPACITY : capacity;
        while (grown - used < needed && grown <= SIZE_MAX / 2) {
            grown *= 2;
        }
        char *larger =
            grown - used >= needed ? static_cast<char *>(std::realloc(text, grown)) : nullptr;
        if (!larger) {
            char message[LOG_LINE_SIZE];
            std::snprintf(message, sizeof message,
                          "crew: no memory to keep the crew line \"%.*s\": it will not be saved",
                          LOGGED_LINE_LENGTH, line);
            oapiWriteLog(message);
            return CREW_ERROR;
        }
        text = larger;
        capacity = grown;
    }
    char *item = text + used;
    std::memcpy(item, line, itemLength);
    item[itemLength] = '\0';
    std::memcpy(item + itemLength + 1, value, valueLength + 1);
    used += needed;
    ++count;
    return CREW_OK;
}

void KeptCrewLines::Write(FILEHANDLE scn) {
    char *item = text;
    for (int i = 0; i < count; ++i) {
        char *value = item + std::strlen(item) + 1;
        oapiWriteScenario_string(scn, item, value);
        item = value + std::strlen(value) + 1;
    }
}

void KeptCrewLines::Clear() {
    std::free(text);
    text = nullptr;
    used = 0;
    capacity = 0;
    count = 0;
}
