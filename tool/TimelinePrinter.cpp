#include "TimelinePrinter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace sim {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Crew numbers are whole; a published value outside this is shown as the number it is.
constexpr double kMaxWholeNumber = 1e9;

// A number as a user reads it: at most two decimals, no trailing zeros.
std::string Short(double x) {
    if (!std::isfinite(x)) {
        return std::isnan(x) ? "nan" : (x > 0 ? "inf" : "-inf");
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", x);
    std::string s = buffer;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

// A number exactly as the world's log writes it (shortest round trip).
std::string Exact(double x) {
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, res.ptr);
}

std::string Vec(const VECTOR3 &v) {
    return "(" + Short(v.x) + ", " + Short(v.y) + ", " + Short(v.z) + ")";
}

// "1 seat", "2 seats".
std::string Count(std::size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Whole(double x) {
    if (!std::isfinite(x) || std::fabs(x) > kMaxWholeNumber) {
        return Short(x);
    }
    return std::to_string(static_cast<long long>(x));  // truncated, as crew libraries read it
}

std::string MeshName(const MeshSlot &slot) {
    if (slot.mesh == nullptr) {
        return "(empty)";
    }
    return static_cast<const MeshRecord *>(slot.mesh)->name;
}

// The text between the first and the last double quote, or false.
bool Quoted(const std::string &text, std::string &inner, bool toLast) {
    const std::size_t open = text.find('"');
    if (open == std::string::npos) {
        return false;
    }
    const std::size_t close = toLast ? text.rfind('"') : text.find('"', open + 1);
    if (close == std::string::npos || close <= open) {
        return false;
    }
    inner = text.substr(open + 1, close - open - 1);
    return true;
}

bool StartsWith(const std::string &s, const char *prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// A scenario line is a crew line when it begins with the keyword in any letter case, as
// crew libraries read it.
bool CrewLineValue(const std::string &line, std::string &value) {
    static const char kKeyword[] = "VEMOCREW";
    const std::size_t n = sizeof kKeyword - 1;
    if (line.size() < n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const char c = line[i];
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != kKeyword[i]) {
            return false;
        }
    }
    std::size_t first = n;
    while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) {
        ++first;
    }
    std::size_t last = first;
    while (last < line.size() && line[last] != ' ' && line[last] != '\t') {
        ++last;
    }
    value = line.substr(first, last - first);
    return true;
}

bool WholeField(const std::string &s, long &value) {
    if (s.empty() || s.size() > 5) {
        return false;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

std::string Printable(const std::string &s) {
    std::string out = s;
    for (char &c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            c = '?';
        }
    }
    return out;
}

std::string DescribeCrewValue(const std::string &value) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (true) {
        const std::size_t dash = value.find('-', from);
        parts.push_back(value.substr(from, dash == std::string::npos ? dash : dash - from));
        if (dash == std::string::npos) {
            break;
        }
        from = dash + 1;
    }
    long age = 0, pulse = 0, weight = 0;
    if (parts.size() != 5 || parts[1].empty() || !WholeField(parts[2], age) ||
        !WholeField(parts[3], pulse) || !WholeField(parts[4], weight)) {
        return value;
    }
    std::string name = parts[1];
    for (char &c : name) {
        c = c == '_' ? ' ' : c;
    }
    std::string text = name;
    if (!parts[0].empty()) {
        text += " (" + parts[0] + ")";
    }
    return text + ", age " + std::to_string(age) + ", pulse " + std::to_string(pulse) + ", " +
           std::to_string(weight) + " kg";
}

// ---------------------------------------------------------------------------------------
// The airlock convention: position (min x, max x, min y), direction (max y, min z, max z),
// rotation (door, status, free seats).
// ---------------------------------------------------------------------------------------
AirlockView AirlockView::From(const Attachment &a) {
    AirlockView v;
    const double box[6] = {a.pos.x, a.pos.y, a.pos.z, a.dir.x, a.dir.y, a.dir.z};
    std::memcpy(v.box, box, sizeof box);
    v.door = a.rot.x;
    v.status = a.rot.y;
    v.freeSeats = a.rot.z;
    return v;
}

bool AirlockView::Contains(const VECTOR3 &p) const {
    return p.x >= box[0] && p.x <= box[1] && p.y >= box[2] && p.y <= box[3] && p.z >= box[4] &&
           p.z <= box[5];
}

std::string AirlockView::Text() const {
    std::string text = "airlock ";
    text += door == 1.0 ? "open" : door == 0.0 ? "closed" : "door " + Short(door);
    const double a = box[1];
    if (a > 0.0 && box[0] == -a && box[2] == -a && box[3] == a && box[4] == -a && box[5] == a) {
        text += ", box \xC2\xB1" + Short(a) + " m";
    } else {
        text += ", box x " + Short(box[0]) + ".." + Short(box[1]) + ", y " + Short(box[2]) + ".." +
                Short(box[3]) + ", z " + Short(box[4]) + ".." + Short(box[5]) + " m";
    }
    text += ", " + Short(freeSeats) + (freeSeats == 1.0 ? " free seat" : " free seats");
    if (status != 0.0) {
        text += ", status " + Short(status);
    }
    return text;
}

bool AirlockView::operator==(const AirlockView &o) const {
    for (int i = 0; i < 6; ++i) {
        if (box[i] != o.box[i]) {
            return false;
        }
    }
    return door == o.door && status == o.status && freeSeats == o.freeSeats;
}

const Attachment *FindAirlock(const VesselRecord &v) {
    for (const Attachment *a : v.toChild) {
        if (a->id == "Vemo") {
            return a;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Printer
// ---------------------------------------------------------------------------------------
TimelinePrinter::TimelinePrinter(const World &world, std::FILE *out, Options options)
    : world_(world), out_(out), options_(options) {}

void TimelinePrinter::SetLoadedShips(const std::vector<ShipBlock> &ships) {
    loadedShips_ = ships;
    loading_ = true;
}

void TimelinePrinter::Line(double time, const std::string &vessel, const char *kind,
                           const std::string &text) {
    if (options_.quiet) {
        return;
    }
    std::fprintf(out_, "%10.3f  %-16s %-10s %s\n", time,
                 vessel.empty() ? "-" : Printable(vessel).c_str(), kind, Printable(text).c_str());
}

void TimelinePrinter::Flush() {
    FlushWith(nullptr);
}

void TimelinePrinter::FlushKey(const std::string &keyText) {
    Override o;
    o.kind = ev::Key;
    o.text = keyText;
    o.first = true;
    FlushWith(&o);
}

void TimelinePrinter::FlushReplacing(const char *kind, const std::string &text) {
    Override o;
    o.kind = kind;
    o.text = text;
    FlushWith(&o);
}

void TimelinePrinter::FlushWith(const Override *o) {
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
        Line(events[skip].time, events[skip].vessel, o->kind, o->text);
    }
    std::size_t i = printed_;
    while (i < end) {
        if (i == skip) {
            if (!o->first && !o->text.empty()) {
                Line(events[i].time, events[i].vessel, o->kind, o->text);
            }
            ++i;
            continue;
        }
        // A set-up run never reaches past the event printed out of order.
        PrintEvent(events, i, skip != kNone && skip > i ? skip : end);
    }
    printed_ = end;
    loading_ = false;
    std::fflush(out_);
}

void TimelinePrinter::PrintEvent(const std::vector<Event> &events, std::size_t &i,
                                 std::size_t end) {
    const Event &e = events[i];
    if (options_.verbose) {
        Raw(e);
        ++i;
        return;
    }
    if (e.kind == ev::Created) {
        PrintSetUp(events, i, end);
        return;
    }
    ++i;
    const VesselRecord *v = world_.liveRecord(world_.find(e.vessel));
    if (e.kind == ev::Attachment) {
        PrintAttachment(e);
    } else if (e.kind == ev::Level) {
        PrintLevel(e);
    } else if (e.kind == ev::Mesh && v != nullptr && StartsWith(e.text, "mesh ")) {
        // "mesh 1 shown in external views": the index becomes the mesh's global name.
        unsigned index = 0;
        const char *text = e.text.c_str();
        const auto [rest, ec] = std::from_chars(text + 5, text + e.text.size(), index);
        if (ec == std::errc() && *rest == ' ' && index < v->meshes.size()) {
            Line(e.time, e.vessel, ev::Mesh, "mesh " + MeshName(v->meshes[index]) + rest);
        } else {
            Raw(e);
        }
    } else if (e.kind == ev::ScenarioLine) {
        std::string line;
        if (Quoted(e.text, line, true)) {
            const std::string cls = v != nullptr ? v->className : "the vessel";
            Line(e.time, e.vessel, ev::ScenarioLine,
                 cls + " passed the scenario line \"" + line +
                     "\" to the host, which does not know it");
        } else {
            Raw(e);
        }
    } else if (e.kind == ev::Saved && !saveTarget_.empty() &&
               StartsWith(e.text, "scenario saved")) {
        Line(e.time, e.vessel, ev::Saved,
             "scenario saved to " + saveTarget_ + e.text.substr(std::strlen("scenario saved")));
        saveTarget_.clear();
    } else if (e.kind == ev::Deleted && crewVessels_.erase(e.vessel) > 0) {
        // A crew-member vessel that goes while an airlock's seat is taken in the same batch
        // has brought its member aboard; a member whose vessel goes with no seat taken was
        // not taken aboard anywhere, and the line does not claim it.
        std::string boarded;
        for (std::size_t k = i; k < events.size() && boarded.empty(); ++k) {
            const VesselRecord *r = world_.liveRecord(world_.find(events[k].vessel));
            const Attachment *a = r != nullptr ? FindAirlock(*r) : nullptr;
            const auto last = a != nullptr ? airlocks_.find(a) : airlocks_.end();
            if (events[k].kind == ev::Attachment && last != airlocks_.end() &&
                a->rot.z < last->second.freeSeats) {
                boarded = r->name;
            }
        }
        Line(e.time, e.vessel, ev::Deleted,
             e.text + (boarded.empty() ? "" : ": its crew member came aboard " + boarded));
    } else if (e.kind == ev::Pilot) {
        // A command for a group the vessel does not have is dropped: it is no longer the
        // pilot's command in force.
        const std::string suffix = " thruster group to command";
        if (StartsWith(e.text, "no ") && e.text.size() > 3 + suffix.size() &&
            e.text.compare(e.text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            pilot_.erase({e.vessel, e.text.substr(3, e.text.size() - 3 - suffix.size())});
        }
        Raw(e);
    } else {
        Raw(e);
    }
}

// A vessel's creation and what its class set up: one line, a line for its meshes, a line per
// convention point it publishes and, for a vessel the scenario brought, who is aboard.
void TimelinePrinter::PrintSetUp(const std::vector<Event> &events, std::size_t &i,
                                 std::size_t end) {
    const Event &e = events[i];
    std::size_t runEnd = i + 1;
    while (runEnd < end && events[runEnd].vessel == e.vessel &&
           events[runEnd].kind != ev::Created) {
        ++runEnd;
    }
    // The record must be the vessel that this event made: not one deleted since, nor a
    // namesake made after it.
    bool gone = false;
    for (std::size_t k = i + 1; k < world_.events().size(); ++k) {
        gone = gone || (events[k].vessel == e.vessel && events[k].kind == ev::Deleted);
    }
    const VesselRecord *v = world_.liveRecord(world_.find(e.vessel));
    if (gone || v == nullptr) {
        Raw(e);
        ++i;
        return;
    }

    std::vector<std::string> parts;
    if (!v->meshes.empty()) {
        parts.push_back(Count(v->meshes.size(), "mesh", "meshes"));
    }
    if (!v->animations.empty()) {
        parts.push_back(Count(v->animations.size(), "animation", "animations"));
    }
    if (!v->tanks.empty()) {
        std::string sizes;
        for (const Tank &t : v->tanks) {
            sizes += (sizes.empty() ? "" : ", ") + Short(t.maxMass) + " kg";
        }
        parts.push_back(Count(v->tanks.size(), "tank", "tanks") + " (" + sizes + ")");
    }
    if (!v->thrusters.empty()) {
        std::string t = Count(v->thrusters.size(), "thruster", "thrusters");
        if (!v->groups.empty()) {
            t += " in " + Count(v->groups.size(), "group", "groups");
        }
        parts.push_back(t);
    }
    if (!v->docks.empty()) {
        parts.push_back(Count(v->docks.size(), "docking port", "docking ports"));
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
        text += Nearest(*v);
    }
    for (std::size_t k = 0; k < parts.size(); ++k) {
        text += (k == 0 ? ": " : ", ") + parts[k];
    }
    Line(e.time, e.vessel, ev::Created, text);

    // Meshes by name, grouped by how they are shown, in the order of their slots.
    std::vector<std::pair<std::string, std::string>> shown;  // mode text, names
    for (const MeshSlot &slot : v->meshes) {
        const std::string modeText = visibilityText(slot.visibility);
        bool found = false;
        for (auto &[m, names] : shown) {
            if (m == modeText) {
                names += ", " + MeshName(slot);
                found = true;
            }
        }
        if (!found) {
            shown.emplace_back(modeText, MeshName(slot));
        }
    }
    std::string meshes;
    for (const auto &[mode, names] : shown) {
        meshes += (meshes.empty() ? "" : "; ") + names + " " + mode;
    }
    if (!meshes.empty()) {
        Line(e.time, e.vessel, ev::Mesh, meshes);
    }

    PrintPublished(e.time, *v);

    // Who came aboard with the scenario: its crew lines, less those that went on to the
    // host's parser because the vessel refused them.
    std::vector<std::string> refused;
    for (std::size_t k = i + 1; k < runEnd; ++k) {
        std::string line;
        if (events[k].kind == ev::ScenarioLine && Quoted(events[k].text, line, true)) {
            refused.push_back(line);
        }
    }
    const ShipBlock *block = nullptr;
    for (const ShipBlock &b : loadedShips_) {
        block = b.name == v->name ? &b : block;
    }
    if (loading_ && block != nullptr && FindAirlock(*v) != nullptr) {
        int aboard = 0;
        for (const std::string &line : block->lines) {
            std::string value;
            if (!CrewLineValue(line, value)) {
                continue;
            }
            bool wasRefused = false;
            for (std::string &r : refused) {
                if (!wasRefused && r == line) {
                    r.clear();  // one refusal answers for one line
                    wasRefused = true;
                }
            }
            if (wasRefused) {
                refusedCrew_[v->name].push_back(value);
            } else {
                Line(e.time, e.vessel, story::Crew, "aboard: " + DescribeCrewValue(value));
                ++aboard;
            }
        }
        if (aboard == 0) {
            Line(e.time, e.vessel, story::Crew, "nobody aboard");
        }
    }

    // The rest of the run, less what the summary told.
    for (std::size_t k = i + 1; k < runEnd;) {
        const std::string &kind = events[k].kind;
        if (kind == ev::Mesh || kind == ev::ThrusterGroup || kind == ev::Attachment) {
            ++k;
        } else {
            PrintEvent(events, k, runEnd);
        }
    }
    i = runEnd;
}

void TimelinePrinter::PrintAttachment(const Event &e) {
    const VesselRecord *v = world_.liveRecord(world_.find(e.vessel));
    std::string id;
    if (v == nullptr || !Quoted(e.text, id, false)) {
        Raw(e);
        return;
    }
    bool convention = false;
    for (const Attachment &a : v->attachments) {
        std::string kind, text;
        if (a.id == id && DescribePoint(*v, a, kind, text)) {
            convention = true;
            if (!text.empty()) {
                Line(e.time, e.vessel, kind.c_str(), text);
            }
        }
    }
    if (!convention) {
        Raw(e);
    }
}

void TimelinePrinter::PrintPublished(double time, const VesselRecord &v) {
    for (const Attachment &a : v.attachments) {
        std::string kind, text;
        if (DescribePoint(v, a, kind, text) && !text.empty()) {
            Line(time, v.name, kind.c_str(), text);
        }
    }
}

// True when the point follows a crew convention; `text` is then what it says now, or empty
// when it says what it said when last printed.
bool TimelinePrinter::DescribePoint(const VesselRecord &v, const Attachment &a, std::string &kind,
                                    std::string &text) {
    text.clear();
    if (!a.toParent && a.id == "Vemo") {
        kind = story::Airlock;
        const AirlockView now = AirlockView::From(a);
        const auto it = airlocks_.find(&a);
        if (it == airlocks_.end()) {
            text = now.Text();
            airlocks_.emplace(&a, now);
            return true;
        }
        AirlockView seatsOnly = it->second;
        seatsOnly.freeSeats = now.freeSeats;
        if (now == it->second) {
            return true;
        }
        if (seatsOnly == now) {
            text = "airlock: " + Short(now.freeSeats) +
                   (now.freeSeats == 1.0 ? " free seat" : " free seats") + " (was " +
                   Short(it->second.freeSeats) + ")";
        } else {
            text = now.Text();
        }
        it->second = now;
        return true;
    }
    // A crew-member vessel: class name beginning with "Vemo", two or more points to a parent,
    // the last of them "V-em" with age, pulse and weight in its position.
    if (a.toParent && a.id == "V-em" && StartsWith(v.className, "Vemo") && v.toParent.size() >= 2 &&
        v.toParent.back() == &a) {
        kind = story::Crew;
        const std::string now = "crew member ready to return: age " + Whole(a.pos.x) + ", pulse " +
                                Whole(a.pos.y) + ", " + Whole(a.pos.z) + " kg";
        std::string &last = points_[&a];
        if (now != last) {
            text = now;
            last = now;
        }
        crewVessels_.insert(v.name);
        return true;
    }
    return false;
}

void TimelinePrinter::PrintLevel(const Event &e) {
    // "retro thruster group level 1": said against the pilot's command when it differs.
    const std::string marker = " thruster group level ";
    const std::size_t at = e.text.find(marker);
    if (at == std::string::npos) {
        Raw(e);
        return;
    }
    const std::string group = e.text.substr(0, at);
    const std::string levelText = e.text.substr(at + marker.size());
    char *endp = nullptr;
    const double level = std::strtod(levelText.c_str(), &endp);
    const auto it = pilot_.find({e.vessel, group});
    if (endp == levelText.c_str() || *endp != '\0' || it == pilot_.end() || it->second == level) {
        Raw(e);
        return;
    }
    Line(e.time, e.vessel, ev::Level, e.text + " (the pilot asked for " + Exact(it->second) + ")");
}

void TimelinePrinter::NotePilotCommand(const std::string &vessel, THGROUP_TYPE group,
                                       double level) {
    pilot_[{vessel, groupTypeName(group)}] = level < 0.0 ? 0.0 : level > 1.0 ? 1.0 : level;
}

// ", 3 m from Pod": where a vessel made during the run appeared, by the nearest other vessel.
std::string TimelinePrinter::Nearest(const VesselRecord &v) const {
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
    return Short(bestDistance) == "0" ? " at " + best->name
                                      : ", " + Short(bestDistance) + " m from " + best->name;
}

void TimelinePrinter::Summary(const ScenarioFile &saved) {
    if (options_.quiet) {
        return;
    }
    std::string header = "at the end, relative to " + world_.options().bodyName + ":";
    if (world_.vessels().empty()) {
        header = "at the end: no vessels";
    }
    std::fprintf(out_, "%s\n", header.c_str());
    const VesselRecord *focus = world_.liveRecord(world_.focus());
    for (const VesselRecord *v : world_.vessels()) {
        std::fprintf(out_, "  %s (%s%s): position %s m, velocity %s m/s\n",
                     Printable(v->name).c_str(), Printable(v->className).c_str(),
                     v == focus ? ", focus" : "", Vec(v->rpos).c_str(), Vec(v->rvel).c_str());
        if (!v->tanks.empty()) {
            std::string tanks;
            for (const Tank &t : v->tanks) {
                tanks +=
                    (tanks.empty() ? "" : ", ") + Short(t.mass) + " of " + Short(t.maxMass) + " kg";
            }
            std::fprintf(out_, "      tanks: %s\n", tanks.c_str());
        }
        int crew = 0;
        auto found = refusedCrew_.find(v->name);
        std::vector<std::string> refused =
            found != refusedCrew_.end() ? found->second : std::vector<std::string>();
        for (const ShipBlock &b : saved.ships) {
            if (b.name != v->name) {
                continue;
            }
            for (const std::string &line : b.lines) {
                std::string value;
                if (!CrewLineValue(line, value)) {
                    continue;
                }
                auto r = std::find(refused.begin(), refused.end(), value);
                if (r != refused.end()) {
                    // Refused at loading and saved again as read: named, but not aboard.
                    refused.erase(r);
                    std::fprintf(out_, "      crew line kept, not aboard: %s\n",
                                 Printable(value).c_str());
                    continue;
                }
                std::fprintf(out_, "      crew: %s\n", Printable(DescribeCrewValue(value)).c_str());
                ++crew;
            }
        }
        if (crew == 0 && FindAirlock(*v) != nullptr) {
            std::fprintf(out_, "      crew: nobody aboard\n");
        }
    }
    std::fflush(out_);
}

}  // namespace sim
