// Scenario files as users and other tools write them. Every input is either refused with a
// message naming a line of the file, or read into a scenario that can be written back and
// read again to the very same data.
#include <algorithm>
#include <string>
#include <string_view>

#include "ScenarioText.h"
#include "Text.h"
#include "fuzz_support.h"

namespace {

bool sameScenario(const sim::ParsedScenario &a, const sim::ParsedScenario &b) {
    if (a.scenario.description != b.scenario.description || a.scenario.focus != b.scenario.focus ||
        a.environment != b.environment || a.hasEnvironment != b.hasEnvironment ||
        a.scenario.ships.size() != b.scenario.ships.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.scenario.ships.size(); ++i) {
        const sim::ShipBlock &x = a.scenario.ships[i];
        const sim::ShipBlock &y = b.scenario.ships[i];
        if (x.name != y.name || x.className != y.className || x.lines != y.lines) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    sim::ParsedScenario parsed;
    sim::InputError error;
    if (!sim::parseScenarioText(text, "input.scn", parsed, error)) {
        const long lines = std::count(text.begin(), text.end(), '\n') + 1;
        FUZZ_CHECK(error.file == "input.scn");
        FUZZ_CHECK(error.line >= 1 && error.line <= lines, "error on line %d of %ld", error.line,
                   lines);
        FUZZ_CHECK(!error.message.empty());
        return 0;
    }
    for (const sim::ShipBlock &ship : parsed.scenario.ships) {
        FUZZ_CHECK(sim::isScenarioVesselName(ship.name) && sim::isValidClassName(ship.className));
        for (const std::string &line : ship.lines) {
            // What a module reads: no comment, no blanks at either end, never END.
            FUZZ_CHECK(line.find_first_of(std::string_view(";\n\0", 3)) == std::string::npos &&
                       sim::scenarioLineText(line) == line && !line.empty() &&
                       !sim::equalNoCase(line, "END"));
        }
    }

    std::string written;
    std::string why;
    FUZZ_CHECK(sim::formatScenarioText(parsed.scenario, parsed.environment, parsed.hasEnvironment,
                                       written, why),
               "a scenario that was read cannot be written: %s", why.c_str());
    sim::ParsedScenario again;
    FUZZ_CHECK(sim::parseScenarioText(written, "written.scn", again, error),
               "what was written cannot be read: %s", error.text().c_str());
    FUZZ_CHECK(sameScenario(parsed, again), "the scenario changed on the way through");

    std::string rewritten;
    FUZZ_CHECK(sim::formatScenarioText(again.scenario, again.environment, again.hasEnvironment,
                                       rewritten, why));
    FUZZ_CHECK(rewritten == written, "writing is not stable");
    return 0;
}
