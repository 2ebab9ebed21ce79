#include "CrewStory.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "Text.h"
#include "Words.h"

namespace vemosim {

namespace {

// The names the conventions go by.
constexpr char kAirlockPoint[] = "Vemo";  // a crew-capable vessel's airlock (to child)
constexpr char kMemberPoint[] = "V-em";   // a crew member ready to come aboard (to parent)
constexpr char kMemberClass[] = "Vemo";   // the start of a crew member's class name
constexpr char kCrewKeyword[] = "VEMOCREW";
// Crew numbers are whole; a published value outside this is shown as the number it is.
constexpr double kMaxWholeNumber = 1e9;
// Longest age, pulse or weight a crew line may give, in digits.
constexpr std::size_t kMaxFieldDigits = 5;

std::string whole(double x) {
    if (!std::isfinite(x) || std::fabs(x) > kMaxWholeNumber) {
        return shortNumber(x);
    }
    return std::to_string(static_cast<long long>(x));  // truncated, as crew libraries read it
}

// A scenario line is a crew line when it begins with the keyword in any letter case, as
// crew libraries read it; its value is the first word after it.
bool crewLineValue(const std::string &line, std::string &value) {
    const std::size_t n = sizeof kCrewKeyword - 1;
    if (line.size() < n || !sim::equalNoCase(std::string_view(line).substr(0, n), kCrewKeyword)) {
        return false;
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

// The crew lines among a vessel's scenario lines: each line with its value.
std::vector<std::pair<std::string, std::string>> crewLines(const std::vector<std::string> &lines) {
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string &line : lines) {
        std::string value;
        if (crewLineValue(line, value)) {
            found.emplace_back(line, value);
        }
    }
    return found;
}

bool wholeField(const std::string &s, long &value) {
    if (s.empty() || s.size() > kMaxFieldDigits) {
        return false;
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

std::string seatsText(double freeSeats) {
    return shortNumber(freeSeats) + (freeSeats == 1.0 ? " free seat" : " free seats");
}

}  // namespace

AirlockView AirlockView::from(const sim::Attachment &a) {
    AirlockView v;
    const double box[6] = {a.pos.x, a.pos.y, a.pos.z, a.dir.x, a.dir.y, a.dir.z};
    std::memcpy(v.box, box, sizeof box);
    v.door = a.rot.x;
    v.status = a.rot.y;
    v.freeSeats = a.rot.z;
    return v;
}

bool AirlockView::contains(const VECTOR3 &p) const {
    return p.x >= box[0] && p.x <= box[1] && p.y >= box[2] && p.y <= box[3] && p.z >= box[4] &&
           p.z <= box[5];
}

std::string AirlockView::text() const {
    std::string text = "airlock ";
    text += door == 1.0 ? "open" : door == 0.0 ? "closed" : "door " + shortNumber(door);
    const double a = box[1];
    if (a > 0.0 && box[0] == -a && box[2] == -a && box[3] == a && box[4] == -a && box[5] == a) {
        text += ", box \xC2\xB1" + shortNumber(a) + " m";
    } else {
        text += ", box x " + shortNumber(box[0]) + ".." + shortNumber(box[1]) + ", y " +
                shortNumber(box[2]) + ".." + shortNumber(box[3]) + ", z " + shortNumber(box[4]) +
                ".." + shortNumber(box[5]) + " m";
    }
    text += ", " + seatsText(freeSeats);
    if (status != 0.0) {
        text += ", status " + shortNumber(status);
    }
    return text;
}

bool AirlockView::operator==(const AirlockView &o) const {
    return std::equal(box, box + 6, o.box) && door == o.door && status == o.status &&
           freeSeats == o.freeSeats;
}

const sim::Attachment *findAirlock(const sim::VesselRecord &v) {
    for (const sim::Attachment *a : v.toChild) {
        if (a->id == kAirlockPoint) {
            return a;
        }
    }
    return nullptr;
}

std::string airlockPlaceNote(const sim::VesselRecord &v, const VECTOR3 &p) {
    const sim::Attachment *airlock = findAirlock(v);
    if (airlock == nullptr) {
        return std::string();
    }
    return AirlockView::from(*airlock).contains(p) ? ", inside its airlock box"
                                                   : ", outside its airlock box";
}

std::string describeCrewValue(const std::string &value) {
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
    if (parts.size() != 5 || parts[1].empty() || !wholeField(parts[2], age) ||
        !wholeField(parts[3], pulse) || !wholeField(parts[4], weight)) {
        return value;
    }
    std::string name = parts[1];
    std::replace(name.begin(), name.end(), '_', ' ');
    std::string text = name;
    if (!parts[0].empty()) {
        text += " (" + parts[0] + ")";
    }
    return text + ", age " + std::to_string(age) + ", pulse " + std::to_string(pulse) + ", " +
           std::to_string(weight) + " kg";
}

bool CrewStory::describePoint(const sim::VesselRecord &v, const sim::Attachment &a,
                              std::string &kind, std::string &text) {
    text.clear();
    if (!a.toParent && a.id == kAirlockPoint) {
        kind = kAirlock;
        const AirlockView now = AirlockView::from(a);
        const auto it = airlocks_.find(keyOf(v, a));
        if (it == airlocks_.end()) {
            text = now.text();
            airlocks_.emplace(keyOf(v, a), now);
            return true;
        }
        if (now == it->second) {
            return true;
        }
        if (now.freeSeats < it->second.freeSeats) {
            takers_.push_back(v.name);
        }
        AirlockView seatsOnly = it->second;
        seatsOnly.freeSeats = now.freeSeats;
        if (seatsOnly == now) {
            text = "airlock: " + seatsText(now.freeSeats) + " (was " +
                   shortNumber(it->second.freeSeats) + ")";
        } else {
            text = now.text();
        }
        it->second = now;
        return true;
    }
    if (a.toParent && a.id == kMemberPoint && startsWith(v.className, kMemberClass) &&
        v.toParent.size() >= 2 && v.toParent.back() == &a) {
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
                                                 std::vector<std::string> refused) {
    std::vector<std::string> told;
    if (findAirlock(v) == nullptr) {
        return told;
    }
    for (const auto &[line, value] : crewLines(block.lines)) {
        const auto r = std::find(refused.begin(), refused.end(), line);
        if (r != refused.end()) {
            r->clear();  // one refusal answers for one line
            refusedCrew_[v.name].push_back(value);
        } else {
            told.push_back("aboard: " + describeCrewValue(value));
        }
    }
    if (told.empty()) {
        told.push_back("nobody aboard");
    }
    return told;
}

std::vector<std::string> CrewStory::summary(const sim::VesselRecord &v,
                                            const sim::ScenarioFile &saved) {
    std::vector<std::string> told;
    int crew = 0;
    const auto found = refusedCrew_.find(v.name);
    std::vector<std::string> refused =
        found != refusedCrew_.end() ? found->second : std::vector<std::string>();
    for (const sim::ShipBlock &b : saved.ships) {
        if (b.name != v.name) {
            continue;
        }
        for (const auto &[line, value] : crewLines(b.lines)) {
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
    }
    if (crew == 0 && findAirlock(v) != nullptr) {
        told.push_back("crew: nobody aboard");
    }
    return told;
}

}  // namespace vemosim
