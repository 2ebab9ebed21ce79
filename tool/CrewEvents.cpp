#include "CrewEvents.h"

#include "CrewLineText.h"
#include "Words.h"

namespace vemosim {

std::vector<std::string> linesHandedOn(const std::vector<sim::Event> &events,
                                       const std::string &vessel, std::size_t from,
                                       std::size_t to) {
    std::vector<std::string> lines;
    for (std::size_t i = from; i < to && i < events.size(); ++i) {
        std::string line;
        if (events[i].kind == sim::ev::kScenarioLine && events[i].vessel == vessel &&
            quoted(events[i].text, line, true)) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<bool> matchHandedOn(const std::vector<std::string> &lines,
                                const std::vector<std::string> &handed,
                                std::vector<std::string> *strays) {
    // A vessel hands its lines on in the order it reads them; a line it hands on that is not
    // one of the block's as written answers for none of them.
    std::vector<bool> reached(lines.size(), false);
    std::size_t next = 0;
    for (const std::string &h : handed) {
        std::size_t k = next;
        while (k < lines.size() && lines[k] != h) {
            ++k;
        }
        if (k < lines.size()) {
            reached[k] = true;
            next = k + 1;
        } else if (strays != nullptr) {
            strays->push_back(h);
        }
    }
    return reached;
}

std::size_t crewLinesTaken(const sim::ShipBlock &block, const std::vector<std::string> &handed) {
    const std::vector<bool> reached = matchHandedOn(block.lines, handed);
    std::size_t taken = 0;
    for (std::size_t k = 0; k < block.lines.size(); ++k) {
        taken += isCrewLine(block.lines[k]) && !reached[k] ? 1 : 0;
    }
    return taken;
}

}  // namespace vemosim
