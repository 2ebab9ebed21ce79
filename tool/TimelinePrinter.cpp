#include "TimelinePrinter.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Text.h"
#include "Words.h"

namespace vemosim {

using namespace sim;

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Decimals of a landed vessel's longitude and latitude: a millionth of a degree is 3 cm on
// the Moon, 11 cm on Earth, so a member walking round a capsule shows.
constexpr int kSpotDecimals = 6;

std::string meshName(const MeshSlot &slot) {
    if (slot.mesh == nullptr) {
        return "(empty)";
    }
    return static_cast<const MeshRecord *>(slot.mesh)->name;
}

}  // namespace

TimelinePrinter::TimelinePrinter(const World &world, std::FILE *out, Options options)
    : world_(world), out_(out), options_(options) {}

void TimelinePrinter::setLoadedShips(const std::vector<ShipBlock> &ships) {
    loadedShips_ = ships;
    loading_ = true;
}

void TimelinePrinter::printLine(double time, const std::string &vessel, const char *kind,
                                const std::string &text) {
    if (options_.quiet) {
        return;
    }
    std::fprintf(out_, "%10.3f  %-16s %-10s %s\n", time,
                 vessel.empty() ? "-" : printable(vessel).c_str(), kind, printable(text).c_str());
}

void TimelinePrinter::flush() {
    flushWith(nullptr);
}

void TimelinePrinter::flushKey(const std::string &keyText) {
    Override o;
    o.kind = ev::kKey;
    o.text = keyText;
    o.first = true;
    flushWith(&o);
}

void TimelinePrinter::flushReplacing(const char *kind, const std::string &text) {
    Override o;
    o.kind = kind;
    o.text = text;
    flushWith(&o);
}

void TimelinePrinter::flushWith(const Override *o) {
    const std::vector<Event> &events = world_.events();
    const std::size_t end = events.size();
    if (options_.quiet) {
        printed_ = end;
        return;
    }
    std::size_t skip = kNone;
    if (o != nullptr && !options_.verbose) {
        for (std::size_t k = end; k > printed_; --k) {
            if (events[k - 1].kind == o->kind) {
                skip = k - 1;
                break;
            }
        }
    }
    if (skip != kNone && o->first && !o->text.empty()) {
        printLine(events[skip].time, events[skip].vessel, o->kind, o->text);
    }
    std::size_t i = printed_;
    while (i < end) {
        if (i == skip) {
            if (!o->first && !o->text.empty()) {
                printLine(events[i].time, events[i].vessel, o->kind, o->text);
            }
            ++i;
            continue;
        }
        // A set-up run never reaches past the event printed out of order.
        printEvent(events, i, skip != kNone && skip > i ? skip : end);
    }
    printed_ = end;
    loading_ = false;
    story_.forgetTakers();
    std::fflush(out_);
}

void TimelinePrinter::printEvent(const std::vector<Event> &events, std::size_t &i,
                                 std::size_t end) {
    const Event &e = events[i];
    if (options_.verbose) {
        raw(e);
        ++i;
        return;
    }
    if (e.kind == ev::kCreated) {
        printSetUp(events, i, end);
        return;
    }
    ++i;
    const VesselRecord *v = world_.record(world_.find(e.vessel));
    if (e.kind == ev::kAttachment) {
        printAttachment(e);
    } else if (e.kind == ev::kLevel) {
        printLevel(e);
    } else if (e.kind == ev::kMesh && v != nullptr && startsWith(e.text, "mesh ")) {
        // "mesh 1 shown in external views": the index becomes the mesh's global name.
        unsigned index = 0;
        const char *text = e.text.c_str();
        const auto [rest, ec] = std::from_chars(text + 5, text + e.text.size(), index);
        if (ec == std::errc() && *rest == ' ' && index < v->meshes.size()) {
            printLine(e.time, e.vessel, ev::kMesh, "mesh " + meshName(v->meshes[index]) + rest);
        } else {
            raw(e);
        }
    } else if (e.kind == ev::kScenarioLine) {
        std::string line;
        if (quoted(e.text, line, true)) {
            const std::string cls = v != nullptr ? v->className : "the vessel";
            printLine(e.time, e.vessel, ev::kScenarioLine,
                      cls + " passed the scenario line \"" + line +
                          "\" to the host, which does not know it");
        } else {
            raw(e);
        }
    } else if (e.kind == ev::kSaved && !saveTarget_.empty() &&
               startsWith(e.text, "scenario saved")) {
        printLine(
            e.time, e.vessel, ev::kSaved,
            "scenario saved to " + saveTarget_ + e.text.substr(std::strlen("scenario saved")));
        saveTarget_.clear();
    } else if (e.kind == ev::kDeleted) {
        const std::string boarded = story_.boardedBy(e.vessel);
        printLine(e.time, e.vessel, ev::kDeleted,
                  e.text + (boarded.empty() ? "" : ": its crew member came aboard " + boarded));
    } else if (e.kind == ev::kPilot) {
        // A command for a group the vessel does not have is dropped: it is no longer the
        // pilot's command in force.
        const std::string suffix = " thruster group to command";
        if (startsWith(e.text, "no ") && e.text.size() > 3 + suffix.size() &&
            e.text.compare(e.text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            pilot_.erase({e.vessel, e.text.substr(3, e.text.size() - 3 - suffix.size())});
        }
        raw(e);
    } else {
        raw(e);
    }
}

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

    std::vector<std::string> parts;
    if (!v->meshes.empty()) {
        parts.push_back(countOf(v->meshes.size(), "mesh", "meshes"));
    }
    if (!v->animations.empty()) {
        parts.push_back(countOf(v->animations.size(), "animation", "animations"));
    }
    if (!v->tanks.empty()) {
        std::string sizes;
        for (const Tank &t : v->tanks) {
            sizes += (sizes.empty() ? "" : ", ") + shortNumber(t.maxMass) + " kg";
        }
        parts.push_back(countOf(v->tanks.size(), "tank", "tanks") + " (" + sizes + ")");
    }
    if (!v->thrusters.empty()) {
        std::string t = countOf(v->thrusters.size(), "thruster", "thrusters");
        if (!v->groups.empty()) {
            t += " in " + countOf(v->groups.size(), "group", "groups");
        }
        parts.push_back(t);
    }
    if (!v->docks.empty()) {
        parts.push_back(countOf(v->docks.size(), "docking port", "docking ports"));
    }
    if (!v->attachments.empty()) {
        std::string ids;
        for (const Attachment &a : v->attachments) {
            ids += (ids.empty() ? "\"" : ", \"") + a.id + "\"";
        }
        parts.push_back((v->attachments.size() == 1 ? "attachment point " : "attachment points ") +
                        ids);
    }
    std::string text = v->name + " of class " + v->className + " created";
    if (!loading_) {
        text += nearest(*v);
    }
    for (std::size_t k = 0; k < parts.size(); ++k) {
        text += (k == 0 ? ": " : ", ") + parts[k];
    }
    printLine(e.time, e.vessel, ev::kCreated, text);

    // Meshes by name, grouped by how they are shown, in the order of their slots.
    std::vector<std::pair<std::string, std::string>> shown;  // mode text, names
    for (const MeshSlot &slot : v->meshes) {
        const std::string modeText = visibilityText(slot.visibility);
        bool found = false;
        for (auto &[m, names] : shown) {
            if (m == modeText) {
                names += ", " + meshName(slot);
                found = true;
            }
        }
        if (!found) {
            shown.emplace_back(modeText, meshName(slot));
        }
    }
    std::string meshes;
    for (const auto &[mode, names] : shown) {
        meshes += (meshes.empty() ? "" : "; ") + names + " " + mode;
    }
    if (!meshes.empty()) {
        printLine(e.time, e.vessel, ev::kMesh, meshes);
    }

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

void TimelinePrinter::printAttachment(const Event &e) {
    const VesselRecord *v = world_.record(world_.find(e.vessel));
    std::string id;
    if (v == nullptr || !quoted(e.text, id, false)) {
        raw(e);
        return;
    }
    bool convention = false;
    for (const Attachment &a : v->attachments) {
        std::string kind, text;
        if (a.id == id && story_.describePoint(*v, a, kind, text)) {
            convention = true;
            if (!text.empty()) {
                printLine(e.time, e.vessel, kind.c_str(), text);
            }
        }
    }
    if (!convention) {
        raw(e);
    }
}

void TimelinePrinter::printPublished(double time, const VesselRecord &v) {
    for (const Attachment &a : v.attachments) {
        std::string kind, text;
        if (story_.describePoint(v, a, kind, text) && !text.empty()) {
            printLine(time, v.name, kind.c_str(), text);
        }
    }
}

void TimelinePrinter::printLevel(const Event &e) {
    // "retro thruster group level 1": said against the pilot's command when it differs.
    const std::string marker = " thruster group level ";
    const std::size_t at = e.text.find(marker);
    if (at == std::string::npos) {
        raw(e);
        return;
    }
    const std::string group = e.text.substr(0, at);
    const std::string levelText = e.text.substr(at + marker.size());
    char *endp = nullptr;
    const double level = std::strtod(levelText.c_str(), &endp);
    const auto it = pilot_.find({e.vessel, group});
    if (endp == levelText.c_str() || *endp != '\0' || it == pilot_.end() || it->second == level) {
        raw(e);
        return;
    }
    printLine(e.time, e.vessel, ev::kLevel,
              e.text + " (the pilot asked for " + numberText(it->second) + ")");
}

void TimelinePrinter::notePilotCommand(const std::string &vessel, THGROUP_TYPE group,
                                       double level) {
    pilot_[{vessel, groupTypeName(group)}] = level < 0.0 ? 0.0 : level > 1.0 ? 1.0 : level;
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
    std::string header = "at the end, relative to " + std::string(world_.body().name) + ":";
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
        std::fprintf(out_, "  %s (%s%s): %s\n", printable(v->name).c_str(),
                     printable(v->className).c_str(), v == focus ? ", focus" : "", where.c_str());
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
