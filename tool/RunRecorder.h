// What a run looked like, sampled as it goes: where every vessel went in one vessel's frame,
// the crew airlock boxes as they stood, the moments that matter (EVA, a crew member ready to
// return or taken aboard, a transfer, a deployment, an engine lit or out), and the tanks'
// levels and the crew aboard over time. RunPicture draws it.
//
// The recorder reads the host's records of the vessels (their list, positions turned into
// the frame vessel's frame, tanks, thrusters, the airlock points crew-capable vessels
// publish) and its event log (placements, animations), and never changes the world.
//
// The crew conventions are read as CrewStory.h reads them, and who left or boarded which
// vessel as CrewEvents.h reads it.
#ifndef VEMO_TOOL_RUNRECORDER_H
#define VEMO_TOOL_RUNRECORDER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "AirlockPoint.h"
#include "CrewEvents.h"
#include "Orbitersdk.h"
#include "ScenarioFile.h"

namespace sim {
class World;
struct VesselRecord;
}  // namespace sim

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

class RunRecorder {
public:
    RunRecorder();
    ~RunRecorder();
    RunRecorder(const RunRecorder &) = delete;
    RunRecorder &operator=(const RunRecorder &) = delete;

    // Call once the scenario is loaded. `ships` are the blocks it was loaded from (who came
    // aboard with them); `frame` names the frame vessel, or is empty for the first vessel
    // with a crew airlock (the first vessel when none has one). `expectedSteps` bounds how
    // many points a path keeps. false with a reason when there is no such frame vessel.
    bool begin(const sim::World &world, const std::vector<sim::ShipBlock> &ships,
               const std::string &frame, std::uint64_t expectedSteps, std::string &why);
    // Call after every step and after the actions of the timeline.
    void sample(const sim::World &world);
    // The record, with every vessel's last position; call at the end of the run.
    const RunRecord &finish(const sim::World &world);
    // The world's event log was emptied after the last sample: the next reads from its start.
    void eventsCleared() { eventsSeen_ = 0; }

private:
    struct Live;
    struct Moment {  // something a vessel did, to be marked where it stands
        std::size_t track;
        const char *text;
    };
    // One sample, in these steps.
    void detect(const sim::World &world, bool keep);
    void followList(const sim::World &world, std::vector<std::size_t> &fresh,
                    std::vector<std::size_t> &gone);
    std::vector<Moment> readLog(const sim::World &world);
    void place(const sim::World &world, double time, bool keep);
    void readAirlocks(const sim::World &world, double time);
    void markCrew(const sim::World &world, double time, const std::vector<std::size_t> &fresh,
                  const std::vector<std::size_t> &gone);
    void followEngines(const sim::World &world, double time, bool keep);

    int crewBrought(const std::string &vessel) const;
    std::size_t add(const sim::VesselRecord &r);
    void noteBox(const sim::World &world, std::size_t live, double time);
    void mark(double time, std::size_t track, const VECTOR3 &at, std::string text);

    RunRecord record_;
    std::vector<Live> live_;                     // per track, what the recorder follows
    std::map<OBJHANDLE, std::size_t> byHandle_;  // the live vessels' tracks
    CrewMoves<std::size_t> moves_;               // seats freed and taken, by track, this sample
    OBJHANDLE frame_ = nullptr;
    std::size_t eventsSeen_ = 0;
    std::uint64_t stride_ = 1;  // keep a path point every stride-th step
    bool beginning_ = false;    // the first sample: every vessel came with the scenario
    // Per vessel the scenario brought, the crew lines it took; read from the log of loading
    // when the recording begins, as the log does not last the run.
    std::map<std::string, int> crewBrought_;
};

}  // namespace vemosim

#endif
