#include "ClassConfig.h"

#include "ScenarioText.h"
#include "Text.h"
#include "TextFile.h"

namespace sim {

ClassConfig parseClassConfig(std::string_view text) {
    ClassConfig config;
    LineReader reader(text);
    std::string_view raw;
    while (reader.next(raw)) {
        // A config file's comments and blanks are a scenario file's.
        const std::string_view line = scenarioLineText(raw);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = stripBlanks(line.substr(0, eq));
        const std::string_view value = stripBlanks(line.substr(eq + 1));
        if (equalNoCase(key, "Module"))
            config.module = std::string(value);
        else if (equalNoCase(key, "EnableFocus"))
            config.enableFocus = !equalNoCase(value, "FALSE");
    }
    return config;
}

}  // namespace sim
