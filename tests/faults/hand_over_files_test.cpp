// Fault injection on every file the crew library touches: the hand-over files under config/,
// the companion's presence file and its version file. Whatever is wrong with them, nothing
// crashes, nobody is lost or doubled, and nobody comes aboard with another member's data.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "faults_world.h"

using namespace faults;
namespace fs = std::filesystem;

namespace {

const std::string kEvaFile = "config/Vemotmp.cfg";
const std::string kTransferFile = "config/VemotmpT.cfg";

// A hand-over record as the crew library writes it: name, mesh, age, pulse, evaParameter,
// weight, two zeros; little-endian.
std::string Record(const std::string &name, int age, int pulse, int weight) {
    std::string r(104, '\0');
    r.replace(0, name.size(), name);
    auto put = [&r](std::size_t offset, int value) {
        for (int i = 0; i < 4; ++i) {
            r[offset + i] = static_cast<char>((static_cast<unsigned>(value) >> (8 * i)) & 0xff);
        }
    };
    put(80, age);
    put(84, pulse);
    put(88, 100);
    put(92, weight);
    return r;
}

class HandOverFiles : public FaultWorldTest {};

}  // namespace

TEST_F(HandOverFiles, WithSoundFilesTheRoundTripMovesEveryone) {
    Load(kCrewScenario);
    RoundTrip();
    // Without this, a fault test that sees nobody move would prove nothing.
    EXPECT_EQ(Places(Census(*world)),
              "X1-Pilot One 35/72/80 @Beta, X1-Pilot Two 44/64/77 @Beta, C1-Cap Ten 50/70/90 @Pod");
    EXPECT_FALSE(root->exists(kTransferFile));
}

// The hand-over record cannot be written: the record's name is taken by a folder, or by a
// link into a folder that does not exist. (The config folder itself cannot be missing: the
// class config files live in it.) The member stays aboard with all of its data, rather than
// leaving with the companion's default values (free EVA) or arriving nameless (transfer).
TEST_F(HandOverFiles, UnwritableRecordKeepsTheMemberAboard) {
    const std::vector<std::string> faults = {"records are folders",
                                             "records link into a missing folder"};
    for (const std::string &fault : faults) {
        SCOPED_TRACE(fault);
        for (const std::string &record : {kEvaFile, kTransferFile}) {
            fs::remove_all(root->file(record));
            if (fault == "records are folders") {
                fs::create_directories(root->file(record));
            } else {
                fs::create_symlink(root->file("no/such/folder/record"), root->file(record));
            }
        }
        Load(kCrewScenario);
        RoundTrip();
        EXPECT_EQ(Places(Census(*world)),
                  "X1-Pilot One 35/72/80 @Alpha, X1-Pilot Two 44/64/77 @Alpha, "
                  "C1-Cap Ten 50/70/90 @Pod");
        EXPECT_EQ(FirstNamed("Vemo"), nullptr) << "a crew-member vessel was made";
        world.reset();
    }
}

// The transfer record is written, then spoiled before the receiving vessel reads it. The
// member always arrives with the values its transfer vessel carries; the name comes from the
// file only when the file holds this member's whole record.
TEST_F(HandOverFiles, TransferRecordSpoiledBeforeItIsRead) {
    struct Spoil {
        const char *what;
        std::string content;  // what the file holds at the read; "-" removed, "/" a folder
        const char *arrives;  // name of the member aboard Beta
    };
    const std::string sound = Record("Vemo_X1-Pilot One", 35, 72, 80);
    const std::vector<Spoil> spoils = {
        {"removed", "-", "Unknown"},
        {"a folder", "/", "Unknown"},
        {"empty", "", "Unknown"},
        {"cut short", sound.substr(0, 96), "Unknown"},
        {"longer than a record", sound + "tail of another write", "Pilot One"},
        {"another member's record", Record("Vemo_C1-Cap Ten", 50, 70, 90), "Unknown"},
        {"unterminated name", std::string(40, 'V') + sound.substr(40), "Unknown"},
    };
    for (const Spoil &spoil : spoils) {
        SCOPED_TRACE(spoil.what);
        Load(kCrewScenario);
        ASSERT_TRUE(PressE("Alpha"));
        ASSERT_NE(world->find("VemoTBeta"), nullptr);
        ASSERT_TRUE(root->exists(kTransferFile));
        root->remove(kTransferFile);
        if (spoil.content == "/") {
            fs::create_directories(root->file(kTransferFile));
        } else if (spoil.content != "-") {
            root->write(kTransferFile, spoil.content);
        }
        RunFor(1.0);

        EXPECT_EQ(world->find("VemoTBeta"), nullptr) << "the member was not taken aboard";
        const std::vector<Member> census = Census(*world);
        EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
        ASSERT_EQ(census.size(), 3u);
        const Member &arrived = census[1];  // Alpha's remaining member, Beta's new one, Pod's
        EXPECT_EQ(arrived.where + "/" + arrived.name, std::string("Beta/") + spoil.arrives)
            << Places(census);
        // Only a regular file is the crew's to remove; anything else there is left alone.
        EXPECT_EQ(fs::exists(root->file(kTransferFile)), spoil.content == "/");
        world.reset();
        fs::remove_all(root->file(kTransferFile));
    }
}

// A scenario saved while a transfer vessel waits, and loaded where the hand-over file is gone
// (another machine, a cleaned folder): the receiving vessel's transfer line still names the
// member, through any number of saves before the member comes aboard.
TEST_F(HandOverFiles, WaitingTransferKeepsItsMemberAcrossSaveAndLoad) {
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Alpha"));
    ASSERT_NE(world->find("VemoTBeta"), nullptr);
    sim::ScenarioFile saved = world->save();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("load " + std::to_string(round + 1));
        const sim::ShipBlock *beta = nullptr;
        for (const sim::ShipBlock &b : saved.ships) {
            beta = b.name == "Beta" ? &b : beta;
        }
        ASSERT_NE(beta, nullptr);
        EXPECT_NE(
            std::find(beta->lines.begin(), beta->lines.end(), "VEMOTRANSFER X1-Pilot_One-35-72-80"),
            beta->lines.end());
        root->remove(kTransferFile);
        makeWorld();
        std::string why;
        ASSERT_TRUE(world->load(saved, &why)) << why;
        saved = world->save();  // before the transfer vessel has stepped
    }
    RunFor(1.0);
    EXPECT_EQ(world->find("VemoTBeta"), nullptr) << "the member was not taken aboard";
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
    EXPECT_EQ(Places(census),
              "X1-Pilot Two 44/64/77 @Alpha, X1-Pilot One 35/72/80 @Beta, "
              "C1-Cap Ten 50/70/90 @Pod");
    // Aboard, the member is no longer on the way.
    for (const sim::ShipBlock &b : world->save().ships) {
        for (const std::string &line : b.lines) {
            EXPECT_NE(line.rfind("VEMOTRANSFER", 0), 0u) << b.name << ": " << line;
        }
    }
}

namespace {

// The scenario as saved while Alpha's first member waits in a transfer vessel for Beta, with
// Beta's block given to `edit`.
sim::ScenarioFile SavedWithTransferWaiting(FaultWorldTest &test, sim::World &world,
                                           void (*edit)(std::vector<std::string> &)) {
    sim::ScenarioFile saved = world.save();
    for (sim::ShipBlock &b : saved.ships) {
        if (b.name == "Beta" && edit) {
            edit(b.lines);
        }
    }
    return saved;
}

std::vector<std::string> TransferLines(const sim::ScenarioFile &saved, const std::string &ship) {
    std::vector<std::string> lines;
    for (const sim::ShipBlock &b : saved.ships) {
        for (const std::string &line : b.lines) {
            if (b.name == ship && line.rfind("VEMOTRANSFER", 0) == 0) {
                lines.push_back(line);
            }
        }
    }
    return lines;
}

}  // namespace

// A hand-over file left from another transfer names someone else: the scenario's transfer
// line names the member, through a save before the first step and a load after it, and the
// member comes aboard by that name. The file is used only where it agrees with the line.
TEST_F(HandOverFiles, StaleTransferRecordLosesToTheTransferLine) {
    struct Stale {
        const char *what;
        std::string record;
    };
    for (const Stale &stale :
         {Stale{"another member, other values", Record("Vemo_C1-Cap Ten", 50, 70, 90)},
          Stale{"another name, the same values", Record("Vemo_Z9-Zed", 35, 72, 80)}}) {
        SCOPED_TRACE(stale.what);
        Load(kCrewScenario);
        ASSERT_TRUE(PressE("Alpha"));
        sim::ScenarioFile saved = SavedWithTransferWaiting(*this, *world, nullptr);
        for (int round = 0; round < 2; ++round) {
            root->write(kTransferFile, stale.record);
            makeWorld();
            std::string why;
            ASSERT_TRUE(world->load(saved, &why)) << why;
            saved = world->save();  // before the first step
            EXPECT_EQ(TransferLines(saved, "Beta"),
                      std::vector<std::string>{"VEMOTRANSFER X1-Pilot_One-35-72-80"});
        }
        RunFor(1.0);
        EXPECT_EQ(world->find("VemoTBeta"), nullptr) << "the member was not taken aboard";
        EXPECT_EQ(Places(Census(*world)),
                  "X1-Pilot Two 44/64/77 @Alpha, X1-Pilot One 35/72/80 @Beta, "
                  "C1-Cap Ten 50/70/90 @Pod");
        world.reset();
        fs::remove_all(root->file(kTransferFile));
    }
}

// Two transfer lines in one block, one of them with no transfer vessel waiting: both are read
// and saved again in their order; the waiting member comes aboard by his own line, and the
// other line stays until its member comes.
TEST_F(HandOverFiles, EveryTransferLineIsKeptUntilItsMemberComes) {
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Alpha"));
    const sim::ScenarioFile saved = SavedWithTransferWaiting(
        *this, *world,
        [](std::vector<std::string> &lines) { lines.push_back("VEMOTRANSFER Z9-Zed-30-60-70"); });
    root->remove(kTransferFile);
    makeWorld();
    std::string why;
    ASSERT_TRUE(world->load(saved, &why)) << why;
    const std::vector<std::string> both = {"VEMOTRANSFER X1-Pilot_One-35-72-80",
                                           "VEMOTRANSFER Z9-Zed-30-60-70"};
    EXPECT_EQ(TransferLines(world->save(), "Beta"), both);
    RunFor(1.0);
    EXPECT_EQ(world->find("VemoTBeta"), nullptr) << "the member was not taken aboard";
    EXPECT_EQ(Places(Census(*world)),
              "X1-Pilot Two 44/64/77 @Alpha, X1-Pilot One 35/72/80 @Beta, "
              "C1-Cap Ten 50/70/90 @Pod");
    EXPECT_EQ(TransferLines(world->save(), "Beta"),
              std::vector<std::string>{"VEMOTRANSFER Z9-Zed-30-60-70"});
}

// The receiving vessel has left before it took its member: the transfer vessel is a member
// outside like any other, and the first crew vessel whose open airlock it stands in with a
// free seat takes him, by the name the hand-over file gives when it holds his values.
TEST_F(HandOverFiles, TransferWhoseReceiverIsGoneIsTakenByAnotherAirlock) {
    struct Case {
        const char *what;
        std::string record;   // the transfer file; empty: none
        const char *arrives;  // the member as the census shows him aboard Alpha
    };
    for (const Case &c : {Case{"with its record", Record("Vemo_Q7-Lost One", 33, 66, 77),
                               "Q7-Lost One 33/66/77 @Alpha"},
                          Case{"without a record", "", "-Unknown 33/66/77 @Alpha"}}) {
        SCOPED_TRACE(c.what);
        Load(kCrewScenario);
        if (!c.record.empty()) {
            root->write(kTransferFile, c.record);
        }
        // Addressed to a vessel that is no longer there.
        const OBJHANDLE transfer =
            world->createVessel("VemoTGone", "Vemo", sim::makeStatus(sim::vec(6778000, 0, 20)));
        const VECTOR3 values = sim::vec(33, 66, 77), zero = sim::vec(0, 0, 0);
        world->interfaceOf(transfer)->CreateAttachment(true, values, zero, zero, "V-em");
        world->placeNear(transfer, Vessel("Alpha"), sim::vec(0, 0, 1));
        RunFor(0.25 + 0.1);
        EXPECT_EQ(world->find("VemoTGone"), nullptr) << "the member stays outside";
        EXPECT_EQ(Places(Census(*world)),
                  "X1-Pilot One 35/72/80 @Alpha, X1-Pilot Two 44/64/77 "
                  "@Alpha, " +
                      std::string(c.arrives) + ", C1-Cap Ten 50/70/90 @Pod");
        world.reset();
        fs::remove_all(root->file(kTransferFile));
    }
}

// The companion module is not installed (or its file is a dangling link): the crew manager
// never becomes ready, E sends nobody out, and the capsule's crew lines go to the host's
// parser unchanged and come back when the scenario is saved.
TEST_F(HandOverFiles, CompanionMissingSendsNobodyOutAndKeepsTheCrewLines) {
    for (const std::string fault : {"missing", "dangling link"}) {
        SCOPED_TRACE(fault);
        root->remove("modules/Vemo.dll");
        if (fault == "dangling link") {
            fs::create_symlink(root->file("modules/nowhere.dll"), root->file("modules/Vemo.dll"));
        }
        Load(kCapsuleScenario);
        EXPECT_TRUE(PressE("Pod"));
        RunFor(1.0);
        EXPECT_EQ(FirstNamed("Vemo"), nullptr);
        EXPECT_EQ(testsupport::events(*world, sim::ev::kScenarioLine, "Pod",
                                      "VEMOCREW C1-Cap_Ten-50-70-90")
                      .size(),
                  1u);
        EXPECT_EQ(Places(Census(*world)), "C1-Cap Ten 50/70/90 @Pod");
        world.reset();
    }
}

// A presence file that is there but is no module passes the presence check, yet the host
// cannot make crew-member vessels: every EVA and hand-over is refused and the members stay
// aboard. A folder there counts as no companion at all: nobody leaves, and nobody is lost.
TEST_F(HandOverFiles, CompanionFileThatIsNoModuleLosesNobody) {
    for (const std::string odd : {"empty", "folder"}) {
        SCOPED_TRACE(odd);
        root->remove("modules/Vemo.dll");
        if (odd == "empty") {
            root->write("modules/Vemo.dll", "");
        } else {
            fs::create_directories(root->file("modules/Vemo.dll"));
        }
        Load(kCrewScenario);
        RoundTrip();
        EXPECT_EQ(FirstNamed("Vemo"), nullptr);
        EXPECT_EQ(Places(Census(*world)),
                  "X1-Pilot One 35/72/80 @Alpha, X1-Pilot Two 44/64/77 @Alpha, "
                  "C1-Cap Ten 50/70/90 @Pod");
        EXPECT_FALSE(root->exists(kTransferFile)) << "a refused hand-over left its record";
        world.reset();
        fs::remove_all(root->file("modules/Vemo.dll"));
    }
}

// The version file is only read at set-up and its value is not used: however odd it is, the
// crew works as with a sound one.
TEST_F(HandOverFiles, OddVersionFileChangesNothing) {
    const std::string version = "meshes/Vemo/ver.dtf";
    for (const std::string odd : {"missing", "folder", "empty", "binary", "huge", "no point"}) {
        SCOPED_TRACE(odd);
        fs::remove_all(root->file(version));
        if (odd == "folder") {
            fs::create_directories(root->file(version));
        } else if (odd == "empty") {
            root->write(version, "");
        } else if (odd == "binary") {
            root->write(version, std::string("\x00\xff.\x80\x7f", 5));
        } else if (odd == "huge") {
            root->write(version, "1." + std::string(1 << 20, '9'));
        } else if (odd == "no point") {
            root->write(version, "15");
        }
        Load(kCrewScenario);
        RoundTrip();
        EXPECT_EQ(
            Places(Census(*world)),
            "X1-Pilot One 35/72/80 @Beta, X1-Pilot Two 44/64/77 @Beta, C1-Cap Ten 50/70/90 @Pod");
        world.reset();
    }
}
