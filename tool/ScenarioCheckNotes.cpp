#include "ScenarioCheckNotes.h"

#include <algorithm>

#include "TextFile.h"

namespace vemosim {

namespace {

// The line number of each of the block's lines: the lines after its header that say
// something once their comment and outer blanks are gone.
std::vector<int> numbersOfBlockLines(const std::vector<std::string_view> &file,
                                     const sim::ShipBlock &block) {
    std::vector<int> numbers;
    for (std::size_t n = static_cast<std::size_t>(block.firstLine);
         n < file.size() && numbers.size() < block.lines.size(); ++n)
        if (!sim::scenarioLineText(file[n]).empty())
            numbers.push_back(static_cast<int>(n) + 1);
    numbers.resize(block.lines.size(), 0);
    return numbers;
}

}  // namespace

std::vector<std::string> keptWithoutModelling(const sim::ParsedScenario &parsed,
                                              const std::string &fileText) {
    std::vector<std::pair<int, std::string>> notes;
    for (const sim::KeptSection &s : parsed.scenario.kept)
        notes.emplace_back(s.firstLine, "section " + s.lines.front() + " (" +
                                            std::to_string(s.lines.size()) +
                                            " lines): kept as read, not modelled; saved again");
    std::vector<std::string_view> file;
    sim::LineReader reader(fileText);
    std::string_view line;
    while (reader.next(line))
        file.push_back(line);
    for (const sim::ShipBlock &b : parsed.scenario.ships) {
        const std::vector<int> numbers = numbersOfBlockLines(file, b);
        for (std::size_t k = 0; k < b.lines.size(); ++k)
            if (sim::isKeptDefaultLine(b.lines[k]))
                notes.emplace_back(numbers[k], b.name + ": " + b.lines[k] +
                                                   ": kept as read, not modelled; saved again");
    }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (const auto &[number, text] : notes)
        out.push_back(std::to_string(number) + ": " + text);
    return out;
}

}  // namespace vemosim
