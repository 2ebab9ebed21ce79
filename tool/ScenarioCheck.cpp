#include "ScenarioCheck.h"

#include <sys/stat.h>

#include "CrewValue.h"
#include "HostReading.h"
#include "Options.h"
#include "Words.h"
#include "World.h"

namespace vemosim {

namespace {

// Where a crew-capable vessel looks for the companion crew-member module, from the root.
const char kCompanionModule[] = "modules/Vemo.dll";

std::string seatsText(double n) {
    const long whole = static_cast<long>(n);
    return std::to_string(whole) + (whole == 1 ? " seat" : " seats");
}

// The file line of each of the block's lines: the reader keeps every line of a block that
// holds more than blanks, in order.
std::vector<int> blockLineNumbers(const std::string &fileText, const sim::ShipBlock &block) {
    std::vector<int> numbers;
    int number = 0;
    std::size_t from = 0;
    while (from <= fileText.size() && numbers.size() < block.lines.size()) {
        std::size_t end = fileText.find('\n', from);
        if (end == std::string::npos) {
            end = fileText.size();
        }
        ++number;
        if (number > block.firstLine &&
            fileText.substr(from, end - from).find_first_not_of(" \t\r") != std::string::npos) {
            numbers.push_back(number);
        }
        from = end + 1;
    }
    numbers.resize(block.lines.size(), 0);
    return numbers;
}

// The free seats the vessel's airlock point publishes; false without one.
bool freeSeats(OBJHANDLE h, double &free) {
    const VESSEL *v = h != nullptr ? oapiGetVesselInterface(h) : nullptr;
    AirlockPoint airlock;
    if (v == nullptr || !readAirlock(*v, airlock)) {
        return false;
    }
    free = airlock.freeSeats;
    return true;
}

// A line as a vessel writes a line it kept: its first word, a blank, the rest.
std::string asKept(const std::string &line) {
    const std::size_t gap = line.find_first_of(" \t");
    if (gap == std::string::npos) {
        return line;
    }
    const std::size_t rest = line.find_first_not_of(" \t", gap);
    return rest == std::string::npos ? line.substr(0, gap)
                                     : line.substr(0, gap) + " " + line.substr(rest);
}

bool contains(const std::vector<std::string> &lines, const std::string &line) {
    for (const std::string &l : lines) {
        if (l == line || l == asKept(line)) {
            return true;
        }
    }
    return false;
}

}  // namespace

int CheckReport::exitCode() const {
    for (const LineVerdict &v : lines) {
        if (v.verdict != Verdict::AsWritten) {
            return kExitChanged;
        }
    }
    return kExitOk;
}

std::string CheckReport::text(const std::string &file) const {
    std::string text;
    int counts[6] = {0, 0, 0, 0, 0, 0};
    for (const LineVerdict &v : lines) {
        ++counts[static_cast<int>(v.verdict)];
        text += printable(file) + (v.line > 0 ? ":" + std::to_string(v.line) : std::string()) +
                ": " + printable(v.vessel) + ": " + printable(v.text) + "\n";
        text += "    " + printable(v.what) + "\n";
        for (const std::string &how : v.how) {
            text += "      " + printable(how) + "\n";
        }
    }
    const int crew = counts[0] + counts[1] + counts[2] + counts[3];
    text += std::to_string(crew) + (crew == 1 ? " crew line: " : " crew lines: ") +
            std::to_string(counts[0]) + " taken as written, " + std::to_string(counts[1]) +
            " changed, " + std::to_string(counts[2]) + " kept aside, " + std::to_string(counts[3]) +
            " refused";
    if (counts[4] > 0) {
        text += "; " + std::to_string(counts[4]) +
                (counts[4] == 1 ? " line the host does not understand"
                                : " lines the host does not understand");
    }
    if (counts[5] > 0) {
        text += "; " + std::to_string(counts[5]) + " host error" + (counts[5] == 1 ? "" : "s");
    }
    return text + "\n";
}

CheckReport checkLoadedScenario(sim::World &world, const sim::ParsedScenario &parsed,
                                const std::string &fileText, const std::string &root) {
    CheckReport report;
    struct stat st;
    const bool companion = stat((root + "/" + kCompanionModule).c_str(), &st) == 0;
    const std::size_t loadEvents = world.events().size();
    const sim::ScenarioFile saved = world.save();

    for (const sim::ShipBlock &b : parsed.scenario.ships) {
        // What the host's parser was handed, and what the host could not do.
        const std::vector<std::string> passed = linesHandedToHost(world, b.name, loadEvents);
        std::vector<std::string> errors;
        const std::vector<sim::Event> &events = world.events();
        for (std::size_t i = 0; i < loadEvents; ++i) {
            if (events[i].vessel == b.name && events[i].kind == sim::ev::kError) {
                errors.push_back(events[i].text);
            }
        }
        std::vector<std::string> savedLines, savedCrew;
        for (const sim::ShipBlock &s : saved.ships) {
            if (s.name == b.name) {
                savedLines = s.lines;
            }
        }
        for (const std::string &line : savedLines) {
            if (isCrewLine(line)) {
                savedCrew.push_back(line);
            }
        }

        // The vessel hands its lines on in order; those it handed to the parser are there in
        // the same order.
        std::vector<bool> reached(b.lines.size(), false);
        std::size_t next = 0;
        std::size_t taken = 0;
        for (std::size_t k = 0; k < b.lines.size(); ++k) {
            reached[k] = next < passed.size() && passed[next] == b.lines[k];
            next += reached[k] ? 1 : 0;
            taken += isCrewLine(b.lines[k]) && !reached[k] ? 1 : 0;
        }
        double free = 0.0;
        const bool airlock = freeSeats(world.find(b.name), free);
        const double seats = free + static_cast<double>(taken);

        const std::vector<int> numbers = blockLineNumbers(fileText, b);
        std::size_t roster = 0;    // the next saved crew line of a member taken aboard
        std::size_t kept = taken;  // the next saved crew line the vessel kept aside
        for (std::size_t k = 0; k < b.lines.size(); ++k) {
            const std::string &line = b.lines[k];
            LineVerdict v;
            v.line = numbers[k];
            v.vessel = b.name;
            v.text = line;
            if (isCrewLine(line) && !reached[k]) {
                const std::string savedLine = roster < savedCrew.size() ? savedCrew[roster] : "";
                ++roster;
                const CrewReading written = readCrewLine(line);
                const CrewReading asSaved = readCrewLine(savedLine);
                const std::string savedValue = crewLineValue(savedLine);
                const std::string member = asSaved.valid ? asSaved.text() : savedValue;
                if (savedLine.empty()) {
                    v.verdict = Verdict::Changed;
                    v.what = "taken aboard, but the vessel saves no crew line for it";
                } else if (savedValue == crewLineValue(line) && written.changes.empty()) {
                    v.what = "taken aboard as written: " + member;
                    if (savedLine != line) {
                        v.how.push_back("saved again as '" + savedLine + "'");
                    }
                } else {
                    v.verdict = Verdict::Changed;
                    v.what = "taken aboard, changed: " + member;
                    if (written.valid && written.value() == savedValue) {
                        v.how = written.changes;
                    }
                    v.how.push_back("saved again as '" + savedLine + "'");
                }
            } else if (isCrewLine(line)) {
                const bool isKept = kept < savedCrew.size() && savedCrew[kept] == asKept(line);
                kept += isKept ? 1 : 0;
                std::string why;
                if (!airlock) {
                    why = companion ? b.name + " (class " + b.className +
                                          ") has no crew airlock, so it takes no crew"
                                    : std::string("the companion crew-member module (") +
                                          kCompanionModule + ") is not installed, so " + b.name +
                                          " has no working crew";
                } else if (static_cast<double>(roster) >= seats) {
                    why = "beyond the seats: " + b.name + " has " + seatsText(seats) +
                          ", taken by the crew lines before it";
                } else {
                    const CrewReading written = readCrewLine(line);
                    why = written.valid
                              ? "the vessel refused it, for a reason this check cannot tell"
                              : written.why;
                }
                v.verdict = isKept ? Verdict::KeptAside : Verdict::Refused;
                v.what = (isKept ? "kept aside, not aboard: " : "refused: ") + why;
                v.how.push_back(isKept ? "saved again as written, to be read at the next load"
                                       : "gone once the scenario is saved");
            } else if (reached[k]) {
                v.verdict = Verdict::NotUnderstood;
                v.what = "the host does not understand this line";
                v.how.push_back(contains(savedLines, line) ? "the vessel saves it again"
                                                           : "gone once the scenario is saved");
            } else {
                continue;  // a line the host or the vessel knows
            }
            report.lines.push_back(std::move(v));
        }
        // A line handed on that is not the block's own as written.
        for (; next < passed.size(); ++next) {
            LineVerdict v;
            v.vessel = b.name;
            v.text = passed[next];
            v.verdict = Verdict::NotUnderstood;
            v.what = "the host was handed this line and does not understand it";
            report.lines.push_back(std::move(v));
        }
        for (const std::string &e : errors) {
            LineVerdict v;
            v.line = b.firstLine;
            v.vessel = b.name;
            v.text = b.name + ":" + b.className;
            v.verdict = Verdict::HostError;
            v.what = "the host: " + e;
            report.lines.push_back(std::move(v));
        }
    }
    return report;
}

}  // namespace vemosim
