// Something else planted under the names of the crew's files: a symbolic link to a file
// outside the root, a linked config/ folder, a pipe, a device node. The crew library and the
// companion never write through a link, never wait on a pipe, take anything but a regular
// file as missing and say so in the host's log, and nobody is lost or changed.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "faults_world.h"

using namespace faults;
namespace fs = std::filesystem;

namespace {

// Longest a case may take before it counts as hung, s: a blocked open never returns.
constexpr unsigned kHangLimit = 60;

class PlantedFiles : public FaultWorldTest {
protected:
    void SetUp() override {
        FaultWorldTest::SetUp();
        alarm(kHangLimit);  // a hung open ends the test process, and so fails the test
        outside_ = root->path() + "-outside";
        fs::create_directories(outside_);
        victim_ = outside_ + "/victim";
        WriteVictim();
    }
    void TearDown() override {
        alarm(0);
        world.reset();
        std::error_code ignored;
        fs::remove_all(outside_, ignored);
        FaultWorldTest::TearDown();
    }

    void WriteVictim() const {
        std::error_code ignored;
        fs::remove_all(victim_, ignored);
        std::ofstream(victim_) << kVictimText;
    }
    std::string Victim() const {
        std::ifstream in(victim_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Clears whatever is at the root's relative path.
    void Clear(const std::string &relative) const {
        std::error_code ignored;
        fs::remove_all(root->file(relative), ignored);
    }
    // Lines the host's log got from the modules saying a file was taken as missing.
    std::size_t Refusals(const std::string &about) const {
        std::size_t n = 0;
        for (const sim::Event &e : world->events()) {
            n += e.kind == sim::ev::kLog && e.text.find(about) != std::string::npos &&
                 e.text.find("taken as missing") != std::string::npos;
        }
        return n;
    }

    static constexpr const char *kVictimText = "a file of someone else's";
    std::string outside_;
    std::string victim_;
};

}  // namespace

// Every hand-over record a round trip writes meets a link: the member who would have gone
// through it stays aboard, and the file the link points to keeps its content.
TEST_F(PlantedFiles, RecordsAreNeverWrittenThroughALink) {
    struct Plant {
        const char *at;     // what is a link
        const char *names;  // what the log names
        bool hard;          // a hard link, not a symbolic one
    };
    // The class configs are read through a linked config/ as through the folder itself.
    fs::copy(root->file("config/vessels"), outside_ + "/vessels", fs::copy_options::recursive);
    for (const Plant plant : {Plant{"config/Vemotmp.cfg", "config/Vemotmp.cfg", false},
                              Plant{"config/VemotmpT.cfg", "config/VemotmpT.cfg", false},
                              Plant{"config", "config is a symbolic link", false},
                              Plant{"config/Vemotmp.cfg", "(a hard link)", true},
                              Plant{"config/VemotmpT.cfg", "(a hard link)", true}}) {
        SCOPED_TRACE(std::string(plant.at) + (plant.hard ? " (hard link)" : ""));
        Clear(plant.at);
        if (plant.hard) {
            fs::create_hard_link(victim_, root->file(plant.at));
        } else {
            fs::create_symlink(plant.at == std::string("config") ? outside_ : victim_,
                               root->file(plant.at));
        }
        Load(kCrewScenario);
        RoundTrip();
        EXPECT_EQ(Victim(), kVictimText);
        EXPECT_FALSE(fs::exists(outside_ + "/Vemotmp.cfg"));
        EXPECT_FALSE(fs::exists(outside_ + "/VemotmpT.cfg"));
        EXPECT_GE(Refusals(plant.names), 1u) << testsupport::dumpEvents(*world);
        world.reset();
        Clear(plant.at);
        fs::create_directories(root->file("config"));
        if (!fs::exists(root->file("config/vessels"))) {
            fs::copy(outside_ + "/vessels", root->file("config/vessels"),
                     fs::copy_options::recursive);
        }
        WriteVictim();
    }
}

// A pipe under any of the crew's file names would block its open for ever; it is taken as
// missing instead, and the round trip goes on without it.
TEST_F(PlantedFiles, PipesAreNeverWaitedOn) {
    for (const std::string at :
         {"config/Vemotmp.cfg", "config/VemotmpT.cfg", "meshes/Vemo/ver.dtf", "modules/Vemo.dll"}) {
        SCOPED_TRACE(at);
        Clear(at);
        ASSERT_EQ(mkfifo(root->file(at).c_str(), 0644), 0);
        Load(kCrewScenario);
        RoundTrip();
        EXPECT_GE(Refusals(at + " is a pipe"), 1u) << testsupport::dumpEvents(*world);
        world.reset();
        Clear(at);
    }
}

// A device node where the EVA record goes (one like /dev/null would swallow the record, and
// the member would arrive outside with the companion's default values): the member stays
// aboard with its own values. Making a device node needs the privilege to; without it the
// case is skipped.
TEST_F(PlantedFiles, DeviceNodesAreNeverWritten) {
    const std::string at = "config/Vemotmp.cfg";
    if (mknod(root->file(at).c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "no privilege to make a device node";
    }
    Load(kCapsuleScenario);
    const std::vector<Member> crew = {{"C1", "Cap Ten", 50, 70, 90, "Pod"}};
    EXPECT_TRUE(PressE("Pod"));
    RunFor(1.0);
    EXPECT_EQ(FirstNamed("Vemo"), nullptr);
    EXPECT_TRUE(CrewConserved(Census(*world), crew)) << Places(Census(*world));
    EXPECT_EQ(Places(Census(*world)), "C1-Cap Ten 50/70/90 @Pod");
    struct stat st;
    ASSERT_EQ(lstat(root->file(at).c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_GE(Refusals(at + " is a device"), 1u);
}

// The receiving side: the transfer record is replaced by a link to a sound record of the same
// member outside the root, or by a pipe, while the transfer vessel waits. Neither is read or
// removed; the member arrives with the values the transfer vessel carries.
TEST_F(PlantedFiles, TransferRecordReplacedWhileTheMemberWaits) {
    const std::string at = "config/VemotmpT.cfg";
    for (const std::string plant : {"link", "pipe"}) {
        SCOPED_TRACE(plant);
        Load(kCrewScenario);
        ASSERT_TRUE(PressE("Alpha"));
        ASSERT_NE(world->find("VemoTBeta"), nullptr);
        fs::rename(root->file(at), victim_);
        if (plant == "link") {
            fs::create_symlink(victim_, root->file(at));
        } else {
            ASSERT_EQ(mkfifo(root->file(at).c_str(), 0644), 0);
        }
        RunFor(1.0);
        EXPECT_EQ(world->find("VemoTBeta"), nullptr) << "the member was not taken aboard";
        const std::vector<Member> census = Census(*world);
        EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
        EXPECT_TRUE(fs::exists(fs::symlink_status(root->file(at))));
        EXPECT_TRUE(fs::exists(victim_)) << "the linked file was removed";
        EXPECT_GE(Refusals(at), 1u);
        world.reset();
        Clear(at);
        WriteVictim();
    }
}
