// examples/transfer.scn with its timeline, run by vemosim as a user would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "test_support.h"

using namespace testsupport;

namespace {

struct ExampleRun {
    int exitCode = -1;
    std::string out;
    std::string saved;      // the scenario the timeline saves
    bool transferFileLeft;  // config/VemotmpT.cfg still in the root
};

// Runs the example in a fresh root; the timeline's save lands in the root's folder too.
ExampleRun RunExample() {
    TempRoot root;
    const std::string example = sourceDir() + "/examples/transfer";
    const std::string command = "cd '" + root.path() + "' && '" + vemosimPath() + "' --root '" +
                                root.path() + "' --timeline '" + example + ".tl' --until 7 '" +
                                example + ".scn' > out.txt 2> err.txt";
    ExampleRun run;
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = root.read("out.txt");
    EXPECT_EQ(root.read("err.txt"), "");
    run.saved = root.read("transfer_saved.scn");
    run.transferFileLeft = root.exists("config/VemotmpT.cfg");
    return run;
}

// The first output line that mentions every word, or "" when none does.
std::string LineWith(const std::string &out, const std::vector<std::string> &words) {
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        bool all = true;
        for (const std::string &w : words) {
            all = all && line.find(w) != std::string::npos;
        }
        if (all) {
            return line;
        }
    }
    return "";
}

double TimeOf(const std::string &line) {
    return line.empty() ? -1.0 : std::stod(line);
}

std::vector<std::string> CrewLines(const sim::ScenarioFile &s, const std::string &ship) {
    std::vector<std::string> out;
    for (const sim::ShipBlock &b : s.ships) {
        for (const std::string &line : b.lines) {
            if (b.name == ship && line.rfind("VEMOCREW", 0) == 0) {
                out.push_back(line);
            }
        }
    }
    return out;
}

}  // namespace

TEST(TransferExample, HandsOverThenWalksOverAndIsRepeatable) {
    const ExampleRun run = RunExample();
    ASSERT_EQ(run.exitCode, 0) << run.out;

    // The hand-over: the carrier appears on E and is gone at Beta's next look around.
    const double created = TimeOf(LineWith(run.out, {"VemoTBeta", "created"}));
    const double taken = TimeOf(LineWith(run.out, {"VemoTBeta", "deleted"}));
    EXPECT_DOUBLE_EQ(created, 1.0);
    EXPECT_GT(taken, created);
    EXPECT_LE(taken, created + 0.3);
    EXPECT_NE(LineWith(run.out, {"VemoTBeta", "ready to return: age 35, pulse 72, 80 kg"}), "");

    // The EVA after parting: the keyboard follows the member out, and comes to Beta with it.
    EXPECT_DOUBLE_EQ(TimeOf(LineWith(run.out, {"Vemo_X1-Pilot_Two", "created"})), 3.0);
    EXPECT_DOUBLE_EQ(TimeOf(LineWith(run.out, {"focus on Vemo_X1-Pilot_Two"})), 3.0);
    EXPECT_NE(LineWith(run.out, {"Vemo_X1-Pilot_Two", "ready to return: age 41, pulse 64, 75 kg"}),
              "");
    const double back = TimeOf(LineWith(run.out, {"Vemo_X1-Pilot_Two", "deleted"}));
    EXPECT_GT(back, 5.0);
    EXPECT_LE(back, 5.3);
    EXPECT_DOUBLE_EQ(TimeOf(LineWith(run.out, {"focus on Beta"})), back);
    EXPECT_FALSE(run.transferFileLeft);

    sim::ParsedScenario saved;
    sim::InputError error;
    ASSERT_TRUE(sim::parseScenarioText(run.saved, "transfer_saved.scn", saved, error))
        << error.text();
    EXPECT_TRUE(CrewLines(saved.scenario, "Alpha").empty());
    EXPECT_EQ(CrewLines(saved.scenario, "Beta"),
              (std::vector<std::string>{"VEMOCREW X1-Pilot_One-35-72-80",
                                        "VEMOCREW X1-Pilot_Two-41-64-75"}));
    EXPECT_EQ(saved.scenario.ships.size(), 2u);  // nobody left outside
    EXPECT_EQ(saved.scenario.focus, "Beta");

    const ExampleRun again = RunExample();
    EXPECT_EQ(again.out, run.out);
    EXPECT_EQ(again.saved, run.saved);
}
