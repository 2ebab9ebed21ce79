// What vemosim prints for a user: the round trip told as set-up, airlock, crew and key lines,
// the summary at the end, and the host's full detail behind --verbose.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioText.h"
#include "vemosim_runner.h"

namespace {

using e2e::splitLines;
using e2e::VemosimCase;
using e2e::VemosimResult;

VemosimResult runRoundTrip(const VemosimCase &c, std::vector<std::string> extra = {}) {
    for (const char *ext : {".scn", ".tl"}) {
        std::string text, why;
        EXPECT_TRUE(sim::readWholeFile(
            VemosimCase::sourceFile(std::string("examples/roundtrip") + ext), text, why))
            << why;
        c.write(std::string("roundtrip") + ext, text);
    }
    std::vector<std::string> args = {"roundtrip.scn", "--timeline", "roundtrip.tl", "--until",
                                     "10"};
    args.insert(args.end(), extra.begin(), extra.end());
    return c.run(args);
}

// The kind column and the start of an airlock line's text.
const char kAirlockLine[] = " airlock   airlock";

bool hasAll(const std::string &line, const std::vector<std::string> &words) {
    for (const std::string &w : words) {
        if (line.find(w) == std::string::npos) {
            return false;
        }
    }
    return true;
}

// Expects a line holding all the words of each entry, each after the one before.
void expectInOrder(const std::string &out, const std::vector<std::vector<std::string>> &story) {
    const std::vector<std::string> lines = splitLines(out);
    std::size_t at = 0;
    for (const auto &words : story) {
        while (at < lines.size() && !hasAll(lines[at], words)) {
            ++at;
        }
        if (at == lines.size()) {
            ADD_FAILURE() << "missing, or out of order: " << words.back() << "\n" << out;
            return;
        }
        ++at;
    }
}

int countLines(const std::string &out, const std::vector<std::string> &words) {
    int n = 0;
    for (const std::string &line : splitLines(out)) {
        n += hasAll(line, words) ? 1 : 0;
    }
    return n;
}

}  // namespace

TEST(StoryRoundTrip, TellsTheTripInPlainWords) {
    VemosimCase c;
    const VemosimResult r = runRoundTrip(c);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    expectInOrder(
        r.out,
        {
            {"time (s)", "vessel", "event", "what happened"},
            {"0.000", "Pod", "created", "2 tanks (2 kg, 6 kg)", "22 thrusters in 12"},
            {"0.000", "Pod",
             "airlock open, box \xC2\xB1"
             "2 m, 0 free seats"},
            {"0.000", "Pod", "aboard: John Doe (A01), age 35, pulse 72, 80 kg"},
            // The key first, then what the capsule made of it.
            {"1.050", "Pod", "deploy", "deployment starts"},
            {"2.000", "Pod", "key", "E pressed"},
            {"2.000", "Vemo_A01-John_Doe", "of class Vemo created at Pod"},
            {"2.000", "Pod", "airlock: 1 free seat (was 0)"},
            {"3.000", "in Pod's frame, outside its airlock box"},
            {"3.050", "Vemo_A01-John_Doe", "crew member ready to return: age 35, pulse 72, 80 kg"},
            {"4.000", "in Pod's frame, inside its airlock box"},
            // The capsule takes the member in its post-step; the member's vessel goes at the
            // end of that frame.
            {"4.050", "Pod", "airlock: 0 free seats (was 1)"},
            {"4.050", "Vemo_A01-John_Doe", "deleted", "went aboard Pod"},
            {"5.100", "Pod", "engine", "retro engine ready"},
            {"5.100", "Pod", "deploy", "deployed"},
            {"7.050", "retro engine at level 1 (the pilot asked for 0)"},
            {"end at 10.000 s"},
            {"Pod (vemopod, focus): position (6777566.08, 0, 76601.87) m"},
            {"crew: John Doe (A01), age 35, pulse 72, 80 kg"},
        });
    // Set-up is told once: no thruster group by group, one airlock line for five updates,
    // and a key the vessel ignored on release is no event of the story.
    EXPECT_EQ(countLines(r.out, {"0.000", "thruster group created"}), 0) << r.out;
    EXPECT_EQ(countLines(r.out, {"0.000", kAirlockLine}), 1) << r.out;
    EXPECT_EQ(countLines(r.out, {"released"}), 0) << r.out;
    // The airlock is printed when what it says changes: set up, left, boarded.
    EXPECT_EQ(countLines(r.out, {"Pod", kAirlockLine}), 3) << r.out;
    // The host's detail stays out: meshes, animations by number, attachment points.
    for (const char *detail : {"mesh", "animation", "attachment point", "taken aboard\""}) {
        EXPECT_EQ(countLines(r.out, {detail}), 0) << detail << "\n" << r.out;
    }
    // Every line of the story has its text in the header's column, whatever the names.
    const std::vector<std::string> lines = splitLines(r.out);
    ASSERT_FALSE(lines.empty());
    const std::size_t column = lines[0].find("what happened");
    ASSERT_NE(column, std::string::npos) << r.out;
    for (const std::string &line : lines) {
        if (line.rfind("end at", 0) == 0) {
            break;
        }
        ASSERT_GT(line.size(), column) << line;
        EXPECT_EQ(line[column - 1], ' ') << line;
        EXPECT_NE(line[column], ' ') << line;
    }
}

// Verbose tells the same story, every line of it, and adds the host's events.
TEST(StoryRoundTrip, VerboseKeepsEveryHostEvent) {
    VemosimCase c;
    const VemosimResult r = runRoundTrip(c, {"--verbose"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    VemosimCase plainCase;
    const VemosimResult plain = runRoundTrip(plainCase);
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    std::size_t at = 0;
    for (const std::string &line : splitLines(plain.out)) {
        at = r.out.find(line + "\n", at);
        ASSERT_NE(at, std::string::npos) << "verbose lacks, or reorders: " << line << "\n" << r.out;
    }
    EXPECT_EQ(countLines(r.out, {"0.000", "Pod", "thruster group created"}), 12) << r.out;
    EXPECT_EQ(countLines(r.out, {"0.000", "attachment point \"Vemo\""}), 5) << r.out;
    expectInOrder(r.out, {
                             {"0.000", "mesh 1 never shown"},
                             {"rotation (1, 1000, 8)"},
                             {"2.000", "key E pressed on Pod: consumed"},
                             {"key E released on Vemo_A01-John_Doe: not consumed"},
                             {"\"V-em\" (to parent) created: position (35, 72, 80)"},
                             {"end at 10.000 s"},
                             {"crew: John Doe (A01), age 35, pulse 72, 80 kg"},
                         });
}

// Who is aboard at the start is what the vessel took from its scenario lines, not every
// crew line there: a refused line (a second member for one seat, an age of 0) is told as
// a line the vessel passed on, and the member is not reported aboard.
TEST(StoryCrew, AboardIsWhatTheVesselTook) {
    VemosimCase c;
    c.write("two.scn",
            "BEGIN_SHIPS\n"
            "Pod1:vemopod\n"
            "  STATUS Orbiting Earth\n"
            "  RPOS 6778000 0 0\n"
            "  RVEL 0 0 0\n"
            "  VEMOCREW A01-John_Doe-35-72-80\n"
            "  VEMOCREW B02-Jane_Roe-41-64-75\n"
            "END\n"
            "Pod2:vemopod\n"
            "  STATUS Orbiting Earth\n"
            "  RPOS 6778050 0 0\n"
            "  RVEL 0 0 0\n"
            "  VEMOCREW C03-Max_Poe-0-72-80\n"
            "END\n"
            "END_SHIPS\n");
    const VemosimResult r = c.run({"--until", "0.1", "two.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(countLines(r.out, {"Pod1", "crew", "aboard: John Doe (A01)"}), 1) << r.out;
    EXPECT_EQ(countLines(r.out, {"aboard: Jane Roe"}), 0) << r.out;
    EXPECT_EQ(countLines(r.out, {"Pod1", "crew line not taken (Jane Roe (B02)", "did not take it"}),
              1)
        << r.out;
    EXPECT_EQ(countLines(r.out, {"Pod2", "crew", "nobody aboard"}), 1) << r.out;
    // Refused lines are saved again as read, and the summary says they are not aboard.
    EXPECT_EQ(countLines(r.out, {"crew: Max Poe"}), 0) << r.out;
    EXPECT_EQ(countLines(r.out, {"crew: Jane Roe"}), 0) << r.out;
    EXPECT_EQ(countLines(r.out, {"crew line kept, not aboard: C03-Max_Poe-0-72-80"}), 1) << r.out;
    EXPECT_EQ(countLines(r.out, {"crew line kept, not aboard: B02-Jane_Roe-41-64-75"}), 1) << r.out;
    EXPECT_EQ(countLines(r.out, {"Pod2", "airlock open, box", "1 free seat"}), 1) << r.out;
}

// The README shows the round trip's story as its command prints it now, line for line.
TEST(StoryRoundTrip, ReadmeShowsTheStoryAsItIsTold) {
    std::string readme, why;
    ASSERT_TRUE(sim::readWholeFile(VemosimCase::sourceFile("README.md"), readme, why)) << why;
    const std::size_t start = readme.find("    time (s)  vessel");
    ASSERT_NE(start, std::string::npos) << "no story in the README";
    std::string shown;
    for (const std::string &line : splitLines(readme.substr(start))) {
        if (line.rfind("    ", 0) != 0) {
            break;
        }
        shown += line.substr(4) + "\n";
    }
    VemosimCase c;
    for (const char *ext : {".scn", ".tl"}) {
        std::string text;
        ASSERT_TRUE(sim::readWholeFile(
            VemosimCase::sourceFile(std::string("examples/roundtrip") + ext), text, why));
        c.write(std::string("examples/roundtrip") + ext, text);
    }
    const VemosimResult r = c.run({"--timeline", "examples/roundtrip.tl", "--until", "10", "--out",
                                   "roundtrip-saved.scn", "examples/roundtrip.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, shown) << "the README's story is not what vemosim tells now";
}
