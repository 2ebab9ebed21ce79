// The stand-in's world and its record of calls.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "StandInWorld.h"

namespace {

constexpr int RECORD_SIZE = 1 << 16;  // bytes of the call record
constexpr int LINE_SIZE = 256;        // bytes of one recorded line

World world;
char callRecord[RECORD_SIZE];
int recordLength = 0;

}  // namespace

World &TheWorld() {
    return world;
}

Ship *FindShip(OBJHANDLE handle) {
    for (int i = 0; i < world.shipCount; ++i) {
        if (handle == &world.ships[i]) {
            return &world.ships[i];
        }
    }
    return nullptr;
}

// Vessels the module creates get the simulator's plain interface; the capsule's is replaced
// by the module's instance once ovcInit returns it.
OBJHANDLE AddShip(const char *name, const char *className) {
    if (world.shipCount == SHIP_COUNT) {
        return nullptr;
    }
    Ship &ship = world.ships[world.shipCount++];
    std::snprintf(ship.name, sizeof ship.name, "%s", name ? name : "");
    std::snprintf(ship.className, sizeof ship.className, "%s", className ? className : "");
    // A vessel made here stands for one a module runs (the crew member's own module for a
    // member's vessel): its interface is a VESSEL2, as the crew library checks.
    ship.vessel = new (std::nothrow) VESSEL2(&ship, 1);
    return &ship;
}

void Record(const char *format, ...) {
    char line[LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    const int room = RECORD_SIZE - recordLength;
    const int written = std::snprintf(callRecord + recordLength, room, "%s\n", line);
    if (written > 0) {
        recordLength += written < room ? written : room - 1;
    }
}

int Mark() {
    return recordLength;
}

bool Recorded(const char *text, int since) {
    return std::strstr(callRecord + since, text) != nullptr;
}

const char *CallRecord() {
    return callRecord;
}
