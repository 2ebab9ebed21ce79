// The printer's lines of vessels: a vessel made, with what its class set up, and every
// vessel at the end of the run.
#include <cstdio>

#include "Text.h"
#include "TimelinePrinter.h"
#include "Words.h"

namespace vemosim {

using namespace sim;

namespace {

// Decimals of a landed vessel's longitude and latitude: a millionth of a degree is 3 cm on
// the Moon, 11 cm on Earth, so a member walking round a capsule shows.
constexpr int kSpotDecimals = 6;

// ": 2 tanks (2 kg, 6 kg), 22 thrusters in 12 groups": what a pilot flies with; meshes,
// animations and attachment points are the host's detail, which verbose mode adds.
std::string setUpText(const VesselRecord &v) {
    std::vector<std::string> parts;
    if (!v.tanks.empty()) {
        std::string sizes;
        for (const Tank &t : v.tanks) {
            sizes += (sizes.empty() ? "" : ", ") + shortNumber(t.maxMass) + " kg";
        }
        parts.push_back(countOf(v.tanks.size(), "tank", "tanks") + " (" + sizes + ")");
    }
    if (!v.thrusters.empty()) {
        std::string t = countOf(v.thrusters.size(), "thruster", "thrusters");
        if (!v.groups.empty()) {
            t += " in " + countOf(v.groups.size(), "group", "groups");
        }
        parts.push_back(t);
    }
    if (!v.docks.empty()) {
        parts.push_back(countOf(v.docks.size(), "docking port", "docking ports"));
    }
    std::string text;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        text += (k == 0 ? ": " : ", ") + parts[k];
    }
    return text;
}

}  // namespace

// A vessel's creation and what its class set up: one line, a line for its meshes, a line per
// convention point it publishes and, for a vessel the scenario brought, who is aboard.
void TimelinePrinter::printSetUp(const std::vector<Event> &events, std::size_t &i,
                                 std::size_t end) {
    const Event &e = events[i];
    std::size_t runEnd = i + 1;
    while (runEnd < end && events[runEnd].vessel == e.vessel &&
           events[runEnd].kind != ev::kCreated) {
        ++runEnd;
    }
    // The record must be the vessel that this event made: not one deleted since, nor a
    // namesake made after it.
    bool gone = false;
    for (std::size_t k = i + 1; k < world_.events().size(); ++k) {
        gone = gone || (events[k].vessel == e.vessel && events[k].kind == ev::kDeleted);
    }
    const VesselRecord *v = world_.record(world_.find(e.vessel));
    if (gone || v == nullptr) {
        raw(e);
        ++i;
        return;
    }

    std::string text = v->name + " of class " + v->className + " created";
    if (!loading_) {
        text += nearest(*v);
    }
    text += setUpText(*v);
    printLine(e.time, e.vessel, ev::kCreated, text);

    printPublished(e.time, *v);

    // Who came aboard with the scenario: its crew lines, less those that went on to the
    // host's parser because the vessel refused them.
    const std::vector<std::string> handed = linesHandedOn(events, v->name, i + 1, runEnd);
    const ShipBlock *block = nullptr;
    for (const ShipBlock &b : loadedShips_) {
        block = b.name == v->name ? &b : block;
    }
    if (loading_ && block != nullptr) {
        for (const std::string &told : story_.aboardAtLoad(*v, *block, handed)) {
            printLine(e.time, e.vessel, CrewStory::kCrew, told);
        }
    }

    // The rest of the run, less what the summary told.
    for (std::size_t k = i + 1; k < runEnd;) {
        const std::string &kind = events[k].kind;
        if (kind == ev::kMesh || kind == ev::kThrusterGroup || kind == ev::kAttachment) {
            ++k;
        } else {
            printEvent(events, k, runEnd);
        }
    }
    i = runEnd;
}

void TimelinePrinter::printPublished(double time, const VesselRecord &v) {
    for (const Attachment &a : v.attachments) {
        std::string kind, text;
        if (story_.describePoint(v, a, kind, text) && !text.empty()) {
            printLine(time, v.name, kind.c_str(), text);
        }
    }
}

// ", 3 m from Pod": where a vessel made during the run appeared, by the nearest other vessel.
std::string TimelinePrinter::nearest(const VesselRecord &v) const {
    const VesselRecord *best = nullptr;
    double bestDistance = 0.0;
    for (const VesselRecord *o : world_.vessels()) {
        if (o == &v) {
            continue;
        }
        const double d = length(o->rpos - v.rpos);
        if (best == nullptr || d < bestDistance) {
            best = o;
            bestDistance = d;
        }
    }
    if (best == nullptr) {
        return std::string();
    }
    return shortNumber(bestDistance) == "0"
               ? " at " + best->name
               : ", " + shortNumber(bestDistance) + " m from " + best->name;
}

void TimelinePrinter::summary(const ScenarioFile &saved) {
    if (options_.quiet) {
        return;
    }
    finish();
    // Vessels at one body are told relative to it; at several, each names its own.
    bool oneBody = true;
    for (const VesselRecord *v : world_.vessels()) {
        oneBody = oneBody && &world_.bodyOf(*v) == &world_.body();
    }
    std::string header = oneBody ? "at the end, relative to " + std::string(world_.body().name) + ":"
                                 : std::string("at the end:");
    if (world_.vessels().empty()) {
        header = "at the end: no vessels";
    }
    std::fprintf(out_, "%s\n", header.c_str());
    const VesselRecord *focus = world_.record(world_.focus());
    const std::vector<VesselRecord *> &vessels = world_.vessels();
    for (std::size_t place = 0; place < vessels.size(); ++place) {
        const VesselRecord *v = vessels[place];
        const std::string where =
            v->status == sim::kLanded
                ? "landed at longitude " + shortNumber(v->spot.lng, kSpotDecimals) + ", latitude " +
                      shortNumber(v->spot.lat, kSpotDecimals) + ", heading " +
                      shortNumber(v->spot.heading) + " degrees"
                : "position " + shortVector(v->rpos) + " m, velocity " + shortVector(v->rvel) +
                      " m/s";
        const std::string body = oneBody ? "" : std::string(world_.bodyOf(*v).name) + ", ";
        std::fprintf(out_, "  %s (%s%s): %s%s\n", printable(v->name).c_str(),
                     printable(v->className).c_str(), v == focus ? ", focus" : "", body.c_str(),
                     where.c_str());
        if (!v->tanks.empty()) {
            std::string tanks;
            for (const Tank &t : v->tanks) {
                tanks += (tanks.empty() ? "" : ", ") + shortNumber(t.mass) + " of " +
                         shortNumber(t.maxMass) + " kg";
            }
            std::fprintf(out_, "      tanks: %s\n", tanks.c_str());
        }
        // The saved scenario lists the vessels in the world's order; names may repeat.
        const bool hasBlock = place < saved.ships.size() && saved.ships[place].name == v->name;
        for (const std::string &line :
             story_.summary(*v, hasBlock ? &saved.ships[place] : nullptr)) {
            std::fprintf(out_, "      %s\n", printable(line).c_str());
        }
    }
    std::fflush(out_);
}
}  // namespace vemosim
