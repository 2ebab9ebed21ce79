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
#include "RunRecord.h"
#include "ScenarioFile.h"

namespace sim {
class World;
struct VesselRecord;
}  // namespace sim

namespace vemosim {

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
    // Per track, what the recorder follows of the vessel.
    struct Live {
        OBJHANDLE handle = nullptr;
        bool alive = true;
        PathPoint last;  // the latest position, kept or not
        bool lastKept = true;
        bool jumped = false;  // placed from outside since the last sample
        bool hasAirlock = false;
        AirlockPoint airlock{};
        int crewAtStart = 0;  // aboard when the airlock was first seen
        double freeAtStart = 0.0;
        bool ready = false;   // a crew member's "ready to return" point was seen
        bool loaded = false;  // the scenario brought it
        std::map<const void *, bool> enginesLit;  // by thruster group
    };
    // Where a point of the global frame lies in a vessel's own frame.
    static VECTOR3 inFrameOf(const sim::VesselRecord &frame, const VECTOR3 &global);
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
