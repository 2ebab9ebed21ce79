// Scenario files in the simulator's syntax (tests/data/scenarios/): each loads, runs a few
// seconds and is saved; the saved file loads again with the same vessels and sections, and
// --check loads it and notes what the host keeps without modelling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "vemosim_runner.h"

namespace {

using e2e::VemosimCase;
using e2e::VemosimResult;

struct CorpusFile {
    const char *name;                      // tests/data/scenarios/<name>.scn
    std::vector<const char *> inSaved;     // lines the saved file must hold (trimmed)
    std::vector<const char *> notSaved;    // lines it must not hold
    std::vector<const char *> checkNotes;  // what --check must say
    std::vector<const char *> runSays;     // what the run's end says (each body named)
};

const CorpusFile kCorpus[] = {
    {"sections",
     {"BEGIN_HYPERDESC", "BEGIN_URLDESC", "BEGIN_PRESET", "END_CAMERA", "BEGIN_HUD",
      "BEGIN_MFD Left", "BEGIN_MFD Right", "BEGIN_ExtMFD", "BEGIN_VC", "BEGIN_PANEL", "AFCMODE 7",
      "XPDR 466", "ALT 400000", "IDS 0:560 100", "FLIGHTDATA 1", "Freighter:Freighter",
      "Date MJD 60310.5"},
     {},
     {"section BEGIN_CAMERA (11 lines)", "section BEGIN_MFD Right (3 lines)",
      "Freighter: ALT 400000"},
     {"at the end, relative to Earth:"}},
    {"bodies",
     {"Moon Relay:crewhab", "STATUS Orbiting Moon", "STATUS Orbiting Mars",
      "STATUS Orbiting Jupiter", "ATTACHED 0:1,Moon Relay", "RCSMODE 0", "crewhab:crewhab"},
     {"ELEMENTS"},
     {"Mars Probe: ATTACHED 0:1,Moon Relay"},
     {"at the end:\n", "Mars Probe (Freighter): Mars, position"}},
    {"bases",
     {"STATUS Landed Moon", "STATUS Landed Mars", "POS 23.48 0.66", "DOCKINFO 0:0,Visitor"},
     {"BASE"},
     {},
     {"Truck (Freighter): Moon, landed at longitude 23.48, latitude 0.66"}},
};

std::string source(const std::string &name) {
    std::string text, why;
    EXPECT_TRUE(sim::readWholeFile(VemosimCase::sourceFile("tests/data/scenarios/" + name + ".scn"),
                                   text, why))
        << why;
    return text;
}

// The vessels' headers, and the kept sections' lines, of a scenario's text.
std::vector<std::string> shape(const std::string &text) {
    sim::ParsedScenario parsed;
    sim::InputError error;
    EXPECT_TRUE(sim::parseScenarioText(text, "saved", parsed, error)) << error.text();
    std::vector<std::string> out;
    for (const sim::ShipBlock &b : parsed.scenario.ships)
        out.push_back(b.name + ":" + b.className);
    for (const sim::KeptSection &k : parsed.scenario.kept)
        out.insert(out.end(), k.lines.begin(), k.lines.end());
    return out;
}

bool holdsLine(const std::string &text, const std::string &line) {
    for (const std::string &l : e2e::splitLines(text))
        if (sim::scenarioLineText(l).substr(0, line.size()) == line)
            return true;
    return false;
}

// A class the simulator would know and this root has no module for: a plain vessel.
void addPlainClass(const VemosimCase &c) {
    std::ofstream(c.root() + "/config/vessels/Freighter.cfg") << "ClassName = Freighter\n";
}

}  // namespace

TEST(ScenarioCorpus, EachLoadsRunsSavesAndLoadsAgain) {
    for (const CorpusFile &f : kCorpus) {
        SCOPED_TRACE(f.name);
        VemosimCase c;
        addPlainClass(c);
        const std::string text = source(f.name);
        c.write("in.scn", text);
        const VemosimResult check = c.run({"in.scn", "--check"});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        for (const char *note : f.checkNotes)
            EXPECT_NE(check.out.find(note), std::string::npos) << note << "\n" << check.out;

        const VemosimResult run = c.run({"in.scn", "--until", "5", "--out", "out.scn"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const char *says : f.runSays)
            EXPECT_NE(run.out.find(says), std::string::npos) << says << "\n" << run.out;
        const std::string saved = c.read("out.scn").value_or("");
        for (const char *line : f.inSaved)
            EXPECT_TRUE(holdsLine(saved, line)) << line << "\n" << saved;
        for (const char *line : f.notSaved)
            EXPECT_FALSE(holdsLine(saved, line)) << line << "\n" << saved;

        const VemosimResult again = c.run({"out.scn", "--until", "1", "--out", "again.scn"});
        ASSERT_EQ(again.exitCode, 0) << again.err;
        const std::string twice = c.read("again.scn").value_or("");
        EXPECT_EQ(shape(twice), shape(text));
    }
}

// A base, pad or body the host does not know stops the load with the line and the name.
TEST(ScenarioCorpus, UnknownPlacesAreClearErrors) {
    struct Case {
        const char *block;
        const char *message;
    };
    const Case cases[] = {
        {"A:crewhab\n  STATUS Landed Moon\n  BASE Loud Sea:1\nEND\n",
         "in.scn:2: vessel \"A\": no base 'Loud Sea' on the Moon"},
        {"A:crewhab\n  STATUS Landed Moon\n  BASE Quiet Sea:3\nEND\n",
         "base 'Quiet Sea' (" /* the file follows */},
        {"A:crewhab\n  STATUS Orbiting Pluto\nEND\n", "vessel \"A\" is at Pluto, a body"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.block);
        VemosimCase c;
        c.write("in.scn", std::string("BEGIN_SHIPS\n") + k.block + "END_SHIPS\n");
        const VemosimResult r = c.run({"in.scn", "--until", "1"});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
    }
}
