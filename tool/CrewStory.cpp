#include "CrewStory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CrewNames.h"
#include "Words.h"

namespace vemosim {

namespace {

// Crew numbers are whole; a published value outside this is shown as the number it is.
constexpr double kMaxWholeNumber = 1e9;

std::string whole(double x) {
    if (!std::isfinite(x) || std::fabs(x) > kMaxWholeNumber) {
        return shortNumber(x);
    }
    return std::to_string(static_cast<long long>(x));  // truncated, as crew libraries read it
}

std::string seatsText(double freeSeats) {
    return shortNumber(freeSeats) + (freeSeats == 1.0 ? " free seat" : " free seats");
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
            moves_.seatsChanged(v.name, now.freeSeats - it->second.freeSeats);
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
    std::string taker;
    if (memberVessels_.erase(deleted) == 0 || !moves_.boarded(taker)) {
        return std::string();
    }
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
        if (reached[k]) {
            refusedCrew_[v.handle()].push_back(crewLineValue(block.lines[k]));
        } else if (crewCapable) {
            told.push_back("aboard: " + describeCrewLine(block.lines[k]));
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
        told.push_back("crew: " + describeCrewLine(line));
        ++crew;
    }
    if (crew == 0 && findAirlock(v) != nullptr) {
        told.push_back("crew: nobody aboard");
    }
    return told;
}

}  // namespace vemosim
