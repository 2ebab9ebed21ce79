// One run of vemosim: reads the scenario and the timeline, makes the world in the runtime
// root, steps it to the end applying the timeline's actions at their times, prints the story
// as it happens, saves the scenario and draws the run. With --check it stops once the
// scenario is loaded and tells what the vessels made of its crew lines.
#ifndef VEMO_TOOL_RUN_H
#define VEMO_TOOL_RUN_H

#include <memory>
#include <string>
#include <vector>

#include "Options.h"
#include "RunRecorder.h"
#include "ScenarioText.h"
#include "Timeline.h"
#include "TimelinePrinter.h"
#include "World.h"

namespace vemosim {

class Run {
public:
    // `start` is the folder vemosim was started in: relative paths are taken from there.
    Run(const Options &o, const std::string &start) : o_(o), start_(start) {}

    // The whole run; returns the exit code.
    int main();

private:
    // Events the world's log holds before the told ones are forgotten.
    static constexpr std::size_t kEventsKeptAtMost = 4096;

    // The run's phases, in order; each returns an exit code, kExitOk to go on.
    int readInputs();
    int checkOutputs();
    int load();
    int check();  // instead of fly and finish, with --check
    int fly();
    int finish();

    void flush();
    // Records the world for the picture, when the run is drawn.
    void sample();
    // After a step is told and sampled: empties the world's event log once it holds
    // kEventsKeptAtMost events, so that a run's memory does not grow with its length.
    void forgetToldEvents();
    // Draws the run into the --plot file.
    int draw();
    std::vector<VECTOR3> frameBody(const std::string &frameName) const;
    // After a step or an action: a module's use of a destroyed vessel's handle ends the run.
    bool destroyedHandleUsed();
    // Carries out one timeline action; an action that cannot be carried out is bad input.
    int apply(const TimelineAction &a);
    void announce(const TimelineAction &a);
    // Presses the keys of a chord on the focus vessel's keyboard, and lets them go.
    void pressKeys(const std::vector<int> &keys);
    // Saves the world's scenario to `path`, named `shown` in messages.
    int save(const std::string &path, const std::string &shown);
    int badAction(const TimelineAction &a, const std::string &why);
    std::string placeText(const TimelineAction &a, OBJHANDLE other) const;
    std::string focusName() const;
    std::string at() const;

    const Options &o_;
    const std::string start_;
    std::string scenarioText_;  // as read, for the line numbers of a check
    sim::ParsedScenario scenario_;
    Timeline timeline_;
    std::string root_;          // the runtime root, as entered
    std::size_t nextAction_ = 0;  // the timeline's first action not yet carried out
    // Made by load(), in this order; the printer tells of the world, so it goes first.
    std::unique_ptr<sim::World> world_;
    std::unique_ptr<TimelinePrinter> printer_;
    std::unique_ptr<RunRecorder> recorder_;  // when the run is drawn
    sim::ScenarioFile lastSaved_;      // the scenario as last saved
};

}  // namespace vemosim

#endif
