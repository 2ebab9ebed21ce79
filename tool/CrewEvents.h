// Crew events as the host logs them and the vessels show them, read once for the story, the
// picture and the check:
//   - the lines a vessel hands to the host's parser at loading are those it did not take, so
//     a crew line handed on is a member not taken aboard;
//   - a member leaves a vessel when a crew member's vessel appears as a seat comes free, and
//     is taken aboard when such a vessel goes as a seat is taken (a vessel takes a member in
//     its post-step and deletes the member's vessel, which goes at the end of that frame).
#ifndef VEMO_TOOL_CREWEVENTS_H
#define VEMO_TOOL_CREWEVENTS_H

#include <cstddef>
#include <string>
#include <vector>

#include "ScenarioFile.h"
#include "World.h"

namespace vemosim {

// The lines the vessel handed to the host's parser, in order, among events [from, to).
std::vector<std::string> linesHandedOn(const std::vector<sim::Event> &events,
                                       const std::string &vessel, std::size_t from, std::size_t to);
// For each line of a block, whether it is one the vessel handed on (`handed`, in order);
// handed lines that are none of the block's go to `strays`.
std::vector<bool> matchHandedOn(const std::vector<std::string> &lines,
                                const std::vector<std::string> &handed,
                                std::vector<std::string> *strays = nullptr);
// How many of the block's crew lines the vessel took: those it did not hand on.
std::size_t crewLinesTaken(const sim::ShipBlock &block, const std::vector<std::string> &handed);

// Who left or boarded which vessel, from the seats of the vessels within one round of events
// (a frame of the log, or the sample of the world since the last). `Vessel` names a vessel as
// the reader knows it.
template <class Vessel>
class CrewMoves {
public:
    // A vessel's free seats changed by `change` (now less before), in the order told.
    void seatsChanged(const Vessel &vessel, double change) {
        if (change != 0.0) {
            changes_.push_back({vessel, change});
        }
    }
    // A crew member's vessel appeared: the first vessel told whose seat came free for it, that
    // seat used up. False when no seat came free: the member came from nowhere aboard.
    bool leftFrom(Vessel &from) { return take(1.0, from); }
    // A crew member's vessel went: the first vessel told whose seat was taken, that seat used
    // up. False when none was: the member went without coming aboard anywhere.
    bool boarded(Vessel &by) { return take(-1.0, by); }
    // The round is over: a seat change not yet used belongs to no member's coming or going.
    void endRound() { changes_.clear(); }

private:
    struct Change {
        Vessel vessel;
        double seats;  // still to be used; its sign tells freed or taken
    };
    bool take(double sign, Vessel &who) {
        for (Change &c : changes_) {
            if (c.seats * sign > 0.0) {
                c.seats -= sign;
                who = c.vessel;
                return true;
            }
        }
        return false;
    }
    std::vector<Change> changes_;
};

}  // namespace vemosim

#endif
