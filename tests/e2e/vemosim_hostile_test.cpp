// vemosim against hostile input and surroundings: output paths that are no regular files,
// names and bytes a scenario writer cannot take, numbers that would overflow, a disk that
// fills up. Nothing is written where it must not be, a failed save never reads as saved, and
// nobody named in the scenario is lost.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "vemosim_runner.h"

namespace {

namespace fs = std::filesystem;
using e2e::VemosimCase;
using e2e::VemosimResult;

// One capsule with its member aboard.
std::string Capsule(const std::string &crewValue, const std::string &description = "A pod.") {
    return "BEGIN_DESC\n" + description + "\nEND_DESC\nBEGIN_SHIPS\nPod:vemopod\n" +
           "  STATUS Orbiting Earth\n  RPOS 0 0 0\n  RVEL 0 0 0\n  VEMOCREW " + crewValue +
           "\nEND\nEND_SHIPS\n";
}

// No byte of the text is a control character but the line end.
bool Printable(const std::string &text) {
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n') || u == 0x7f) {
            return false;
        }
    }
    return true;
}

}  // namespace

// --out, --plot and the timeline's save go to a regular file or a new path only. A pipe, a device
// node, a symbolic link (to a file or to nowhere) or a folder there is refused before the
// run, named in the message, and left exactly as it was.
TEST(VemosimHostile, OutputsGoOnlyToRegularFilesOrNewPaths) {
    struct Target {
        const char *kind;   // what stands at the path
        const char *words;  // what the message says it is
    };
    for (const Target t : {Target{"pipe", "a pipe"}, Target{"link", "a symbolic link"},
                           Target{"dangling link", "a symbolic link"},
                           Target{"device", "a device node"}, Target{"folder", "a folder"}}) {
        for (const char *output : {"--out", "--plot", "save"}) {
            SCOPED_TRACE(std::string(t.kind) + ", " + output);
            VemosimCase c;
            c.write("pod.scn", Capsule("A01-John_Doe-35-72-80"));
            c.write("precious", "someone else's file");
            const std::string target = c.work() + "/target";
            const std::string kind = t.kind;
            if (kind == "pipe") {
                ASSERT_EQ(mkfifo(target.c_str(), 0644), 0);
            } else if (kind == "link") {
                fs::create_symlink(c.work() + "/precious", target);
            } else if (kind == "dangling link") {
                fs::create_symlink(c.work() + "/nowhere", target);
            } else if (kind == "folder") {
                fs::create_directory(target);
            } else if (mknod(target.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                continue;  // no privilege to make a device node
            }
            struct stat before;
            ASSERT_EQ(lstat(target.c_str(), &before), 0);
            std::vector<std::string> args = {"--until", "1", "pod.scn"};
            if (std::string(output) == "save") {
                c.write("run.tl", "0.5 save target\n");
                args.insert(args.begin(), {"--timeline", "run.tl"});
            } else {
                args.insert(args.begin(), {output, "target"});
            }
            const VemosimResult r = c.run(args);
            EXPECT_EQ(r.exitCode, 2) << r.err;
            EXPECT_NE(r.err.find("target"), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(t.words), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << "the run went ahead";
            struct stat after;
            ASSERT_EQ(lstat(target.c_str(), &after), 0);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_ino, before.st_ino) << "replaced";
            EXPECT_EQ(c.read("precious").value_or(""), "someone else's file");
        }
    }
}

// The disk fills while the scenario is written: the run fails with exit 1, no half file is
// left, and nothing printed says the scenario was saved.
TEST(VemosimHostile, FailedSaveNeverReadsAsSaved) {
    // A description long enough that the scenario does not fit below the limit.
    std::string description;
    for (int i = 0; i < 40; ++i) {
        description += std::string(200, 'x') + "\n";
    }
    // A file size limit as `ulimit -f` sets it: the write fails with a message, not with a
    // signal that ends the run silently and leaves the temporary file.
    for (const char *output : {"--out", "--plot"}) {
        SCOPED_TRACE(output);
        VemosimCase c;
        c.write("pod.scn", Capsule("A01-John_Doe-35-72-80", description));
        c.limitFileSize(4096);
        const VemosimResult r = c.run({"--until", "0.2", output, "out.file", "pod.scn"});
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("out.file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("too large"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("saved"), std::string::npos) << r.out;
        EXPECT_EQ(c.files(), std::vector<std::string>{"pod.scn"});
    }
}

// Two outputs at one path, however spelt, would leave only the last one there: refused before
// the run.
TEST(VemosimHostile, TwoOutputsAtOnePathAreRefused) {
    struct Case {
        std::vector<std::string> args;
        const char *timeline;  // empty: none
    };
    for (const Case &k : {Case{{"--out", "x.scn", "--plot", "x.scn"}, ""},
                          Case{{"--out", "x.scn", "--plot", "./sub/../x.scn"}, ""},
                          Case{{"--plot", "x.scn"}, "0.5 save ./x.scn\n"}}) {
        SCOPED_TRACE(k.args[1] + " " + k.timeline);
        VemosimCase c;
        c.write("pod.scn", Capsule("A01-John_Doe-35-72-80"));
        fs::create_directory(c.work() + "/sub");
        std::vector<std::string> args = k.args;
        if (*k.timeline != '\0') {
            c.write("run.tl", k.timeline);
            args.insert(args.end(), {"--timeline", "run.tl"});
        }
        args.insert(args.end(), {"--until", "1", "pod.scn"});
        const VemosimResult r = c.run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("x.scn"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << "the run went ahead";
        EXPECT_FALSE(c.read("x.scn").has_value());
    }
}

// A mission id with bytes above 127 (as an editor saving in UTF-8 writes one) gives a crew
// member on EVA a vessel name the scenario writer takes, so the save succeeds and the member
// is in it.
TEST(VemosimHostile, MissionIdBeyondAsciiStillSaves) {
    VemosimCase c;
    c.write("pod.scn", Capsule("\xC3\x84"
                               "1-Jo-35-72-80"));
    c.write("run.tl", "1 key E\n");
    const VemosimResult r =
        c.run({"--timeline", "run.tl", "--until", "2", "--out", "out.scn", "pod.scn"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    sim::ParsedScenario saved;
    sim::InputError error;
    ASSERT_TRUE(sim::parseScenarioText(c.read("out.scn").value_or(""), "out.scn", saved, error))
        << error.text();
    ASSERT_EQ(saved.scenario.ships.size(), 2u);
    EXPECT_EQ(saved.scenario.ships[1].name, "Vemo___1-Jo");
    EXPECT_EQ(saved.scenario.ships[1].className, "Vemo");
}

// Control bytes in a bad input never reach the terminal as they are: error messages quote
// them as '?'.
TEST(VemosimHostile, ErrorsShowNoControlBytes) {
    VemosimCase c;
    c.write("bad.scn", "BEGIN_SHIPS\nPod\x1b[2J\x07 vemopod\nEND\nEND_SHIPS\n");
    c.write("w.scn", "BEGIN_SHIPS\nEND_SHIPS\n");
    c.write("bad.tl", "1 focus \x1b[31mPod\n");
    for (const std::vector<std::string> &args : {std::vector<std::string>{"bad.scn"},
                                                 {"--timeline", "bad.tl", "w.scn"},
                                                 {"--out", "o\x1b.scn", "bad\x1b]0;x\x07.scn"}}) {
        const VemosimResult r = c.run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(Printable(r.err)) << r.err;
    }
}

// Timeline lines as editors leave them: a carriage return before a blank at the end of the
// line stays out of the file name, and a file name with any other control byte is refused.
TEST(VemosimHostile, TimelineSaveNamesHoldNoControlBytes) {
    VemosimCase c;
    c.write("pod.scn", Capsule("A01-John_Doe-35-72-80"));
    c.write("run.tl", "0.5 save out.scn\r \r\n");
    VemosimResult r = c.run({"--timeline", "run.tl", "--until", "1", "pod.scn"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(c.files(), (std::vector<std::string>{"out.scn", "pod.scn", "run.tl"}));

    c.write("bad.tl", "0.5 save out\x1b.scn\n");
    r = c.run({"--timeline", "bad.tl", "--until", "1", "pod.scn"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("bad.tl:1: save needs a file name without control characters"),
              std::string::npos)
        << r.err;
}

// A velocity or position that would carry a vessel beyond the numbers a scenario can hold
// is refused as bad input; before, 1e308 m/s saved "RPOS inf inf inf", which does not load.
TEST(VemosimHostile, StatesThatWouldOverflowAreRefused) {
    for (const std::string action : {"velocity Pod 1e308 0 0", "velocity Pod 0 0 3e8",
                                     "position Pod 0 -1e300 0", "place Pod at Pod2 1e300 0 0"}) {
        SCOPED_TRACE(action);
        VemosimCase c;
        c.write("pods.scn", "BEGIN_SHIPS\nPod:vemopod\nEND\nPod2:vemopod\nEND\nEND_SHIPS\n");
        c.write("run.tl", "1 " + action + "\n");
        const VemosimResult r =
            c.run({"--timeline", "run.tl", "--until", "5", "--out", "out.scn", "pods.scn"});
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("run.tl:1: a "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("either way"), std::string::npos) << r.err;
        EXPECT_FALSE(c.read("out.scn").has_value());
    }
}
