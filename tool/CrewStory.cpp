#include "CrewStory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CrewLineReading.h"
#include "CrewManager.h"
#include "CrewNames.h"
#include "CrewText.h"
#include "Words.h"

namespace vemosim {

namespace {

constexpr char kCrewKeyword[] = "VEMOCREW";
constexpr std::size_t kKeywordLength = sizeof kCrewKeyword - 1;
constexpr std::size_t kTransferKeywordLength = sizeof "VEMOTRANSFER" - 1;
constexpr std::size_t kMaxValue = 399;  // characters of the value a vessel reads
constexpr std::size_t kMaxMission = MISSION_ID_MAX_LENGTH;
constexpr std::size_t kMaxName = CREW_NAME_MAX_LENGTH;
constexpr std::size_t kMaxNumber = 5;  // characters a number is read from
// Crew numbers are whole; a published value outside this is shown as the number it is.
constexpr double kMaxWholeNumber = 1e9;

struct Window {
    const char *field;
    long low, high;
    const char *missing;  // when the value stops before this field
};
// The crew library's own windows: a line outside them is refused.
const Window kNumbers[] = {
    {"age", MIN_CREW_AGE, MAX_CREW_AGE, "no age after the name"},
    {"pulse", MIN_CREW_PULSE, MAX_CREW_PULSE, "the value stops after the age: no pulse"},
    {"weight", MIN_CREW_WEIGHT, MAX_CREW_WEIGHT, "the value stops after the pulse: no weight"},
};

std::string whole(double x) {
    if (!std::isfinite(x) || std::fabs(x) > kMaxWholeNumber) {
        return shortNumber(x);
    }
    return std::to_string(static_cast<long long>(x));  // truncated, as crew libraries read it
}

std::string seatsText(double freeSeats) {
    return shortNumber(freeSeats) + (freeSeats == 1.0 ? " free seat" : " free seats");
}

bool isLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A whole number as a vessel reads it: an optional sign, then digits, up to the first other
// character; no digits read as 0.
long readNumber(const std::string &text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string inQuotes(const std::string &s) {
    return "'" + s + "'";
}

// The value split at every '-'.
std::vector<std::string> fields(const std::string &value) {
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t dash = value.find('-', from);
        parts.push_back(value.substr(from, dash == std::string::npos ? dash : dash - from));
        if (dash == std::string::npos) {
            return parts;
        }
        from = dash + 1;
    }
}

// Reads the name and the numbers after the mission id into `r`; false with `r.why` when a
// vessel would refuse them.
bool readFields(const std::vector<std::string> &parts, const std::string &token, CrewReading &r) {
    if (parts.size() < 2) {
        r.why = "no '-' in the value " + inQuotes(token) + ", so no name";
        return false;
    }
    // An empty name is taken: the roster holds one, and a saved member must come back.
    const std::string &written = parts[1];
    r.name = written.substr(0, kMaxName);
    if (written.size() > kMaxName) {
        r.changes.push_back("name cut at " + std::to_string(kMaxName) + " characters, from " +
                            std::to_string(written.size()) + " to " + inQuotes(r.name));
    }
    bool odd = false;
    for (char &c : r.name) {
        odd = odd || (c != '_' && !isLetterOrDigit(c));
        c = isLetterOrDigit(c) ? c : ' ';
    }
    if (odd) {
        r.changes.push_back("characters other than letters, digits and '_' in the name " +
                            inQuotes(written.substr(0, kMaxName)) + " became blanks");
    }

    long *const numbers[] = {&r.age, &r.pulse, &r.weight};
    for (std::size_t i = 0; i < 3; ++i) {
        const Window &w = kNumbers[i];
        if (parts.size() < i + 3) {
            r.why = w.missing;
            return false;
        }
        const std::string &text = parts[i + 2];
        const long value = readNumber(text.substr(0, kMaxNumber));
        *numbers[i] = value;
        if (text.size() > kMaxNumber) {
            r.changes.push_back(std::string(w.field) + " " + inQuotes(text) +
                                " read from its first five characters " +
                                inQuotes(text.substr(0, kMaxNumber)) + " as " +
                                std::to_string(value));
        } else if (text != std::to_string(value)) {
            r.changes.push_back(std::string(w.field) + " " + inQuotes(text) + " read as " +
                                std::to_string(value));
        }
        if (value < w.low || value > w.high) {
            r.why = std::string(w.field) + " " + std::to_string(value) + " is outside " +
                    std::to_string(w.low) + " to " + std::to_string(w.high);
            return false;
        }
    }
    if (parts.size() > 5) {
        std::string rest;
        for (std::size_t i = 5; i < parts.size(); ++i) {
            rest += "-" + parts[i];
        }
        r.changes.push_back(inQuotes(rest) + " after the weight is not read");
    }
    return true;
}

}  // namespace

// --- The airlock point ------------------------------------------------------------------

const sim::Attachment *findAirlock(const sim::VesselRecord &v) {
    for (const sim::Attachment *a : v.toChild) {
        if (a->id == AIRLOCK_POINT_ID) {
            return a;
        }
    }
    return nullptr;
}

AirlockPoint airlockOf(const sim::Attachment &a) {
    return DecodeAirlockPoint(a.pos, a.dir, a.rot);
}

std::string airlockText(const AirlockPoint &a) {
    std::string text = "airlock ";
    text += a.door == AIRLOCK_DOOR_OPEN     ? "open"
            : a.door == AIRLOCK_DOOR_CLOSED ? "closed"
                                            : "door " + shortNumber(a.door);
    const double r = a.maxX;
    if (r > 0.0 && a.minX == -r && a.minY == -r && a.maxY == r && a.minZ == -r && a.maxZ == r) {
        text += ", box \xC2\xB1" + shortNumber(r) + " m";
    } else {
        text += ", box x " + shortNumber(a.minX) + ".." + shortNumber(a.maxX) + ", y " +
                shortNumber(a.minY) + ".." + shortNumber(a.maxY) + ", z " + shortNumber(a.minZ) +
                ".." + shortNumber(a.maxZ) + " m";
    }
    text += ", " + seatsText(a.freeSeats);
    if (a.status != 0.0) {
        text += ", status " + shortNumber(a.status);
    }
    return text;
}

bool sameBox(const AirlockPoint &a, const AirlockPoint &b) {
    return a.minX == b.minX && a.maxX == b.maxX && a.minY == b.minY && a.maxY == b.maxY &&
           a.minZ == b.minZ && a.maxZ == b.maxZ && a.door == b.door;
}

bool sameAirlock(const AirlockPoint &a, const AirlockPoint &b) {
    return sameBox(a, b) && a.status == b.status && a.freeSeats == b.freeSeats;
}

std::string airlockPlaceNote(const sim::VesselRecord &v, const VECTOR3 &p) {
    const sim::Attachment *airlock = findAirlock(v);
    if (airlock == nullptr) {
        return std::string();
    }
    return airlockOf(*airlock).Contains(p) ? ", inside its airlock box"
                                           : ", outside its airlock box";
}

// --- Crew members outside ---------------------------------------------------------------

bool isCrewMember(const sim::VesselRecord &v) {
    return startsWith(v.className, CREW_VESSEL_CLASS);
}

const sim::Attachment *readyPoint(const sim::VesselRecord &v) {
    if (!isCrewMember(v) || v.toParent.size() < 2 || v.toParent.back()->id != CREW_ATTACHMENT_ID) {
        return nullptr;
    }
    return v.toParent.back();
}

bool isTransferVessel(const std::string &name, std::string *receiver) {
    if (!startsWith(name, TRANSFER_VESSEL_PREFIX)) {
        return false;
    }
    if (receiver != nullptr) {
        *receiver = name.substr(sizeof TRANSFER_VESSEL_PREFIX - 1);
    }
    return true;
}

// --- Crew lines -------------------------------------------------------------------------

bool isCrewLine(const std::string &line) {
    return line.size() >= kKeywordLength &&
           crewtext::EqualNoCase(line.c_str(), kCrewKeyword, kKeywordLength);
}

bool isTransferLine(const std::string &line) {
    return CrewManager::IsTransferLine(line.c_str());
}

namespace {

// Characters of the keyword a vessel skips before the value: the transfer keyword's, or the
// crew keyword's (a crew line's first word need only begin with it).
std::size_t keywordLengthOf(const std::string &line) {
    return isTransferLine(line) ? kTransferKeywordLength : kKeywordLength;
}

// What a user is told of a line the crew library refuses.
std::string refusalText(const CrewLineReading &reading, const std::string &token) {
    switch (reading.fault) {
        case CREW_LINE_READ:
            return std::string();
        case CREW_LINE_NOT_CREW:
            return "not a crew line";
        case CREW_LINE_NO_NAME:
            return token.empty() ? "no value after the keyword"
                                 : "no '-' in the value " + inQuotes(token) + ", so no name";
        default:
            break;
    }
    const std::size_t i = reading.field >= CREW_FIELD_AGE && reading.field <= CREW_FIELD_WEIGHT
                              ? static_cast<std::size_t>(reading.field - CREW_FIELD_AGE)
                              : 0;
    const Window &w = kNumbers[i];
    if (reading.fault == CREW_LINE_FIELD_MISSING) {
        return w.missing;
    }
    if (reading.fault == CREW_LINE_NOT_A_NUMBER) {
        const std::vector<std::string> parts = fields(token);
        const std::string text = parts.size() > i + 2 ? parts[i + 2].substr(0, kMaxNumber) : "";
        return std::string(w.field) + " " + inQuotes(text) + " holds no number";
    }
    return std::string(w.field) + " " + std::to_string(reading.value) + " is outside " +
           std::to_string(w.low) + " to " + std::to_string(w.high);
}

// Explains how what a vessel takes from a crew line differs from what is written; fills the
// fields as the line reads, for a line the crew library takes.
void explainCrewLine(const std::string &line, const std::string &token, CrewReading &r) {
    std::string value = token;
    std::size_t after = line.find(token, keywordLengthOf(line)) + token.size();
    while (after < line.size() && crewtext::IsBlankSpace(line[after])) {
        ++after;
    }
    if (after < line.size()) {
        r.changes.push_back(inQuotes(line.substr(after)) + " after the value is not read");
    }
    if (value.size() > kMaxValue) {
        r.changes.push_back("only the first " + std::to_string(kMaxValue) +
                            " characters of the value are read");
        value.resize(kMaxValue);
    }
    if (value.empty()) {
        return;
    }
    const std::vector<std::string> parts = fields(value);
    const std::string mission = parts[0].substr(0, kMaxMission);
    if (mission != parts[0]) {
        r.changes.push_back("mission id " + inQuotes(parts[0]) + " cut to " + inQuotes(mission));
    }
    readFields(parts, value, r);
}

}  // namespace

std::string crewLineValue(const std::string &line) {
    std::size_t first = keywordLengthOf(line);
    while (first < line.size() && crewtext::IsBlankSpace(line[first])) {
        ++first;
    }
    std::size_t last = first;
    while (last < line.size() && !crewtext::IsBlankSpace(line[last])) {
        ++last;
    }
    return first < line.size() ? line.substr(first, last - first) : std::string();
}

CrewReading readCrewLine(const std::string &line) {
    CrewReading r;
    // Whether the line is taken, and as whom, is the crew library's own reading; the rest
    // only explains it to the user.
    const CrewLineReading reading = ReadCrewLine(line.c_str());
    if (reading.fault == CREW_LINE_NOT_CREW) {
        r.why = refusalText(reading, std::string());
        return r;
    }
    const std::string token = crewLineValue(line);
    explainCrewLine(line, token, r);
    r.valid = reading.fault == CREW_LINE_READ;
    r.why = refusalText(reading, token);
    r.mission = reading.member.missionId;
    r.name = reading.member.name;
    r.age = reading.member.age;
    r.pulse = reading.member.pulse;
    r.weight = static_cast<long>(reading.member.weight);
    return r;
}

std::string CrewReading::value() const {
    std::string shown = name;
    std::replace(shown.begin(), shown.end(), ' ', '_');
    return mission + "-" + shown + "-" + std::to_string(age) + "-" + std::to_string(pulse) + "-" +
           std::to_string(weight);
}

std::string CrewReading::text() const {
    const bool blank = std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
    std::string text = name.empty() ? "no name"
                       : blank      ? "a name of " + std::to_string(name.size()) + " blanks"
                       : name.front() == ' ' || name.back() == ' ' ? "'" + name + "'"
                                                                   : name;
    if (!mission.empty()) {
        text += " (" + mission + ")";
    }
    return text + ", age " + std::to_string(age) + ", pulse " + std::to_string(pulse) + ", " +
           std::to_string(weight) + " kg";
}

std::string describeCrewValue(const std::string &value) {
    const CrewReading r = readCrewLine(std::string(kCrewKeyword) + " " + value);
    return r.valid ? r.text() : value;
}

std::vector<std::string> linesHandedOn(const std::vector<sim::Event> &events,
                                       const std::string &vessel, std::size_t from,
                                       std::size_t to) {
    std::vector<std::string> lines;
    for (std::size_t i = from; i < to && i < events.size(); ++i) {
        std::string line;
        if (events[i].kind == sim::ev::kScenarioLine && events[i].vessel == vessel &&
            quoted(events[i].text, line, true)) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<bool> matchHandedOn(const std::vector<std::string> &lines,
                                const std::vector<std::string> &handed,
                                std::vector<std::string> *strays) {
    // A vessel hands its lines on in the order it reads them; a line it hands on that is not
    // one of the block's as written answers for none of them.
    std::vector<bool> reached(lines.size(), false);
    std::size_t next = 0;
    for (const std::string &h : handed) {
        std::size_t k = next;
        while (k < lines.size() && lines[k] != h) {
            ++k;
        }
        if (k < lines.size()) {
            reached[k] = true;
            next = k + 1;
        } else if (strays != nullptr) {
            strays->push_back(h);
        }
    }
    return reached;
}

std::size_t crewLinesTaken(const sim::ShipBlock &block, const std::vector<std::string> &handed) {
    const std::vector<bool> reached = matchHandedOn(block.lines, handed);
    std::size_t taken = 0;
    for (std::size_t k = 0; k < block.lines.size(); ++k) {
        taken += isCrewLine(block.lines[k]) && !reached[k] ? 1 : 0;
    }
    return taken;
}

// --- The story --------------------------------------------------------------------------

bool CrewStory::describePoint(const sim::VesselRecord &v, const sim::Attachment &a,
                              std::string &kind, std::string &text) {
    text.clear();
    if (!a.toParent && a.id == AIRLOCK_POINT_ID) {
        kind = kAirlock;
        const AirlockPoint now = airlockOf(a);
        const auto it = airlocks_.find(keyOf(v, a));
        if (it == airlocks_.end()) {
            text = airlockText(now);
            airlocks_.emplace(keyOf(v, a), now);
            return true;
        }
        if (sameAirlock(now, it->second)) {
            return true;
        }
        if (now.freeSeats < it->second.freeSeats) {
            takers_.push_back(v.name);
        }
        AirlockPoint seatsOnly = it->second;
        seatsOnly.freeSeats = now.freeSeats;
        if (sameAirlock(seatsOnly, now)) {
            text = "airlock: " + seatsText(now.freeSeats) + " (was " +
                   shortNumber(it->second.freeSeats) + ")";
        } else {
            text = airlockText(now);
        }
        it->second = now;
        return true;
    }
    if (a.toParent && readyPoint(v) == &a) {
        kind = kCrew;
        const std::string now = "crew member ready to return: age " + whole(a.pos.x) + ", pulse " +
                                whole(a.pos.y) + ", " + whole(a.pos.z) + " kg";
        std::string &last = points_[keyOf(v, a)];
        if (now != last) {
            text = now;
            last = now;
        }
        memberVessels_.insert(v.name);
        return true;
    }
    return false;
}

std::string CrewStory::boardedBy(const std::string &deleted) {
    if (memberVessels_.erase(deleted) == 0 || takers_.empty()) {
        return std::string();
    }
    const std::string taker = takers_.front();
    takers_.erase(takers_.begin());
    return taker;
}

std::vector<std::string> CrewStory::aboardAtLoad(const sim::VesselRecord &v,
                                                 const sim::ShipBlock &block,
                                                 const std::vector<std::string> &handed) {
    std::vector<std::string> told;
    // A vessel without an airlock takes no crew (a capsule without the companion module):
    // its crew lines are refused too, and the summary must not count them aboard.
    const bool crewCapable = findAirlock(v) != nullptr;
    const std::vector<bool> reached = matchHandedOn(block.lines, handed);
    for (std::size_t k = 0; k < block.lines.size(); ++k) {
        if (!isCrewLine(block.lines[k])) {
            continue;
        }
        const std::string value = crewLineValue(block.lines[k]);
        if (reached[k]) {
            refusedCrew_[v.handle()].push_back(value);
        } else if (crewCapable) {
            told.push_back("aboard: " + describeCrewValue(value));
        }
    }
    if (told.empty() && crewCapable) {
        told.push_back("nobody aboard");
    }
    return told;
}

std::vector<std::string> CrewStory::summary(const sim::VesselRecord &v,
                                            const sim::ShipBlock *saved) {
    std::vector<std::string> told;
    int crew = 0;
    const auto found = refusedCrew_.find(v.handle());
    std::vector<std::string> refused =
        found != refusedCrew_.end() ? found->second : std::vector<std::string>();
    for (const std::string &line : saved != nullptr ? saved->lines : std::vector<std::string>()) {
        if (!isCrewLine(line)) {
            continue;
        }
        const std::string value = crewLineValue(line);
        const auto r = std::find(refused.begin(), refused.end(), value);
        if (r != refused.end()) {
            // Refused at loading and saved again as read: named, but not aboard.
            refused.erase(r);
            told.push_back("crew line kept, not aboard: " + value);
            continue;
        }
        told.push_back("crew: " + describeCrewValue(value));
        ++crew;
    }
    if (crew == 0 && findAirlock(v) != nullptr) {
        told.push_back("crew: nobody aboard");
    }
    return told;
}

}  // namespace vemosim
