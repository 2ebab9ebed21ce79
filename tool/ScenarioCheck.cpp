#include "ScenarioCheck.h"
#include "ScenarioCheckNotes.h"

#include <sys/stat.h>

#include "CrewNames.h"
#include "CrewStory.h"
#include "Options.h"
#include "ScenarioText.h"
#include "TextFile.h"
#include "Words.h"
#include "World.h"

namespace vemosim {

namespace {

// The file line of each of the block's lines: the reader keeps every line of a block that
// holds more than blanks and a comment, in order.
std::vector<int> blockLineNumbers(const std::string &fileText, const sim::ShipBlock &block) {
    std::vector<int> numbers;
    sim::LineReader reader(fileText);
    std::string_view raw;
    int number = 0;
    while (numbers.size() < block.lines.size() && reader.next(raw)) {
        ++number;
        if (number > block.firstLine && !sim::scenarioLineText(raw).empty()) {
            numbers.push_back(number);
        }
    }
    numbers.resize(block.lines.size(), 0);
    return numbers;
}

// The events of loading each block, [first, second): from the vessel's creation to the next
// block's. Vessels are made and handed their blocks one after another, in file order, so
// two blocks of one name still have events of their own.
std::vector<std::pair<std::size_t, std::size_t>> loadRanges(const std::vector<sim::Event> &events,
                                                            const sim::ScenarioFile &scenario,
                                                            std::size_t loadEvents) {
    const std::vector<sim::ShipBlock> &ships = scenario.ships;
    std::vector<std::pair<std::size_t, std::size_t>> ranges(ships.size(), {0, 0});
    std::size_t block = 0;
    for (std::size_t i = 0; i < loadEvents && i < events.size() && block < ships.size(); ++i) {
        if (events[i].kind == sim::ev::kCreated && events[i].vessel == ships[block].name) {
            if (block > 0) {
                ranges[block - 1].second = i;
            }
            ranges[block++].first = i;
        }
    }
    if (block > 0) {
        ranges[block - 1].second = loadEvents;
    }
    return ranges;
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

// A line the host does not understand is told, but it is no fault of the scenario: the
// simulator writes lines of its own that the host keeps or, for a vessel without a module,
// drops as the simulator does.
int CheckReport::exitCode() const {
    for (const LineVerdict &v : lines) {
        if (v.verdict != Verdict::AsWritten && v.verdict != Verdict::NotUnderstood) {
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
    for (const std::string &note : notes) {
        text += printable(file) + ":" + printable(note) + "\n";
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

namespace {

// What a vessel did with its block at loading, as the world shows it.
struct BlockFacts {
    std::vector<bool> handedOn;      // per block line: it reached the host's parser
    std::vector<std::string> stray;  // lines handed on that are not the block's as written
    std::vector<std::string> errors;
    std::vector<std::string> savedLines, savedCrew;  // the block as the vessel saves it
    std::size_t taken = 0;                           // crew lines taken aboard
    bool airlock = false;                            // it publishes a crew airlock
    long long seats = 0;  // its seats: those free after loading and those the lines took
};

// The facts of block k, whose loading made the events [range.first, range.second). The
// world's k-th vessel and the saved scenario's k-th block are this block's: nothing has been
// made or removed since loading, and names may repeat.
BlockFacts factsOf(const sim::World &world, const sim::ParsedScenario &parsed, std::size_t k,
                   std::pair<std::size_t, std::size_t> range, const sim::ScenarioFile &saved) {
    const sim::ShipBlock &b = parsed.scenario.ships[k];
    BlockFacts f;
    const std::vector<sim::Event> &events = world.events();
    const std::vector<std::string> handed =
        linesHandedOn(events, b.name, range.first, range.second);
    f.handedOn = matchHandedOn(b.lines, handed, &f.stray);
    f.taken = crewLinesTaken(b, handed);
    for (std::size_t i = range.first; i < range.second && i < events.size(); ++i) {
        if (events[i].vessel == b.name && events[i].kind == sim::ev::kError) {
            f.errors.push_back(events[i].text);
        }
    }
    if (k < saved.ships.size() && saved.ships[k].name == b.name) {
        f.savedLines = saved.ships[k].lines;
    }
    for (const std::string &line : f.savedLines) {
        if (isCrewLine(line)) {
            f.savedCrew.push_back(line);
        }
    }
    const sim::VesselRecord *r = world.record(world.vesselAt(k));
    const sim::Attachment *point = r != nullptr && r->name == b.name ? findAirlock(*r) : nullptr;
    f.airlock = point != nullptr;
    if (f.airlock) {
        f.seats = static_cast<long long>(airlockOf(*point).FreeSeatCount()) +
                  static_cast<long long>(f.taken);
    }
    return f;
}

// A transfer line: a member on the way to the vessel in a transfer vessel. The vessel takes
// it to know who comes (and saves it again until he is aboard), or keeps it aside.
void judgeTransfer(const std::string &line, bool handedOn, const BlockFacts &f, LineVerdict &v) {
    const CrewReading written = readCrewLine(line);
    const bool savedAgain = contains(f.savedLines, line);
    if (!handedOn) {
        v.what = "awaited, on the way in a transfer vessel: " + written.text();
        v.how.push_back(savedAgain ? "saved again until the member is aboard"
                                   : "gone once the scenario is saved");
        v.verdict = savedAgain ? Verdict::AsWritten : Verdict::Changed;
        return;
    }
    v.verdict = savedAgain ? Verdict::KeptAside : Verdict::Refused;
    v.what = (savedAgain ? "kept aside, not awaited: " : "refused: ") +
             (written.valid ? std::string("the vessel has no working crew to await the member")
                            : written.why);
    v.how.push_back(savedAgain ? "saved again as written, to be read at the next load"
                               : "gone once the scenario is saved");
}

// A crew line the vessel took: as written, or changed, by what it saves for it.
void judgeTaken(const std::string &line, const std::string &savedLine, LineVerdict &v) {
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
}

// Why a vessel did not take a crew line: no crew at all, no seat left, or the line itself.
std::string whyNotTaken(const sim::ShipBlock &b, const BlockFacts &f, std::size_t before,
                        bool companion, const std::string &line) {
    if (!f.airlock) {
        return companion ? b.name + " (class " + b.className +
                               ") has no crew airlock, so it takes no crew"
                         : std::string("the companion crew-member module (") +
                               COMPANION_MODULE_PATH + " and " + COMPANION_CLASS_CONFIG_PATH +
                               ") is not installed, so " + b.name + " has no working crew";
    }
    if (static_cast<long long>(before) >= f.seats) {
        return "beyond the seats: " + b.name + " has " +
               countOf(static_cast<std::size_t>(f.seats < 0 ? 0 : f.seats), "seat", "seats") +
               ", taken by the crew lines before it";
    }
    const CrewReading written = readCrewLine(line);
    return written.valid ? "the vessel refused it, for a reason this check cannot tell"
                         : written.why;
}

// Lines the host was handed that are none of the block's, and what the host could not do
// for the block.
void reportHostLines(const sim::ShipBlock &b, const BlockFacts &f, CheckReport &report) {
    for (const std::string &stray : f.stray) {
        LineVerdict v;
        v.vessel = b.name;
        v.text = stray;
        v.verdict = Verdict::NotUnderstood;
        v.what = "the host was handed this line and does not understand it";
        report.lines.push_back(std::move(v));
    }
    for (const std::string &e : f.errors) {
        LineVerdict v;
        v.line = b.firstLine;
        v.vessel = b.name;
        v.text = b.name + ":" + b.className;
        v.verdict = Verdict::HostError;
        v.what = "the host: " + e;
        report.lines.push_back(std::move(v));
    }
}

}  // namespace

CheckReport checkLoadedScenario(sim::World &world, const sim::ParsedScenario &parsed,
                                const std::string &fileText, const std::string &root) {
    CheckReport report;
    struct stat st;
    const bool companion = stat((root + "/" + COMPANION_MODULE_PATH).c_str(), &st) == 0 &&
                           stat((root + "/" + COMPANION_CLASS_CONFIG_PATH).c_str(), &st) == 0;
    const std::size_t loadEvents = world.events().size();
    const sim::ScenarioFile saved = world.save();
    report.notes = keptWithoutModelling(parsed, fileText);

    const std::vector<std::pair<std::size_t, std::size_t>> ranges =
        loadRanges(world.events(), parsed.scenario, loadEvents);
    for (std::size_t blockIndex = 0; blockIndex < parsed.scenario.ships.size(); ++blockIndex) {
        const sim::ShipBlock &b = parsed.scenario.ships[blockIndex];
        const BlockFacts f = factsOf(world, parsed, blockIndex, ranges[blockIndex], saved);
        const std::vector<int> numbers = blockLineNumbers(fileText, b);
        std::size_t roster = 0;      // the next saved crew line of a member taken aboard
        std::size_t kept = f.taken;  // the next saved crew line the vessel kept aside
        for (std::size_t k = 0; k < b.lines.size(); ++k) {
            const std::string &line = b.lines[k];
            LineVerdict v;
            v.line = numbers[k];
            v.vessel = b.name;
            v.text = line;
            if (isTransferLine(line)) {
                judgeTransfer(line, f.handedOn[k], f, v);
            } else if (isCrewLine(line) && !f.handedOn[k]) {
                judgeTaken(line, roster < f.savedCrew.size() ? f.savedCrew[roster] : "", v);
                ++roster;
            } else if (isCrewLine(line)) {
                const bool isKept = kept < f.savedCrew.size() && f.savedCrew[kept] == asKept(line);
                kept += isKept ? 1 : 0;
                v.verdict = isKept ? Verdict::KeptAside : Verdict::Refused;
                v.what = (isKept ? "kept aside, not aboard: " : "refused: ") +
                         whyNotTaken(b, f, roster, companion, line);
                v.how.push_back(isKept ? "saved again as written, to be read at the next load"
                                       : "gone once the scenario is saved");
            } else if (f.handedOn[k]) {
                v.verdict = Verdict::NotUnderstood;
                v.what = "the host does not understand this line";
                v.how.push_back(contains(f.savedLines, line) ? "the vessel saves it again"
                                                             : "gone once the scenario is saved");
            } else {
                continue;  // a line the host or the vessel knows
            }
            report.lines.push_back(std::move(v));
        }
        reportHostLines(b, f, report);
    }
    return report;
}

}  // namespace vemosim
