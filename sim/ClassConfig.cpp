#include "ClassConfig.h"

#include <algorithm>
#include <string>

#include "ScenarioText.h"
#include "Text.h"
#include "TextFile.h"

namespace sim {

namespace {

// A config file written on one system and copied to another may carry a carriage return
// anywhere a blank may stand, around the '=' as well as at the line's end: it is a blank.
std::string_view stripConfigBlanks(std::string_view s) {
    constexpr std::string_view kConfigBlanks = " \t\r";
    const std::size_t first = s.find_first_not_of(kConfigBlanks);
    if (first == std::string_view::npos) {
        return std::string_view();
    }
    return s.substr(first, s.find_last_not_of(kConfigBlanks) - first + 1);
}

}  // namespace

ClassConfig parseClassConfig(std::string_view text) {
    ClassConfig config;
    LineReader reader(text);
    std::string_view raw;
    while (reader.next(raw)) {
        // A config file's comments and blanks are a scenario file's; a carriage return is a
        // blank inside the value too.
        std::string blanked(scenarioLineText(raw));
        std::replace(blanked.begin(), blanked.end(), '\r', ' ');
        const std::string_view line = blanked;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = stripConfigBlanks(line.substr(0, eq));
        const std::string_view value = stripConfigBlanks(line.substr(eq + 1));
        if (equalNoCase(key, "Module"))
            config.module = std::string(value);
        else if (equalNoCase(key, "EnableFocus"))
            config.enableFocus = !equalNoCase(value, "FALSE");
    }
    return config;
}

}  // namespace sim
