// The capsule's own block of a scenario file, as a user or another tool writes it: crew lines
// mixed with the host's state lines and anything else. The first byte says whether the
// companion module is installed (its low bit); the rest is the block's lines, loaded by the
// capsule class itself (vessel/vemopod.cpp, built into the target).
//
// Beyond "no crash, no undefined behaviour, no leak", every crew line of the block must come
// back when the capsule is saved (the one the seat takes as the roster writes it, every other
// as it was read), the saved scenario must write as text and read back, and loading and
// saving that again must give the same crew lines: no member named in a scenario is lost,
// however many lines there are and whatever surrounds them.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "fuzz_support.h"

DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel);
DLLCLBK void ovcExit(VESSEL *vessel);

namespace {

constexpr char kCompanion[] = "modules/Vemo.dll";

// The scenario file around the block; refused (false) when the reader refuses the block.
bool readBlock(const std::uint8_t *data, std::size_t size, sim::ParsedScenario &parsed) {
    const std::string text = "BEGIN_SHIPS\nPod:vemopod\n" +
                             std::string(reinterpret_cast<const char *>(data), size) +
                             "\nEND\nEND_SHIPS\n";
    sim::InputError error;
    return sim::parseScenarioText(text, "block.scn", parsed, error) &&
           parsed.scenario.ships.size() == 1;
}

// The crew lines of the capsule's block, as the capsule sees its lines: leading white space
// gone, as the host hands them over.
std::vector<std::string> crewLinesOf(const sim::ScenarioFile &scenario) {
    std::vector<std::string> lines;
    for (const sim::ShipBlock &ship : scenario.ships) {
        if (ship.name != "Pod") {
            continue;
        }
        for (const std::string &line : ship.lines) {
            std::size_t start = 0;
            while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) {
                ++start;
            }
            if (CrewManager::IsCrewLine(line.c_str() + start)) {
                lines.push_back(line.substr(start));
            }
        }
    }
    return lines;
}

std::unique_ptr<sim::World> capsuleWorld() {
    std::unique_ptr<sim::World> world = fuzzsupport::newCrewWorld();
    world->registerClass("vemopod", ovcInit, ovcExit);
    return world;
}

// Loads the scenario and saves it again; false when the host refuses it (a reference body it
// does not know), which it must do with a message.
bool loadAndSave(const sim::ScenarioFile &scenario, sim::ScenarioFile &saved) {
    const std::unique_ptr<sim::World> world = capsuleWorld();
    std::string why;
    if (!world->load(scenario, &why)) {
        FUZZ_CHECK(!why.empty(), "a scenario refused without a reason");
        return false;
    }
    saved = world->save();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzzsupport::enterScratchRoot();
    if (size == 0) {
        return 0;
    }
    const bool companion = (data[0] & 1) != 0;
    std::error_code ignored;
    std::filesystem::remove(kCompanion, ignored);
    if (companion) {
        std::ofstream(kCompanion) << "companion";
    }
    sim::ParsedScenario parsed;
    if (!readBlock(data + 1, size - 1, parsed)) {
        return 0;  // the scenario reader's business (scenario_text)
    }
    const std::vector<std::string> given = crewLinesOf(parsed.scenario);

    sim::ScenarioFile saved;
    if (!loadAndSave(parsed.scenario, saved)) {
        return 0;
    }
    const std::vector<std::string> kept = crewLinesOf(saved);
    FUZZ_CHECK(kept.size() == given.size(), "%zu crew lines given, %zu saved", given.size(),
               kept.size());

    std::string text;
    std::string why;
    FUZZ_CHECK(sim::formatScenarioText(saved, {}, false, text, why),
               "the saved capsule cannot be written: %s", why.c_str());
    sim::ParsedScenario again;
    sim::InputError error;
    FUZZ_CHECK(sim::parseScenarioText(text, "saved.scn", again, error),
               "what was written cannot be read: %s", error.text().c_str());
    sim::ScenarioFile savedAgain;
    FUZZ_CHECK(loadAndSave(again.scenario, savedAgain), "what was saved does not load again");
    FUZZ_CHECK(crewLinesOf(savedAgain) == kept, "the crew lines changed on the second save");
    return 0;
}
