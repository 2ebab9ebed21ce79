// vemosim on bad input: one clear line naming the file and line, exit status 2, no output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vemosim_runner.h"

namespace {

using e2e::splitLines;
using e2e::VemosimCase;
using e2e::VemosimResult;

// A scenario that needs no vessel module: the world is empty.
const char kEmptyWorld[] =
    "BEGIN_DESC\n"
    "Nothing but the reference body.\n"
    "END_DESC\n"
    "BEGIN_SHIPS\n"
    "END_SHIPS\n";

// The run was refused: exit 2, one line on stderr that starts with `where`, no file besides
// the inputs.
void expectRefused(const VemosimCase &c, const VemosimResult &r, const std::string &where,
                   const std::string &words, const std::vector<std::string> &inputs) {
    EXPECT_EQ(r.exitCode, 2) << r.err;
    const std::vector<std::string> lines = splitLines(r.err);
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_EQ(lines[0].rfind("vemosim: " + where, 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(words), std::string::npos) << lines[0];
    EXPECT_EQ(c.files(), inputs);
}

TEST(VemosimInput, HelpDescribesOptionsAndTimeline) {
    VemosimCase c;
    const VemosimResult r = c.run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    for (const char *word : {"usage: vemosim [options] SCENARIO",
                             "--root DIR",
                             "--timeline FILE",
                             "--until T",
                             "--step DT",
                             "--seed N",
                             "--out FILE",
                             "--quiet",
                             "--verbose",
                             "TIME key KEYS",
                             "LSHIFT+K",
                             "TIME thrust GROUP LEVEL",
                             "TIME velocity",
                             "TIME position",
                             "TIME place VESSEL at",
                             "TIME dock",
                             "TIME undock",
                             "TIME focus",
                             "TIME save FILE",
                             "pitchdown",
                             "Exit status"}) {
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
    // Every line fits a terminal.
    for (const std::string &line : splitLines(r.out)) {
        EXPECT_LE(line.size(), 90u) << line;
    }
}

TEST(VemosimInput, BadOptionsAreRefused) {
    struct Case {
        std::vector<std::string> args;
        const char *words;
    };
    const std::vector<Case> cases = {
        {{"--frobnicate", "w.scn"}, "unknown option '--frobnicate'"},
        {{"w.scn", "--until"}, "--until needs a value"},
        {{"--until", "-1", "w.scn"}, "--until needs a time"},
        {{"--step", "0", "w.scn"}, "--step needs"},
        {{"--step", "1e-9", "--until", "100", "w.scn"}, "more than 10000000 steps"},
        {{"--seed", "12x", "w.scn"}, "--seed needs"},
        {{}, "no scenario file given"},
        {{"w.scn", "x.scn"}, "more than one scenario"},
        {{"--out", "no/such/folder/o.scn", "w.scn"}, "no such folder"},
        {{"--out", ".", "w.scn"}, "it is a folder"},
        {{"--step", "3601", "w.scn"}, "at most 3600"},
        {{"--root", "/nonexistent/root", "w.scn"}, "cannot enter"},
    };
    for (const Case &k : cases) {
        VemosimCase c;
        c.write("w.scn", kEmptyWorld);
        const VemosimResult r = c.run(k.args);
        SCOPED_TRACE(k.words);
        expectRefused(c, r, "", k.words, {"w.scn"});
        EXPECT_EQ(r.out, "");
    }
}

TEST(VemosimInput, BadScenarioNamesFileAndLine) {
    struct Case {
        const char *text;
        const char *where;
        const char *words;
    };
    const Case cases[] = {
        {"BEGIN_SHIPS\nPod1 vemopod\nEND\nEND_SHIPS\n",
         "bad.scn:2: ", "invalid class name 'Pod1 vemopod'"},
        // An unknown class names the classes there are.
        {"BEGIN_SHIPS\n\nA:NoSuchClass\nEND\nEND_SHIPS\n",
         "bad.scn:3: ", "the classes there are: Vemo, crewhab, glider, vemopod"},
        {"BEGIN_SHIPS\nA:vemopod\n  STATUS Orbiting Pluto\nEND\nEND_SHIPS\n",
         "bad.scn:2: ", "a body the host does not know"},
        // A state line whose numbers do not read is a typing error, not a 0.
        {"BEGIN_SHIPS\nA:vemopod\n  STATUS Orbiting Earth\n  RPOS 7000000 x 0\nEND\nEND_SHIPS\n",
         "bad.scn:4: ", "RPOS needs 3 numbers, got 'RPOS 7000000 x 0'"},
        {"BEGIN_SHIPS\nA:vemopod\n  HEADING north\nEND\nEND_SHIPS\n",
         "bad.scn:3: ", "HEADING needs 1 number"},
        // Landed needs the spot it stands on; it does not land at 0, 0.
        {"BEGIN_SHIPS\nA:vemopod\n  STATUS Landed Moon\n  HEADING 10\nEND\nEND_SHIPS\n",
         "bad.scn:3: ", "'A' is landed but its block has no POS line"},
        {"BEGIN_FOCUS\nShip B\nEND_FOCUS\nBEGIN_SHIPS\nEND_SHIPS\n",
         "bad.scn:2: ", "focus names no vessel"},
    };
    for (const Case &k : cases) {
        VemosimCase c;
        c.write("bad.scn", k.text);
        const VemosimResult r = c.run({"--out", "out.scn", "bad.scn"});
        SCOPED_TRACE(k.text);
        expectRefused(c, r, k.where, k.words, {"bad.scn"});
    }

    VemosimCase c;
    const VemosimResult r = c.run({"--out", "out.scn", "none.scn"});
    expectRefused(c, r, "none.scn: ", "cannot open", {});
}

TEST(VemosimInput, BadTimelineNamesFileAndLine) {
    struct Case {
        const char *text;
        const char *where;
        const char *words;
    };
    const Case cases[] = {
        {"# fine\n1 jump\n", "run.tl:2: ", "unknown action 'jump'"},
        // Well-formed, but not possible when its time comes.
        {"0 focus Ghost\n", "run.tl:1: ", "no vessel named 'Ghost' at 0.000 s"},
        {"\n\n0.25 key K\n", "run.tl:3: ", "no vessel has the focus at 0.250 s"},
        {"0.3 place A at Ghost 1 0 0\n", "run.tl:1: ", "no vessel named 'A'"},
        {"1 save no/such/folder/x.scn\n", "run.tl:1: ", "cannot save to 'no/such/folder/x.scn'"},
    };
    for (const Case &k : cases) {
        VemosimCase c;
        c.write("w.scn", kEmptyWorld);
        c.write("run.tl", k.text);
        const VemosimResult r =
            c.run({"--timeline", "run.tl", "--until", "2", "--out", "out.scn", "w.scn"});
        SCOPED_TRACE(k.text);
        expectRefused(c, r, k.where, k.words, {"run.tl", "w.scn"});
    }

    VemosimCase c;
    c.write("w.scn", kEmptyWorld);
    const VemosimResult r = c.run({"--timeline", "gone.tl", "--out", "out.scn", "w.scn"});
    expectRefused(c, r, "gone.tl: ", "cannot open", {"w.scn"});
}

}  // namespace
