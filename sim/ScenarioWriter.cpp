// Writing scenario files: a ScenarioFile as text that reads back to the same data.
#include "ScenarioText.h"
#include "Text.h"

namespace sim {

namespace {

// A line we write must come back unchanged, or at least not change the file's structure.
bool checkWritable(std::string_view line, const std::string &where, std::string &error) {
    if (line.find_first_of(std::string_view("\n\0", 2)) != std::string_view::npos ||
        (!line.empty() && line.back() == '\r')) {
        error = where + " holds a line break or NUL byte";
        return false;
    }
    return true;
}

// Indented by two columns as the host writes it; the reader strips the indentation.
void appendIndented(std::string &text, std::string_view line) {
    text += "  ";
    text += line;
    text += '\n';
}

}  // namespace

bool formatScenarioText(const ScenarioFile &scenario, const std::vector<std::string> &environment,
                        bool hasEnvironment, std::string &out, std::string &error) {
    std::string text;
    text += "BEGIN_DESC\n";
    for (std::size_t i = 0; i < scenario.description.size(); ++i) {
        const std::string &line = scenario.description[i];
        const std::string where = "description line " + std::to_string(i + 1);
        if (!checkWritable(line, where, error)) {
            return false;
        }
        if (scenarioLineText(line) == "END_DESC") {
            error = where + " reads END_DESC";
            return false;
        }
        text += line;
        text += '\n';
    }
    text += "END_DESC\n";

    if (hasEnvironment) {
        text += "\nBEGIN_ENVIRONMENT\n";
        // The last date line is the one that counts when the file is read; it carries the
        // scenario's date, and any before it stay as they were.
        std::size_t dateLine = environment.size();
        for (std::size_t i = 0; i < environment.size(); ++i) {
            double mjd = 0.0;
            if (isMjdDateLine(scenarioLineText(stripLeadingBlanks(environment[i])), mjd)) {
                dateLine = i;
            }
        }
        for (std::size_t i = 0; i < environment.size(); ++i) {
            const std::string_view line = stripLeadingBlanks(environment[i]);
            const std::string where = "environment line " + std::to_string(i + 1);
            if (!checkWritable(line, where, error)) {
                return false;
            }
            if (stripBlanks(line).empty()) {
                continue;
            }
            if (scenarioLineText(line) == "END_ENVIRONMENT") {
                error = where + " reads END_ENVIRONMENT";
                return false;
            }
            double mjd = 0.0;
            if (scenario.hasMjd && i == dateLine && isMjdDateLine(scenarioLineText(line), mjd) &&
                mjd != scenario.mjd) {
                appendIndented(text, "Date MJD " + numberText(scenario.mjd));
                continue;
            }
            appendIndented(text, line);
        }
        text += "END_ENVIRONMENT\n";
    }

    for (const KeptSection &kept : scenario.kept) {
        text += '\n';
        for (std::size_t i = 0; i < kept.lines.size(); ++i) {
            const std::string &line = kept.lines[i];
            const std::string_view bare = scenarioLineText(line);
            // Its last line closes it, and no other line may.
            const bool closes = bare == "END_" + kept.name;
            const std::string where = "section BEGIN_" + kept.name;
            if (!checkWritable(line, where, error))
                return false;
            if (closes != (i + 1 == kept.lines.size())) {
                error = where + (closes ? " closes early" : " does not end in END_" + kept.name);
                return false;
            }
            text += line;
            text += '\n';
        }
    }

    for (const ShipBlock &ship : scenario.ships) {
        if (!isValidClassName(ship.className)) {
            error = "class name '" + ship.className + "' of vessel '" + ship.name +
                    "' cannot be written";
            return false;
        }
    }
    if (!scenario.focus.empty()) {
        if (!namesShip(scenario, scenario.focus)) {
            error = "focus names no vessel of the scenario: '" + scenario.focus + "'";
            return false;
        }
        const std::string line = "Ship " + scenario.focus;
        if (!checkWritable(line, "focus line", error)) {
            return false;
        }
        text += "\nBEGIN_FOCUS\n";
        appendIndented(text, line);
        text += "END_FOCUS\n";
    }

    text += "\nBEGIN_SHIPS\n";
    for (const ShipBlock &ship : scenario.ships) {
        const std::string header = ship.name + ":" + ship.className;
        if (!checkWritable(header, "block header of '" + ship.name + "'", error)) {
            return false;
        }
        if (header.size() > kMaxNameLength) {
            error = "block header of '" + ship.name.substr(0, 40) + "...' has " +
                    std::to_string(header.size()) + " characters: the simulator reads at most " +
                    std::to_string(kMaxNameLength);
            return false;
        }
        text += header;
        text += '\n';
        for (std::size_t i = 0; i < ship.lines.size(); ++i) {
            const std::string_view line = stripLeadingBlanks(ship.lines[i]);
            const std::string where =
                "line " + std::to_string(i + 1) + " of vessel '" + ship.name + "'";
            if (!checkWritable(line, where, error)) {
                return false;
            }
            if (line.find(';') != std::string_view::npos) {
                error = where + " holds a ';', and the rest of it would read as a comment";
                return false;
            }
            const std::string_view bare = stripBlanks(line);
            if (bare.empty()) {
                continue;  // the reader skips blank lines; writing them changes nothing
            }
            // Either would end the block (or the section) early when read back.
            if (equalNoCase(bare, "END") || bare == "END_SHIPS") {
                error = where + " reads '" + std::string(bare) + "'";
                return false;
            }
            appendIndented(text, line);
        }
        text += "END\n";
    }
    text += "END_SHIPS\n";
    out = std::move(text);
    return true;
}

}  // namespace sim
