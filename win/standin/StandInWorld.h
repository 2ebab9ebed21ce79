// The stand-in for the simulator's executable: a world of a few vessels, just enough for
// the module's calls to do something observable, and a record of every API call made.
#ifndef VEMO_WIN_STANDIN_STANDINWORLD_H
#define VEMO_WIN_STANDIN_STANDINWORLD_H

#define OAPIFUNC __declspec(dllexport)  // this program is the simulator's side
#include "ModuleStartup.h"

constexpr int NAME_SIZE = 64;        // bytes of a vessel or attachment name
constexpr int SHIP_COUNT = 8;        // vessels the world can hold
constexpr int POINT_COUNT = 8;       // attachment points per vessel
constexpr int SCENARIO_LINES = 16;   // lines of one vessel's scenario block
constexpr double STEP_LENGTH = 0.1;  // s, every step of the stand-in

struct Attachment {
    bool toParent;
    VECTOR3 pos, dir, rot;
    char id[NAME_SIZE];
};

struct Ship {
    char name[NAME_SIZE];
    char className[NAME_SIZE];
    bool deleted;
    VESSEL *vessel;  // the module's instance, or the stand-in's own interface
    VECTOR3 pos;     // m, relative to the reference body
    double emptyMass;
    Attachment points[POINT_COUNT];
    int pointCount;
};

// A vessel's scenario block as the module reads it, and the lines it writes back.
struct Scenario {
    const char *lines[SCENARIO_LINES];
    int count;
    int next;
};

struct World {
    Ship ships[SHIP_COUNT];
    int shipCount;
    OBJHANDLE focus;
    double simTime;
};

World &TheWorld();
Ship *FindShip(OBJHANDLE handle);
OBJHANDLE AddShip(const char *name, const char *className);

// Appends one line to the call record. The test reads it back with Recorded(), from the
// position Mark() gave at the start of the part it checks.
void Record(const char *format, ...);
int Mark();
bool Recorded(const char *text, int since = 0);
const char *CallRecord();

#endif  // VEMO_WIN_STANDIN_STANDINWORLD_H
