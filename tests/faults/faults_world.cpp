#include "faults_world.h"

#include <algorithm>
#include <sstream>

#include "ScenarioText.h"

namespace faults {

namespace {

std::vector<std::string> Split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

std::string Blanks(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool StartsWith(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "X1-Pilot_One-35-72-80" as a crew line writes it.
bool ParseCrewValue(const std::string &value, Member &m) {
    const std::vector<std::string> f = Split(value, '-');
    if (f.size() < 5) {
        return false;
    }
    m.missionId = f[0];
    m.name = Blanks(f[1]);
    m.age = std::stoi(f[2]);
    m.pulse = std::stoi(f[3]);
    m.weight = std::stoi(f[4]);
    return true;
}

bool SameValues(const Member &a, const Member &b) {
    return a.age == b.age && a.pulse == b.pulse && a.weight == b.weight;
}

}  // namespace

std::string Member::Text() const {
    std::ostringstream os;
    os << missionId << "-" << name << " " << age << "/" << pulse << "/" << weight << " @" << where;
    return os.str();
}

std::vector<Member> Census(sim::World &world) {
    std::vector<Member> census;
    const sim::ScenarioFile saved = world.save();
    for (const sim::ShipBlock &ship : saved.ships) {
        if (ship.className == "Vemo") {
            Member m;
            m.where = ship.name;
            if (StartsWith(ship.name, "Vemo_")) {
                const std::string text = Blanks(ship.name.substr(5));
                const std::size_t dash = text.find('-');
                m.missionId = dash == std::string::npos ? "" : text.substr(0, dash);
                m.name = dash == std::string::npos ? text : text.substr(dash + 1);
            } else if (!StartsWith(ship.name, "VemoT")) {
                continue;  // not a crew member
            }
            for (const std::string &line : ship.lines) {
                if (StartsWith(line, "MEMBER ")) {
                    std::istringstream(line.substr(7)) >> m.age >> m.pulse >> m.weight;
                }
            }
            census.push_back(m);
            continue;
        }
        for (const std::string &line : ship.lines) {
            Member m;
            if (StartsWith(line, "VEMOCREW ") && ParseCrewValue(line.substr(9), m)) {
                m.where = ship.name;
                census.push_back(m);
            }
        }
    }
    return census;
}

::testing::AssertionResult CrewConserved(const std::vector<Member> &census,
                                         const std::vector<Member> &expected) {
    if (census.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << census.size() << " members found, " << expected.size() << " expected";
    }
    std::vector<Member> remaining = expected;
    std::vector<Member> nameless;
    for (const Member &m : census) {
        if (m.name.empty() || (m.name == "Unknown" && m.missionId.empty())) {
            nameless.push_back(m);
            continue;
        }
        auto it = std::find_if(remaining.begin(), remaining.end(), [&](const Member &e) {
            return e.name == m.name && e.missionId == m.missionId;
        });
        if (it == remaining.end()) {
            return ::testing::AssertionFailure() << "unexpected or doubled member " << m.Text();
        }
        if (!SameValues(*it, m)) {
            return ::testing::AssertionFailure()
                   << m.Text() << " carries other values than its own " << it->Text();
        }
        remaining.erase(it);
    }
    for (const Member &m : nameless) {
        auto it = std::find_if(remaining.begin(), remaining.end(),
                               [&](const Member &e) { return SameValues(e, m); });
        if (it == remaining.end()) {
            return ::testing::AssertionFailure()
                   << "nameless member " << m.Text() << " matches no missing member";
        }
        remaining.erase(it);
    }
    return ::testing::AssertionSuccess();
}

std::string Places(const std::vector<Member> &census) {
    std::string out;
    for (const Member &m : census) {
        out += (out.empty() ? "" : ", ") + m.Text();
    }
    return out;
}

const char *const kCrewScenario = R"(BEGIN_SHIPS
Alpha:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 0
  RVEL 0 0 0
  AROT 0 0 0
  DOCKINFO 0:0,Beta
  VEMOCREW X1-Pilot_One-35-72-80
  VEMOCREW X1-Pilot_Two-44-64-77
END
Beta:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 -6
  RVEL 0 0 0
  AROT 0 180 0
  DOCKINFO 0:0,Alpha
END
Pod:vemopod
  STATUS Orbiting Earth
  RPOS 6778500 0 0
  RVEL 0 0 0
  VEMOCREW C1-Cap_Ten-50-70-90
END
END_SHIPS
)";

const char *const kCapsuleScenario = R"(BEGIN_SHIPS
Pod:vemopod
  STATUS Orbiting Earth
  RPOS 6778500 0 0
  RVEL 0 0 0
  VEMOCREW C1-Cap_Ten-50-70-90
END
Pod2:vemopod
  STATUS Orbiting Earth
  RPOS 6778520 0 0
  RVEL 0 0 0
END
END_SHIPS
)";

std::vector<Member> ScenarioCrew() {
    return {{"X1", "Pilot One", 35, 72, 80, "Alpha"},
            {"X1", "Pilot Two", 44, 64, 77, "Alpha"},
            {"C1", "Cap Ten", 50, 70, 90, "Pod"}};
}

void FaultWorldTest::Load(const std::string &scenarioText, double step) {
    sim::WorldOptions options;
    options.step = step;
    makeWorld(options);
    sim::ParsedScenario parsed;
    sim::InputError error;
    ASSERT_TRUE(sim::parseScenarioText(scenarioText, "faults.scn", parsed, error)) << error.text();
    std::string why;
    ASSERT_TRUE(world->load(parsed.scenario, &why)) << why;
    lastE_ = -10.0;
}

OBJHANDLE FaultWorldTest::Vessel(const std::string &name) const {
    return world->find(name);
}

bool FaultWorldTest::PressE(const std::string &vessel) {
    // A little over the key's repeat delay since the last press.
    const double ready = lastE_ + 1.05;
    if (world->time() < ready) {
        world->runUntil(ready);
    }
    lastE_ = world->time();
    world->setFocus(Vessel(vessel));
    return world->keyEvent(OAPI_KEY_E);
}

void FaultWorldTest::RunFor(double seconds) {
    world->runUntil(world->time() + seconds);
}

OBJHANDLE FaultWorldTest::FirstNamed(const std::string &prefix) const {
    for (const sim::VesselRecord *v : world->vessels()) {
        if (StartsWith(v->name, prefix)) {
            return v->handle();
        }
    }
    return nullptr;
}

void FaultWorldTest::RoundTrip(const std::vector<Member> &crew) {
    auto check = [&](const char *stage) {
        const std::vector<Member> census = Census(*world);
        EXPECT_TRUE(CrewConserved(census, crew)) << stage << ": " << Places(census);
    };
    check("loaded");

    // Alpha's first member is handed over to the docked Beta.
    PressE("Alpha");
    RunFor(1.0);
    check("after the hand-over");

    // Parted, Alpha's second member goes out and walks into Beta's airlock.
    world->undock(Vessel("Alpha"), 0);
    PressE("Alpha");
    RunFor(0.5);
    check("after the EVA from Alpha");
    if (OBJHANDLE member = world->find("Vemo_X1-Pilot_Two")) {
        world->placeNear(member, Vessel("Beta"), sim::vec(0, 0, 1));
        RunFor(1.0);
    }
    check("after the walk into Beta");

    // The capsule's member steps out (the exit lies inside its own airlock), away, and back.
    PressE("Pod");
    RunFor(0.5);
    if (OBJHANDLE member = world->find("Vemo_C1-Cap_Ten")) {
        world->placeNear(member, Vessel("Pod"), sim::vec(10, 0, 0));
        RunFor(0.5);
        world->placeNear(member, Vessel("Pod"), sim::vec(0, 0, 0.5));
        RunFor(1.0);
    }
    check("after the capsule's round trip");
}

}  // namespace faults
