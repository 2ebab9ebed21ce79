// A world of the real modules (vemopod, crewhab and the companion stand-in "Vemo") for fault
// injection, with a census of every crew member in it: aboard a vessel (from its saved crew
// lines) or outside as a crew-member vessel (from its object name and saved values).
#ifndef VEMO_TESTS_FAULTS_WORLD_H
#define VEMO_TESTS_FAULTS_WORLD_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace faults {

// One crew member as the census finds it.
struct Member {
    std::string missionId;
    std::string name;  // blanks as blanks; empty for a transfer vessel (its name is in the file)
    int age = 0;
    int pulse = 0;
    int weight = 0;
    std::string where;  // the vessel aboard, or the crew-member vessel's own name

    std::string Text() const;
};

// Everyone in the world, aboard or outside, in vessel-list order.
std::vector<Member> Census(sim::World &world);

// The census holds exactly the expected members: none lost, none doubled, and nobody with
// another member's data. A member whose name could not travel (a transfer vessel still in
// flight, or a member boarded as "Unknown" because the hand-over file was unusable) must
// carry the values of exactly one expected member who is not otherwise found.
::testing::AssertionResult CrewConserved(const std::vector<Member> &census,
                                         const std::vector<Member> &expected);

// Where each member is: "name@vessel" in census order, for messages and exact checks.
std::string Places(const std::vector<Member> &census);

// Two crewhab vessels docked back to back, Alpha with two members and Beta empty, and a
// capsule far off with one member aboard.
extern const char *const kCrewScenario;
// Two capsules, Pod with one member aboard (the same as in kCrewScenario) and Pod2 empty.
extern const char *const kCapsuleScenario;
// The three members of kCrewScenario.
std::vector<Member> ScenarioCrew();

class FaultWorldTest : public testsupport::WorldTest {
protected:
    // Makes the world and loads the scenario text into it; fails the test on any error.
    void Load(const std::string &scenarioText, double step = 0.1);
    OBJHANDLE Vessel(const std::string &name) const;  // live vessel or null
    // Gives the keyboard to the vessel and presses E, as a user would; the key is accepted
    // at most once per second of simulation time, so this first waits for that.
    bool PressE(const std::string &vessel);
    void RunFor(double seconds);
    // The first live vessel whose name begins with the prefix; null if none.
    OBJHANDLE FirstNamed(const std::string &prefix) const;

    // The round trip of every crew path, tolerant of refusals: a hand-over from Alpha to the
    // docked Beta, a free EVA from Alpha after undocking and a walk into Beta's airlock, and
    // a free EVA from the capsule and a walk back into it. Checks after every stage that the
    // census holds exactly the expected crew.
    void RoundTrip(const std::vector<Member> &expected = ScenarioCrew());

    double lastE_ = -10.0;
};

}  // namespace faults

#endif  // VEMO_TESTS_FAULTS_WORLD_H
