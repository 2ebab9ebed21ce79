// The crew's moments in a recorded run: the airlock boxes as they stood, the seats that came
// free or were taken, and who left or boarded which vessel.
#include <algorithm>
#include <cmath>

#include "CrewStory.h"
#include "Math3.h"
#include "RunRecorder.h"
#include "World.h"

namespace vemosim {

namespace {

using sim::operator+;
using sim::operator-;

// Two boxes whose corners lie closer than this stood in the same place (m).
constexpr double kSameBox = 1e-6;

// An airlock whose box and seats are numbers that can be drawn; a vessel may publish
// anything on its point.
bool drawable(const AirlockPoint &a) {
    const double box[6] = {a.minX, a.maxX, a.minY, a.maxY, a.minZ, a.maxZ};
    return std::all_of(box, box + 6, [](double x) { return std::isfinite(x); }) &&
           std::isfinite(a.freeSeats);
}

}  // namespace

void RunRecorder::noteBox(const sim::World &world, std::size_t i, double time) {
    const Live &l = live_[i];
    const sim::VesselRecord *v = world.record(l.handle);
    const sim::VesselRecord *f = world.record(frame_);
    if (!l.alive || !l.hasAirlock || v == nullptr || f == nullptr) {
        return;
    }
    BoxView box;
    box.track = i;
    box.doorOpen = l.airlock.IsOpen();
    const AirlockPoint &a = l.airlock;
    for (int c = 0; c < 8; ++c) {
        const VECTOR3 local =
            sim::vec(c & 1 ? a.maxX : a.minX, c & 2 ? a.maxY : a.minY, c & 4 ? a.maxZ : a.minZ);
        box.corners[c] = inFrameOf(*f, v->rpos + sim::mul(v->rot, local));
    }
    for (BoxView &seen : record_.boxes) {
        bool same = seen.track == i && seen.doorOpen == box.doorOpen;
        for (int c = 0; c < 8 && same; ++c) {
            same = sim::length(seen.corners[c] - box.corners[c]) < kSameBox;
        }
        if (same) {
            if (seen.times.back() != time) {
                seen.times.push_back(time);
            }
            return;
        }
    }
    box.times.push_back(time);
    record_.boxes.push_back(box);
}

// How many of a vessel's crew lines the vessel took: those it did not hand to the host's
// parser.
int RunRecorder::crewBrought(const std::string &vessel) const {
    const auto found = crewBrought_.find(vessel);
    return found != crewBrought_.end() ? found->second : 0;
}

// Airlocks: where the boxes stand, and the seats that came free or were taken.
void RunRecorder::readAirlocks(const sim::World &world, double t) {
    moves_.endRound();
    for (std::size_t i = 0; i < live_.size(); ++i) {
        Live &l = live_[i];
        Track &track = record_.tracks[i];
        const sim::VesselRecord *r = l.alive ? world.record(l.handle) : nullptr;
        const sim::Attachment *point = r != nullptr ? findAirlock(*r) : nullptr;
        const AirlockPoint now = point != nullptr ? airlockOf(*point) : AirlockPoint{};
        if (point == nullptr || !drawable(now)) {
            continue;
        }
        if (!l.hasAirlock) {
            l.hasAirlock = true;
            track.crewCapable = true;
            l.airlock = now;
            l.freeAtStart = now.freeSeats;
            l.crewAtStart = l.loaded ? crewBrought(track.name) : 0;
            noteBox(world, i, t);
        } else {
            const bool moved = !sameBox(now, l.airlock);
            moves_.seatsChanged(i, now.freeSeats - l.airlock.freeSeats);
            l.airlock = now;
            if (moved) {
                noteBox(world, i, t);
            }
        }
        // The seats give the changes; the scenario gave the crew they started from.
        const double aboard = l.crewAtStart + (l.freeAtStart - now.freeSeats);
        track.crew.add(t, aboard < 0.0 ? 0.0 : aboard);
    }
}

// Crew coming and going: a member's vessel appears as a seat comes free and goes as a seat is
// taken; outside, the member shows when he is ready to return.
void RunRecorder::markCrew(const sim::World &world, double t, const std::vector<std::size_t> &fresh,
                           const std::vector<std::size_t> &gone) {
    for (std::size_t i : fresh) {
        const Track &track = record_.tracks[i];
        if (!track.crewMember || live_[i].loaded) {
            continue;  // one the scenario brought did not just leave
        }
        std::size_t from = live_.size();
        moves_.leftFrom(from);
        const std::string sender = from < live_.size() ? record_.tracks[from].name : "";
        std::string text, to;
        if (isTransferVessel(track.name, &to)) {
            text = "transfer: " + (sender.empty() ? "a crew member" : sender) +
                   " hands a crew member over to " + to;
            for (std::size_t k = 0; k < live_.size(); ++k) {
                if (live_[k].alive && record_.tracks[k].name == to) {
                    noteBox(world, k, t);
                }
            }
        } else {
            text = "EVA: " + track.name + (sender.empty() ? " outside" : " leaves " + sender);
        }
        if (from < live_.size()) {
            noteBox(world, from, t);
        }
        mark(t, i, live_[i].last.at, text);
    }
    for (std::size_t i : gone) {
        const Track &track = record_.tracks[i];
        std::size_t to = live_.size();
        if (!track.crewMember || !moves_.boarded(to)) {
            continue;
        }
        noteBox(world, to, t);
        const std::string &receiver = record_.tracks[to].name;
        mark(t, i, live_[i].last.at,
             isTransferVessel(track.name) ? receiver + " takes the handed-over crew member aboard"
                                          : track.name + " taken aboard " + receiver);
    }
    for (std::size_t i = 0; i < live_.size(); ++i) {
        Live &l = live_[i];
        const sim::VesselRecord *r = l.alive ? world.record(l.handle) : nullptr;
        // A member handed over is ready from the start; only one outside is worth a mark.
        if (r == nullptr || l.ready || isTransferVessel(r->name)) {
            continue;
        }
        if (readyPoint(*r) != nullptr) {
            l.ready = true;
            mark(t, i, l.last.at, record_.tracks[i].name + " ready to return");
        }
    }
}

}  // namespace vemosim
