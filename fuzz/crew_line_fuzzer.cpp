// Crew lines from a scenario file, written by hand or by another tool: the input is one
// vessel block's worth of lines, offered one by one to a ready crew manager exactly as a
// vessel's scenario callback receives them: without comments or blanks at either end, up to
// a line END.
//
// Beyond "no crash, no undefined behaviour", every input must leave a roster that keeps its
// invariants, and the roster must survive saving, writing the scenario as text, reading it
// back and loading it into a fresh vessel unchanged.
#include <strings.h>

#include <string>
#include <vector>

#include "ScenarioText.h"
#include "Text.h"
#include "fuzz_support.h"

namespace {

constexpr char kKeyword[] = "VEMOCREW";

// The block's lines as the host hands them to the vessel.
std::vector<std::string> blockLines(const std::uint8_t *data, std::size_t size) {
    std::vector<std::string> lines;
    std::string raw;
    auto take = [&lines](const std::string &line) {
        const std::string_view text = sim::scenarioLineText(line);
        if (sim::equalNoCase(text, "END")) {
            return false;
        }
        if (!text.empty()) {
            lines.emplace_back(text);
        }
        return true;
    };
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') {
            raw.push_back(static_cast<char>(data[i]));
        } else if (!take(raw)) {
            return lines;
        } else {
            raw.clear();
        }
    }
    take(raw);
    return lines;
}

const sim::ShipBlock *findShip(const sim::ScenarioFile &scenario, const std::string &name) {
    for (const sim::ShipBlock &ship : scenario.ships) {
        if (ship.name == name) {
            return &ship;
        }
    }
    return nullptr;
}

void checkSameRoster(const CrewManager &a, const CrewManager &b) {
    FUZZ_CHECK(a.GetCrewCount() == b.GetCrewCount(), "%d members saved, %d loaded back",
               a.GetCrewCount(), b.GetCrewCount());
    for (int i = 0; i < a.GetCrewCount(); ++i) {
        const CrewMember &x = *a.GetCrewMember(i);
        const CrewMember &y = *b.GetCrewMember(i);
        FUZZ_CHECK(std::strcmp(x.name, y.name) == 0, "member %d: '%s' came back as '%s'", i, x.name,
                   y.name);
        FUZZ_CHECK(std::strcmp(x.missionId, y.missionId) == 0,
                   "member %d: mission id '%s' came back as '%s'", i, x.missionId, y.missionId);
        FUZZ_CHECK(x.age == y.age && x.pulse == y.pulse && x.weight == y.weight,
                   "member %d: values changed", i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::unique_ptr<sim::World> fresh = fuzzsupport::newCrewWorld();
    sim::World &world = *fresh;
    OBJHANDLE pod = world.createVessel("Pod", "FuzzHab", sim::makeStatus());
    FUZZ_CHECK(pod != nullptr);
    CrewManager &crew = fuzzsupport::hab(pod).crew;
    FUZZ_CHECK(crew.IsReady());

    // Offer every line, as oapiReadScenario_nextline would hand them over. A line with a NUL
    // byte ends there, as it would for the module.
    int consumed = 0;
    bool first = true;
    for (const std::string &line : blockLines(data, size)) {
        const int countBefore = crew.GetCrewCount();
        std::vector<CrewMember> before;
        for (int i = 0; i < countBefore; ++i) {
            before.push_back(*crew.GetCrewMember(i));
        }
        const int result = crew.LoadCrewLine(line.c_str());
        FUZZ_CHECK(result == 0 || result == 1, "LoadCrewLine gave %d", result);
        if (result == 1 && CrewManager::IsTransferLine(line.c_str())) {
            // A member on the way: awaited, not aboard.
            FUZZ_CHECK(crew.GetCrewCount() == countBefore);
            int awaited = 0;
            while (crew.GetAwaitedMember(awaited)) {
                ++awaited;
            }
            FUZZ_CHECK(awaited > 0 && awaited <= MAX_AWAITED_MEMBERS);
            const CrewMember &last = *crew.GetAwaitedMember(awaited - 1);
            FUZZ_CHECK(last.age >= MIN_CREW_AGE && last.age <= MAX_CREW_AGE);
            FUZZ_CHECK(
                fuzzsupport::terminatedWithin(last.name, CREW_NAME_SIZE, CREW_NAME_MAX_LENGTH));
        } else if (result == 1) {
            ++consumed;
            FUZZ_CHECK(crew.GetCrewCount() == countBefore + 1);
            FUZZ_CHECK(strncasecmp(line.c_str(), kKeyword, sizeof kKeyword - 1) == 0,
                       "a line without the keyword was consumed");
        } else if (!first) {
            // A refused line leaves the members aboard as they were. (The first line of a
            // block empties the roster before it is looked at.)
            FUZZ_CHECK(crew.GetCrewCount() == countBefore);
            bool same = true;
            for (std::size_t i = 0; i < before.size(); ++i) {
                same = same && std::memcmp(&before[i], crew.GetCrewMember(static_cast<int>(i)),
                                           sizeof(CrewMember)) == 0;
            }
            FUZZ_CHECK(same, "a refused line changed the roster");
        }
        first = false;
    }
    fuzzsupport::checkRoster(crew);
    FUZZ_CHECK(crew.GetCrewCount() == consumed, "%d members, %d lines consumed",
               crew.GetCrewCount(), consumed);
    FUZZ_CHECK(oapiGetEmptyMass(pod) == fuzzsupport::FuzzHab::kEmptyMass + crew.GetCrewMass(),
               "empty mass %g with %g kg of crew", oapiGetEmptyMass(pod), crew.GetCrewMass());

    // Save, write as text, read back, and load into a fresh vessel.
    const sim::ScenarioFile saved = world.save();
    const sim::ShipBlock *block = findShip(saved, "Pod");
    FUZZ_CHECK(block != nullptr);
    int crewLines = 0;
    for (const std::string &line : block->lines) {
        crewLines += line.compare(0, sizeof kKeyword - 1, kKeyword) == 0 ? 1 : 0;
    }
    FUZZ_CHECK(crewLines == crew.GetCrewCount(), "%d crew lines saved for %d members", crewLines,
               crew.GetCrewCount());

    std::string text;
    std::string why;
    FUZZ_CHECK(sim::formatScenarioText(saved, {}, false, text, why), "%s", why.c_str());
    sim::ParsedScenario parsed;
    sim::InputError error;
    FUZZ_CHECK(sim::parseScenarioText(text, "saved.scn", parsed, error), "%s",
               error.text().c_str());
    const sim::ShipBlock *reread = findShip(parsed.scenario, "Pod");
    FUZZ_CHECK(reread != nullptr);

    OBJHANDLE copy = world.createVessel("Copy", "FuzzHab", sim::makeStatus());
    FUZZ_CHECK(copy != nullptr);
    CrewManager &copyCrew = fuzzsupport::hab(copy).crew;
    for (const std::string &line : reread->lines) {
        copyCrew.LoadCrewLine(line.c_str());
    }
    fuzzsupport::checkRoster(copyCrew);
    checkSameRoster(crew, copyCrew);
    return 0;
}
