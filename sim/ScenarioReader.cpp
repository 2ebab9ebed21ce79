// Reading scenario files: from text to a ParsedScenario, or an error naming the line.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>

#include "ScenarioText.h"
#include "Text.h"

namespace sim {

namespace {

// The environment line that sets the height of the ground, and the most it may be, m.
constexpr std::string_view kSurfaceElevationKey = "SurfaceElevation";
constexpr double kMaxSurfaceElevation = 100000.0;

bool isNameChar(unsigned char c) {
    return c > 0x20 && c < 0x7f && c != ':' && c != ';';
}

enum class Section { None, Desc, Environment, Focus, Ships, Kept };

// The byte-order mark an editor may put before UTF-8 text.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct SectionName {
    const char *begin;
    const char *end;
    Section section;
};

const SectionName kSections[] = {
    {"BEGIN_DESC", "END_DESC", Section::Desc},
    {"BEGIN_ENVIRONMENT", "END_ENVIRONMENT", Section::Environment},
    {"BEGIN_FOCUS", "END_FOCUS", Section::Focus},
    {"BEGIN_SHIPS", "END_SHIPS", Section::Ships},
};

const SectionName *findSection(std::string_view beginLine) {
    for (const SectionName &s : kSections) {
        if (beginLine == s.begin) {
            return &s;
        }
    }
    return nullptr;
}

// Parser state for one file; each fail() records the first error and stops the parse.
class Parser {
public:
    Parser(const std::string &fileName, ParsedScenario &out, InputError &error)
        : fileName_(fileName), out_(out), error_(error) {}

    bool run(std::string_view text) {
        out_ = ParsedScenario();
        if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            text.remove_prefix(kUtf8Bom.size());
        }
        LineReader reader(text);
        std::string_view raw;
        while (reader.next(raw)) {
            line_ = reader.number();
            if (raw.find('\0') != std::string_view::npos) {
                return fail("line holds a NUL byte");
            }
            if (!line(raw)) {
                return false;
            }
        }
        line_ = reader.number();
        return finish();
    }

private:
    bool fail(const std::string &message) { return failAt(line_, message); }

    bool failAt(int line, const std::string &message) {
        error_.file = fileName_;
        error_.line = line;
        error_.message = message;
        return false;
    }

    bool line(std::string_view raw) {
        const std::string_view text = scenarioLineText(raw);
        switch (section_) {
            case Section::None:
                return topLevel(text);
            case Section::Desc:
                if (text == current_->end) {
                    return close();
                }
                // Description text is the author's: kept exactly, indentation included.
                out_.scenario.description.emplace_back(raw);
                return true;
            case Section::Environment:
                if (text == current_->end) {
                    return close();
                }
                // Kept as written, comments too, and carried; only the ground's height is read.
                if (!stripBlanks(raw).empty()) {
                    out_.environment.emplace_back(stripLeadingBlanks(raw));
                }
                return environmentLine(text);
            case Section::Focus:
                return focusLine(text);
            case Section::Ships:
                return shipsLine(text);
            case Section::Kept:
                out_.scenario.kept.back().lines.emplace_back(raw);
                if (text == keptEnd_) {
                    keptEnd_.clear();
                    section_ = Section::None;
                }
                return true;
        }
        return true;
    }

    bool topLevel(std::string_view text) {
        if (text.empty()) {
            return true;
        }
        if (text.substr(0, 6) != "BEGIN_") {
            if (text.substr(0, 4) == "END_") {
                return fail("'" + std::string(text) + "' closes no open section");
            }
            return fail("text outside any section: '" + std::string(text) + "'");
        }
        const SectionName *s = findSection(text);
        if (s == nullptr) {
            return keptSection(text);
        }
        auto seen = sectionLines_.find(s->section);
        if (seen != sectionLines_.end()) {
            return fail(std::string("second ") + s->begin + " section (the first is on line " +
                        std::to_string(seen->second) + ")");
        }
        sectionLines_[s->section] = line_;
        section_ = s->section;
        current_ = s;
        if (s->section == Section::Environment) {
            out_.hasEnvironment = true;
        }
        return true;
    }

    // Any other section (the camera, the HUD, the MFDs, the panels, the HTML description) is
    // the simulator's business: kept line for line up to its own END_<NAME>, which may follow
    // nested sections of other names, and written back when the scenario is saved. A name
    // may come with words after it ("BEGIN_MFD Left"); such sections may repeat.
    bool keptSection(std::string_view text) {
        const std::string_view name =
            text.substr(6, std::min(text.find_first_of(kBlanks), text.size()) - 6);
        if (name.empty()) {
            return fail("section '" + std::string(text) + "' has no name");
        }
        KeptSection kept;
        kept.name = std::string(name);
        kept.firstLine = line_;
        kept.lines.emplace_back(text);
        out_.scenario.kept.push_back(std::move(kept));
        keptEnd_ = "END_" + std::string(name);
        section_ = Section::Kept;
        return true;
    }

    bool environmentLine(std::string_view text) {
        const std::string_view key = text.substr(0, text.find_first_of(kBlanks));
        if (key == "Date") {
            return dateLine(text);
        }
        if (key != kSurfaceElevationKey) {
            return true;
        }
        const std::string value(stripBlanks(text.substr(key.size())));
        char *end = nullptr;
        const double metres = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(metres) ||
            std::fabs(metres) > kMaxSurfaceElevation) {
            return fail("'" + std::string(text) + "' needs one height in metres, within " +
                        std::to_string(static_cast<int>(kMaxSurfaceElevation)) +
                        " m of the mean radius");
        }
        out_.scenario.hasSurfaceElevation = true;
        out_.scenario.surfaceElevation = metres;
        return true;
    }

    // "Date MJD <days>"; a date in another form is the simulator's and is only kept.
    bool dateLine(std::string_view text) {
        double mjd = 0.0;
        if (!isMjdDateLine(text, mjd)) {
            return true;
        }
        if (!std::isfinite(mjd)) {
            return fail("'" + std::string(text) + "' needs one date, as a modified Julian day");
        }
        out_.scenario.hasMjd = true;
        out_.scenario.mjd = mjd;
        return true;
    }

    bool close() {
        section_ = Section::None;
        current_ = nullptr;
        return true;
    }

    bool focusLine(std::string_view text) {
        if (text.empty()) {
            return true;
        }
        if (text == current_->end) {
            return close();
        }
        const std::size_t gap = text.find_first_of(kBlanks);
        const std::string_view key = text.substr(0, gap);
        const std::string_view value =
            gap == std::string_view::npos ? std::string_view() : stripBlanks(text.substr(gap));
        if (key != "Ship") {
            return fail("unknown focus line '" + std::string(text) + "' (expected 'Ship NAME')");
        }
        if (value.empty()) {
            return fail("focus line needs a vessel name: '" + std::string(text) + "'");
        }
        if (focusLine_ != 0) {
            return fail("second focus vessel (the first is on line " + std::to_string(focusLine_) +
                        ")");
        }
        out_.scenario.focus = std::string(value);
        focusLine_ = line_;
        return true;
    }

    bool shipsLine(std::string_view text) {
        if (inBlock_) {
            if (equalNoCase(text, "END")) {
                inBlock_ = false;
                if (landedLine_ != 0 && !hasPos_) {
                    return failAt(landedLine_, "'" + out_.scenario.ships.back().name +
                                                   "' is landed but its block has no POS line "
                                                   "(longitude and latitude, degrees) or BASE "
                                                   "line (base:pad)");
                }
                return true;
            }
            // A block's own lines may be anything but END; only the end of the section
            // (or of the file) shows that END is missing.
            if (text == current_->end) {
                return failAt(out_.scenario.ships.back().firstLine,
                              "vessel block '" + out_.scenario.ships.back().name + "' has no END");
            }
            if (!text.empty() && !stateLine(text)) {
                return false;
            }
            if (!text.empty()) {
                out_.scenario.ships.back().lines.emplace_back(text);
            }
            return true;
        }
        if (text.empty()) {
            return true;
        }
        if (text == current_->end) {
            return close();
        }
        return blockHeader(text);
    }

    // "Name:Class" split at the first ':', as the simulator reads it: the name may hold
    // blanks and any other byte; a header without ':' names a vessel whose class is its name.
    bool blockHeader(std::string_view text) {
        if (text.size() > kMaxNameLength) {
            return fail("vessel block header of " + std::to_string(text.size()) +
                        " characters: the simulator reads at most " +
                        std::to_string(kMaxNameLength));
        }
        const std::size_t colon = text.find(':');
        const std::string_view name = text.substr(0, colon);
        const std::string_view className =
            colon == std::string_view::npos ? text : text.substr(colon + 1);
        if (name.empty()) {
            return fail("vessel block '" + std::string(text) + "' has no vessel name");
        }
        if (className.empty()) {
            return fail("vessel block '" + std::string(text) + "' has no class name");
        }
        if (!isValidClassName(className)) {
            return fail("vessel block '" + std::string(text) + "': invalid class name '" +
                        std::string(className) +
                        "' (printable characters, no blanks, ':', ';', '/' or '\\')");
        }
        ShipBlock block;
        block.name = std::string(name);
        block.className = std::string(className);
        block.firstLine = line_;
        out_.scenario.ships.push_back(std::move(block));
        inBlock_ = true;
        landedLine_ = 0;
        hasPos_ = false;
        return true;
    }

    // The host's own state lines with numbers: a number that does not read is a typing
    // error, refused at its line rather than taken as 0 or left aside.
    bool stateLine(std::string_view text) {
        const std::string_view key = text.substr(0, text.find_first_of(kBlanks));
        std::string_view rest = text.substr(key.size());
        if (key == "STATUS") {
            rest = stripLeadingBlanks(rest);
            landedLine_ =
                equalNoCase(rest.substr(0, rest.find_first_of(kBlanks)), "Landed") ? line_ : 0;
            return true;
        }
        hasPos_ = hasPos_ || key == "POS" || key == "BASE";  // a base's pad is a place too
        const int wanted = key == "RPOS" || key == "RVEL" || key == "AROT" || key == "VROT" ? 3
                           : key == "POS"                                                   ? 2
                           : key == "HEADING"                                               ? 1
                                                                                            : 0;
        int found = 0;
        bool numbers = true;
        for (rest = stripLeadingBlanks(rest); !rest.empty(); rest = stripLeadingBlanks(rest)) {
            std::string_view word = rest.substr(0, rest.find_first_of(kBlanks));
            rest.remove_prefix(word.size());
            if (!word.empty() && word.front() == '+') {
                word.remove_prefix(1);
            }
            double value = 0.0;
            const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
            numbers = numbers && ec == std::errc() && end == word.data() + word.size() &&
                      std::isfinite(value);
            ++found;
        }
        if (wanted == 0 || (numbers && found == wanted)) {
            return true;
        }
        return fail(std::string(key) + " needs " + std::to_string(wanted) +
                    (wanted == 1 ? " number" : " numbers") + ", got '" + std::string(text) + "'");
    }

    bool finish() {
        if (inBlock_) {
            return failAt(out_.scenario.ships.back().firstLine,
                          "vessel block '" + out_.scenario.ships.back().name + "' has no END");
        }
        if (section_ == Section::Kept) {
            return failAt(out_.scenario.kept.back().firstLine,
                          out_.scenario.kept.back().lines.front() + " has no " + keptEnd_);
        }
        if (current_ != nullptr) {
            return failAt(sectionLines_[section_],
                          std::string(current_->begin) + " has no " + current_->end);
        }
        if (focusLine_ != 0 && !namesShip(out_.scenario, out_.scenario.focus)) {
            return failAt(focusLine_,
                          "focus names no vessel of the scenario: '" + out_.scenario.focus + "'");
        }
        return true;
    }

    const std::string &fileName_;
    ParsedScenario &out_;
    InputError &error_;
    int line_ = 0;
    Section section_ = Section::None;
    const SectionName *current_ = nullptr;
    std::string keptEnd_;  // the line that closes the kept section being read
    bool inBlock_ = false;
    int landedLine_ = 0;  // of the block's STATUS Landed, 0 for none
    bool hasPos_ = false;
    int focusLine_ = 0;
    std::map<Section, int> sectionLines_;
};

}  // namespace

bool isMjdDateLine(std::string_view text, double &mjd) {
    const std::string_view key = text.substr(0, text.find_first_of(kBlanks));
    if (key != "Date") {
        return false;
    }
    const std::string_view rest = stripBlanks(text.substr(key.size()));
    if (rest.substr(0, 3) != "MJD" || (rest.size() > 3 && rest[3] != ' ' && rest[3] != '\t')) {
        return false;
    }
    const std::string value(stripBlanks(rest.substr(3)));
    char *end = nullptr;
    mjd = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0') {
        mjd = std::nan("");
    }
    return true;
}

std::string_view scenarioLineText(std::string_view line) {
    // The line ends at its comment, and at a NUL byte as a C string does.
    line = line.substr(0, std::min(line.find(';'), line.find('\0')));
    // A carriage return among the blanks at an end is one of them: a line never ends in one.
    constexpr std::string_view kEnds = " \t\r";
    const std::size_t first = line.find_first_not_of(kEnds);
    if (first == std::string_view::npos) {
        return std::string_view();
    }
    return line.substr(first, line.find_last_not_of(kEnds) - first + 1);
}

bool isKeptDefaultLine(std::string_view line) {
    static constexpr std::string_view kKept[] = {"ALT", "AFCMODE", "ATTACHED", "FLIGHTDATA",
                                                 "IDS", "NAVFREQ", "RCSMODE",  "XPDR"};
    for (std::string_view key : kKept)
        if (line.size() >= key.size() && equalNoCase(line.substr(0, key.size()), key))
            return true;
    return false;
}

bool namesShip(const ScenarioFile &scenario, std::string_view name) {
    for (const ShipBlock &ship : scenario.ships) {
        if (equalNoCase(ship.name, name)) {
            return true;
        }
    }
    return false;
}

bool isValidVesselName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) {
        return false;
    }
    for (char c : name) {
        if (!isNameChar(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool isScenarioVesselName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxNameLength &&
           name.find_first_of(std::string_view(":;\n\0", 4)) == std::string_view::npos &&
           name.find_first_not_of(" \t\r") == 0;
}

bool isValidClassName(std::string_view name) {
    return isValidVesselName(name) && name.front() != '.' &&
           name.find_first_of("/\\") == std::string_view::npos;
}

bool parseScenarioText(std::string_view text, const std::string &fileName, ParsedScenario &out,
                       InputError &error) {
    Parser parser(fileName, out, error);
    return parser.run(text);
}

bool readScenarioFile(const std::string &path, ParsedScenario &out, InputError &error) {
    std::string content;
    if (!readWholeFile(path, content, error)) {
        return false;
    }
    return parseScenarioText(content, path, out, error);
}

}  // namespace sim
