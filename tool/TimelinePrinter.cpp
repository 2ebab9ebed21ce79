#include "TimelinePrinter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "KnownAnimations.h"
#include "Text.h"
#include "Words.h"

namespace vemosim {

using namespace sim;

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Lines the columns are fitted to before the first goes out: enough for any ordinary run
// told whole, and a bound on what a long run keeps.
constexpr std::size_t kRowsToAlignAtMost = 1000;

// The column headings.
constexpr const char *kTimeHeading = "time (s)";
constexpr const char *kVesselHeading = "vessel";
constexpr const char *kKindHeading = "event";
constexpr const char *kTextHeading = "what happened";
// Kinds of the printer's own lines.
constexpr const char *kDeploy = "deploy";
constexpr const char *kEngine = "engine";
constexpr const char *kHost = "host";  // verbose: an event as the host logged it

// "retro thruster group": how a pilot names the group, "retro engine" or "pitch up thrusters".
std::string groupWords(const std::string &group) {
    const std::string suffix = " thruster group";
    std::string name = group;
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.erase(name.size() - suffix.size());
    }
    if (name == "main" || name == "retro" || name == "hover") {
        return name + " engine";
    }
    return name + " thrusters";
}

// "(1 2 3)" at `at` in the host's text, as three numbers.
bool vectorIn(const std::string &text, std::size_t at, VECTOR3 &v) {
    double x[3];
    std::size_t pos = at + 1;
    for (double &value : x) {
        while (pos < text.size() && text[pos] == ' ') {
            ++pos;
        }
        const std::size_t end = text.find_first_of(" )", pos);
        if (end == std::string::npos || !parseNumber(text.substr(pos, end - pos), value)) {
            return false;
        }
        pos = end;
    }
    v = {x[0], x[1], x[2]};
    return at < text.size() && text[at] == '(' && pos < text.size() && text[pos] == ')';
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
    char when[32];
    std::snprintf(when, sizeof when, "%.3f", time);
    rows_.push_back({when, vessel.empty() ? "-" : printable(vessel), kind, printable(text)});
    if (timeWidth_ != 0 || rows_.size() >= kRowsToAlignAtMost) {
        finish();  // the columns are set (or set now): the line goes out at once
    }
}

void TimelinePrinter::finish() {
    if (options_.quiet || (rows_.empty() && timeWidth_ != 0)) {
        return;
    }
    if (timeWidth_ == 0) {
        timeWidth_ = std::strlen(kTimeHeading);
        vesselWidth_ = std::strlen(kVesselHeading);
        kindWidth_ = std::strlen(kKindHeading);
        for (const Row &r : rows_) {
            timeWidth_ = std::max(timeWidth_, r.time.size());
            vesselWidth_ = std::max(vesselWidth_, r.vessel.size());
            kindWidth_ = std::max(kindWidth_, r.kind.size());
        }
        std::fprintf(out_, "%*s  %-*s  %-*s  %s\n", int(timeWidth_), kTimeHeading,
                     int(vesselWidth_), kVesselHeading, int(kindWidth_), kKindHeading,
                     kTextHeading);
    }
    for (const Row &r : rows_) {
        std::fprintf(out_, "%*s  %-*s  %-*s  %s\n", int(timeWidth_), r.time.c_str(),
                     int(vesselWidth_), r.vessel.c_str(), int(kindWidth_), r.kind.c_str(),
                     r.text.c_str());
    }
    rows_.clear();
    std::fflush(out_);
}

void TimelinePrinter::host(const Event &e) {
    printLine(e.time, e.vessel, kHost, e.kind + ": " + e.text);
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
    if (o != nullptr) {
        for (std::size_t k = end; k > printed_; --k) {
            if (events[k - 1].kind == o->kind) {
                skip = k - 1;
                break;
            }
        }
    }
    if (skip != kNone && o->first) {
        if (!o->text.empty()) {
            printLine(events[skip].time, events[skip].vessel, o->kind, o->text);
        }
        if (options_.verbose) {
            host(events[skip]);
        }
    }
    std::size_t i = printed_;
    while (i < end) {
        if (i == skip) {
            if (!o->first && !o->text.empty()) {
                printLine(events[i].time, events[i].vessel, o->kind, o->text);
            }
            if (!o->first && options_.verbose) {
                host(events[i]);
            }
            ++i;
            continue;
        }
        // A set-up run never reaches past the event printed out of order.
        const std::size_t from = i;
        printEvent(events, i, skip != kNone && skip > i ? skip : end);
        for (std::size_t k = from; options_.verbose && k < i; ++k) {
            if (k != skip) {
                host(events[k]);
            }
        }
    }
    printed_ = end;
    loading_ = false;
    story_.forgetTakers();
}

void TimelinePrinter::printEvent(const std::vector<Event> &events, std::size_t &i,
                                 std::size_t end) {
    const Event &e = events[i];
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
    } else if (e.kind == ev::kMesh) {
        // Meshes shown and hidden are the host's detail: what they show is told otherwise.
    } else if (e.kind == ev::kThrusterGroup) {
        // An engine made during the run is news; attitude thruster groups are set-up.
        const std::size_t at = e.text.find(" thruster group created");
        const std::string words = groupWords(e.text.substr(0, at));
        if (at != std::string::npos && words.find(" engine") != std::string::npos) {
            printLine(e.time, e.vessel, kEngine, words + " ready");
        }
    } else if (e.kind == ev::kAnimation) {
        printAnimation(e, v);
    } else if (e.kind == ev::kMoved) {
        printMoved(e);
    } else if (e.kind == ev::kScenarioLine) {
        printScenarioLine(e, v);
    } else if (e.kind == ev::kSaved && !saveTarget_.empty() &&
               startsWith(e.text, "scenario saved")) {
        printLine(
            e.time, e.vessel, ev::kSaved,
            "scenario saved to " + saveTarget_ + e.text.substr(std::strlen("scenario saved")));
        saveTarget_.clear();
    } else if (e.kind == ev::kDeleted) {
        const std::string boarded = story_.boardedBy(e.vessel);
        printLine(e.time, e.vessel, ev::kDeleted,
                  boarded.empty() ? e.text : "went aboard " + boarded);
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

void TimelinePrinter::printAttachment(const Event &e) {
    // Points that follow no crew convention (a crew member's grip, the mark a vessel
    // leaves on a member it takes aboard) are the host's detail, and so are the points of
    // a vessel gone by the time they are told.
    const VesselRecord *v = world_.record(world_.find(e.vessel));
    std::string id;
    if (v == nullptr || !quoted(e.text, id, false)) {
        return;
    }
    for (const Attachment &a : v->attachments) {
        std::string kind, text;
        if (a.id == id && story_.describePoint(*v, a, kind, text) && !text.empty()) {
            printLine(e.time, e.vessel, kind.c_str(), text);
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
    if (endp == levelText.c_str() || *endp != '\0') {
        raw(e);
        return;
    }
    const auto it = pilot_.find({e.vessel, group});
    std::string text = groupWords(group) +
                       (level == 0.0 ? std::string(" off") : " at level " + shortNumber(level));
    if (it != pilot_.end() && it->second != level) {
        text += " (the pilot asked for " + shortNumber(it->second) + ")";
    }
    printLine(e.time, e.vessel, ev::kLevel, text);
}

// "animation 0 starts moving", "animation 0 comes to rest at state 1": for an animation a
// user knows by name, what it does.
void TimelinePrinter::printAnimation(const Event &e, const VesselRecord *v) {
    const AnimationNews news = readAnimationEvent(e.text);
    const char *known = v != nullptr ? knownAnimationNews(v->className.c_str(), news) : nullptr;
    if (known != nullptr) {
        printLine(e.time, e.vessel, kDeploy, known);
    } else if (news.rests) {
        printLine(e.time, e.vessel, ev::kAnimation,
                  "animation " + std::to_string(news.index) + " comes to rest at state " +
                      shortNumber(news.state));
    } else {
        raw(e);
    }
}

// "position set to (1 2 3)", "placed at (1 2 3) from Pod": the numbers as the story writes
// them, with their unit.
void TimelinePrinter::printMoved(const Event &e) {
    const std::size_t open = e.text.find('(');
    VECTOR3 v{};
    if (open == std::string::npos || !vectorIn(e.text, open, v)) {
        raw(e);
        return;
    }
    const std::string unit = startsWith(e.text, "velocity") ? " m/s" : " m";
    printLine(
        e.time, e.vessel, ev::kMoved,
        e.text.substr(0, open) + shortVector(v) + unit + e.text.substr(e.text.find(')', open) + 1));
}

// A line the vessel left to the host's parser. A crew line there is a crew member the vessel
// did not take aboard; a vessel without a crew airlock takes nobody, which for a capsule
// means the companion crew-member module is missing.
void TimelinePrinter::printScenarioLine(const Event &e, const VesselRecord *v) {
    std::string line;
    if (!quoted(e.text, line, true)) {
        raw(e);
        return;
    }
    if (v != nullptr && isCrewLine(line)) {
        const std::string who = describeCrewLine(line);
        printLine(e.time, e.vessel, CrewStory::kCrew,
                  "crew line not taken (" + who + "): " +
                      (findAirlock(*v) == nullptr
                           ? v->name + " takes no crew; is the companion crew-member module "
                                       "installed?"
                           : v->name + " did not take it; vemosim --check tells why"));
        return;
    }
    const std::string cls = v != nullptr ? v->className : "the vessel";
    printLine(e.time, e.vessel, ev::kScenarioLine,
              cls + " left the scenario line \"" + line + "\" to the host, which does not know it");
}

void TimelinePrinter::notePilotCommand(const std::string &vessel, THGROUP_TYPE group,
                                       double level) {
    pilot_[{vessel, groupTypeName(group)}] = level < 0.0 ? 0.0 : level > 1.0 ? 1.0 : level;
}

}  // namespace vemosim
