#include "RunRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "CrewEvents.h"
#include "CrewStory.h"
#include "KnownAnimations.h"
#include "Math3.h"
#include "World.h"

namespace vemosim {

namespace {

using sim::operator+;
using sim::operator-;

// A path keeps about this many points however long the run; the moments that matter (a
// vessel placed, appearing, going) are kept besides.
constexpr std::uint64_t kPathPoints = 2000;
// ... and fewer in a world so large that all its paths would outgrow this many points.
constexpr std::uint64_t kAllPathPoints = 200000;
constexpr std::uint64_t kFewestPathPoints = 50;

// The engines whose lighting and going out a user follows; the attitude thrusters pulse too
// often to mark.
bool isEngine(THGROUP_TYPE type) {
    return type == THGROUP_MAIN || type == THGROUP_RETRO || type == THGROUP_HOVER;
}

const char *engineName(THGROUP_TYPE type) {
    return type == THGROUP_MAIN ? "main" : type == THGROUP_RETRO ? "retro" : "hover";
}


}  // namespace

VECTOR3 RunRecorder::inFrameOf(const sim::VesselRecord &frame, const VECTOR3 &global) {
    return sim::tmul(frame.rot, global - frame.rpos);
}

RunRecorder::RunRecorder() = default;
RunRecorder::~RunRecorder() = default;

bool RunRecorder::begin(const sim::World &world, const std::vector<sim::ShipBlock> &ships,
                        const std::string &frame, std::uint64_t expectedSteps, std::string &why) {
    const std::vector<sim::Event> &events = world.events();
    for (const sim::ShipBlock &b : ships) {
        if (crewBrought_.count(b.name) == 0) {
            crewBrought_[b.name] = static_cast<int>(
                crewLinesTaken(b, linesHandedOn(events, b.name, 0, events.size())));
        }
    }
    const std::vector<sim::VesselRecord *> &list = world.vessels();
    const sim::VesselRecord *first = nullptr, *firstCrewCapable = nullptr, *named = nullptr;
    for (const sim::VesselRecord *r : list) {
        first = first != nullptr ? first : r;
        if (firstCrewCapable == nullptr && findAirlock(*r) != nullptr) {
            firstCrewCapable = r;
        }
        if (named == nullptr && !frame.empty() && r->name == frame) {
            named = r;
        }
    }
    if (!frame.empty() && named == nullptr) {
        why = "--plot-frame: no vessel named '" + frame + "' in the scenario";
        return false;
    }
    const sim::VesselRecord *f = !frame.empty()                ? named
                                 : firstCrewCapable != nullptr ? firstCrewCapable
                                                               : first;
    if (f != nullptr) {
        frame_ = f->handle();
        record_.frameName = f->name;
    }
    const std::uint64_t vessels = list.empty() ? 1 : list.size();
    std::uint64_t points = kAllPathPoints / vessels;
    points = points < kFewestPathPoints ? kFewestPathPoints
             : points > kPathPoints     ? kPathPoints
                                        : points;
    stride_ = expectedSteps / points + 1;
    record_.startTime = world.time();
    eventsSeen_ = world.events().size();
    beginning_ = true;
    detect(world, true);
    beginning_ = false;
    return true;
}

void RunRecorder::sample(const sim::World &world) {
    detect(world, world.stepCount() % stride_ == 0);
}

const RunRecord &RunRecorder::finish(const sim::World &world) {
    const double t = world.time();
    record_.endTime = t;
    for (std::size_t i = 0; i < live_.size(); ++i) {
        Live &l = live_[i];
        Track &track = record_.tracks[i];
        if (!l.lastKept) {
            track.path.push_back(l.last);
            l.lastKept = true;
        }
        if (!l.alive) {
            continue;
        }
        for (TankTrack &tank : track.tanks) {
            if (!tank.mass.values.empty()) {
                tank.mass.add(t, tank.mass.values.back());
            }
        }
        if (!track.crew.values.empty()) {
            track.crew.add(t, track.crew.values.back());
        }
    }
    return record_;
}

std::size_t RunRecorder::add(const sim::VesselRecord &r) {
    Track track;
    track.name = r.name;
    track.className = r.className;
    track.crewMember = isCrewMember(r);
    for (const sim::Tank &t : r.tanks) {
        TankTrack tank;
        tank.maxMass = t.maxMass;
        track.tanks.push_back(tank);
    }
    record_.tracks.push_back(std::move(track));
    Live l;
    l.handle = r.handle();
    l.loaded = beginning_;
    live_.push_back(l);
    return live_.size() - 1;
}

void RunRecorder::mark(double time, std::size_t track, const VECTOR3 &at, std::string text) {
    if (record_.frameLost && record_.frameLostAt < time) {
        return;  // nowhere to draw it; at the moment the frame goes, the last places still hold
    }
    Marker m;
    m.time = time;
    m.track = track;
    m.at = at;
    m.text = std::move(text);
    record_.markers.push_back(std::move(m));
}

void RunRecorder::detect(const sim::World &world, bool keep) {
    const double t = world.time();
    if (frame_ != nullptr && world.record(frame_) == nullptr && !record_.frameLost) {
        record_.frameLost = true;
        record_.frameLostAt = t;
    }
    std::vector<std::size_t> fresh, gone;
    followList(world, fresh, gone);
    const std::vector<Moment> animations = readLog(world);
    place(world, t, keep);
    readAirlocks(world, t);
    markCrew(world, t, fresh, gone);
    for (const Moment &m : animations) {
        if (live_[m.track].alive) {
            mark(t, m.track, live_[m.track].last.at, record_.tracks[m.track].name + ": " + m.text);
        }
    }
    followEngines(world, t, keep);
}

// Vessels that came and went since the last sample.
void RunRecorder::followList(const sim::World &world, std::vector<std::size_t> &fresh,
                             std::vector<std::size_t> &gone) {
    std::vector<bool> seen(live_.size(), false);
    for (const sim::VesselRecord *r : world.vessels()) {
        const auto found = byHandle_.find(r->handle());
        std::size_t i = found != byHandle_.end() ? found->second : live_.size();
        if (i == live_.size()) {
            i = add(*r);
            byHandle_[r->handle()] = i;
            seen.push_back(false);
            fresh.push_back(i);
        }
        seen[i] = true;
    }
    for (std::size_t i = 0; i < live_.size(); ++i) {
        if (live_[i].alive && !seen[i]) {
            live_[i].alive = false;
            byHandle_.erase(live_[i].handle);
            gone.push_back(i);
        }
    }
}

// What the log tells that the API does not: placements, and animations a user knows by name.
std::vector<RunRecorder::Moment> RunRecorder::readLog(const sim::World &world) {
    std::vector<Moment> animations;
    const std::vector<sim::Event> &events = world.events();
    for (; eventsSeen_ < events.size(); ++eventsSeen_) {
        const sim::Event &e = events[eventsSeen_];
        if (e.kind != sim::ev::kMoved && e.kind != sim::ev::kAnimation) {
            continue;
        }
        const auto found = byHandle_.find(world.find(e.vessel));
        if (found == byHandle_.end()) {
            continue;
        }
        const std::size_t i = found->second;
        if (e.kind == sim::ev::kMoved) {
            live_[i].jumped = true;
            continue;
        }
        const char *news = knownAnimationNews(record_.tracks[i].className.c_str(),
                                              readAnimationEvent(e.text));
        if (news != nullptr) {
            animations.push_back({i, news});
        }
    }
    return animations;
}

// Where everything stands now, in the frame vessel's frame.
void RunRecorder::place(const sim::World &world, double t, bool keep) {
    const sim::VesselRecord *f = world.record(frame_);
    if (f == nullptr) {
        return;
    }
    // When the frame vessel was put somewhere, everything else jumped in its frame.
    bool frameJumped = false;
    for (const Live &l : live_) {
        frameJumped = frameJumped || (l.alive && l.handle == frame_ && l.jumped);
    }
    for (std::size_t i = 0; i < live_.size(); ++i) {
        Live &l = live_[i];
        if (!l.alive) {
            continue;
        }
        const bool jumped = l.jumped || frameJumped;
        Track &track = record_.tracks[i];
        const sim::VesselRecord *r = world.record(l.handle);
        if (r == nullptr) {
            continue;
        }
        PathPoint p;
        p.time = t;
        p.at = inFrameOf(*f, r->rpos);
        p.jump = jumped && !track.path.empty();
        const bool first = track.path.empty() && l.lastKept;
        if (keep || jumped || first) {
            // The point before a jump is where the vessel was taken from.
            if (!l.lastKept) {
                track.path.push_back(l.last);
            }
            track.path.push_back(p);
            l.lastKept = true;
        } else {
            l.lastKept = false;
        }
        l.last = p;
        l.jumped = false;
    }
}

// Engines and tanks, from the host's records: the API has no query for either.
void RunRecorder::followEngines(const sim::World &world, double t, bool keep) {
    for (std::size_t i = 0; i < live_.size(); ++i) {
        Live &l = live_[i];
        const sim::VesselRecord *r = l.alive ? world.record(l.handle) : nullptr;
        if (r == nullptr) {
            continue;
        }
        Track &track = record_.tracks[i];
        for (const sim::ThrusterGroup &g : r->groups) {
            if (!isEngine(g.type)) {
                continue;
            }
            bool lit = false, dry = true;
            for (const sim::Thruster *th : g.thrusters) {
                const bool fed = th->tank != nullptr && th->tank->mass > 0.0;
                lit = lit || (th->level > 0.0 && fed);
                dry = dry && !fed;
            }
            bool &was = l.enginesLit[&g];
            if (lit != was) {
                was = lit;
                std::string text = track.name + ": " + engineName(g.type) + " engine ";
                text += lit ? "lit" : dry ? "out, tank empty" : "out";
                mark(t, i, l.last.at, text);
            }
        }
        for (std::size_t k = 0; k < r->tanks.size() && k < track.tanks.size(); ++k) {
            Series &mass = track.tanks[k].mass;
            const double now = r->tanks[k].mass;
            if (keep || mass.values.empty() || (now == 0.0) != (mass.values.back() == 0.0)) {
                mass.add(t, now);
            }
        }
    }
}

}  // namespace vemosim
