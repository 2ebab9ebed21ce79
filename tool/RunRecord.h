// What a run looked like, as RunRecorder records it and RunPicture draws it: where every
// vessel went in one vessel's frame, the crew airlock boxes as they stood, the moments that
// matter, and the tanks' levels and the crew aboard over time.
#ifndef VEMO_TOOL_RUNRECORD_H
#define VEMO_TOOL_RUNRECORD_H

#include <cstddef>
#include <string>
#include <vector>

#include "Orbitersdk.h"

namespace vemosim {

// One point of a vessel's path, in the frame vessel's frame (m).
struct PathPoint {
    double time = 0.0;  // s
    VECTOR3 at{};
    bool jump = false;  // put here from outside (a timeline placement), not flown here
};

// A value over time, kept where it changes and at the sampled times.
struct Series {
    std::vector<double> times;  // s
    std::vector<double> values;
    void add(double time, double value);
};

struct TankTrack {
    double maxMass = 0.0;  // kg
    Series mass;           // kg
};

// One vessel from the sample it was first seen in to the last one.
struct Track {
    std::string name;
    std::string className;
    bool crewMember = false;   // of the crew-member class
    bool crewCapable = false;  // publishes an airlock point
    std::vector<PathPoint> path;
    std::vector<TankTrack> tanks;  // in the order the class made them
    Series crew;                   // members aboard; crew-capable vessels only
};

// A crew airlock box as it stood, in the frame vessel's frame.
struct BoxView {
    std::size_t track = 0;
    VECTOR3 corners[8]{};
    bool doorOpen = true;
    std::vector<double> times;  // s: every moment the box stood just so and was drawn for
};

struct Marker {
    double time = 0.0;  // s
    std::size_t track = 0;
    VECTOR3 at{};  // where the vessel stood, in the frame vessel's frame (m)
    std::string text;
};

struct RunRecord {
    std::string frameName;
    double startTime = 0.0, endTime = 0.0;  // s
    bool frameLost = false;                 // the frame vessel went during the run
    double frameLostAt = 0.0;               // s
    std::vector<Track> tracks;              // in the order the vessels were first seen
    std::vector<BoxView> boxes;
    std::vector<Marker> markers;  // in time order
};

}  // namespace vemosim

#endif
