// Helpers for the capsule's module tests: scenario blocks, a crew-member class of our own,
// and the allocation counter set to tell the module's own allocations from the host's.
#ifndef VEMO_TESTS_VESSEL_POD_SUPPORT_H
#define VEMO_TESTS_VESSEL_POD_SUPPORT_H

#include <cstddef>
#include <string>
#include <vector>

#include "World.h"
#include "allocation_counter.h"
#include "test_support.h"

namespace podtest {

// A crew line as a scenario carries it, and the member it describes.
inline constexpr char kCrewLine[] = "VEMOCREW A01-John_Doe-35-72-80";
// Both tanks full: the attitude thrusters' (index 0, made first) and the retro engine's (1).
// Without it a loaded capsule's tanks are empty, as in the simulator.
inline constexpr char kFullTanks[] = "PRPLEVEL 0:1 1:1";
inline constexpr char kPodClass[] = "vemopod";
// Class of the walkers below: the crew library recognises crew-member vessels by the prefix.
inline constexpr char kWalkerClass[] = "VemoWalker";

// Indices the capsule's set-up gives its animations and meshes.
inline constexpr unsigned kDeployAnim = 0;
inline constexpr unsigned kCrewMesh = 1;
inline constexpr unsigned kCrewCockpitMesh = 2;

// Each test in a fresh root (with the companion unless rootOptions says otherwise) and a
// world on it with the default options.
using PodWorldTest = testsupport::WorldTest;

// A ships block for a capsule with these lines.
sim::ShipBlock podBlock(const std::string &name, std::vector<std::string> lines = {});

// Loads the blocks as a scenario (focus on the first) and returns the first vessel's handle.
// Fails the test on a load error.
OBJHANDLE loadShips(sim::World &w, const std::vector<sim::ShipBlock> &ships);
// A capsule named "Pod" with one crew member aboard (kCrewLine) and full tanks, focused.
OBJHANDLE loadCrewedPod(sim::World &w, const std::string &name = "Pod");

double deployState(const sim::VesselRecord &pod);
const sim::ThrusterGroup *retroGroup(const sim::VesselRecord &pod);
WORD meshVisibility(const sim::VesselRecord &pod, unsigned index);
// The crew lines and transfer lines among a saved block's lines.
std::vector<std::string> crewLines(const sim::ShipBlock &block);
const sim::ShipBlock *findBlock(const sim::ScenarioFile &scn, const std::string &name);

// A crew-member vessel of our own making: the two to-parent points the crew library looks
// for, the last one "V-em" carrying (age, pulse, weight). Registered in the world under
// kWalkerClass.
void registerWalker(sim::World &w);
OBJHANDLE makeWalker(sim::World &w, const std::string &name, OBJHANDLE near, const VECTOR3 &offset,
                     int age = 35, int pulse = 72, int weight = 80);

// The built capsule module in the runtime root the build lays out.
std::string builtModulePath();

// The allocation counter (allocation_counter.h) watching the capsule module.
namespace alloc {
inline constexpr char kModuleFile[] = "vemopod.dll";
using alloccount::Counts;
using alloccount::counts;
using alloccount::disarm;
using alloccount::failModuleNothrow;
inline void arm() {
    alloccount::arm(kModuleFile);
}
inline int moduleCopies() {
    return alloccount::moduleCopies(kModuleFile);
}
}  // namespace alloc

}  // namespace podtest

#endif
