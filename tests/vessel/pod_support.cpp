#include "pod_support.h"

namespace podtest {

sim::ShipBlock podBlock(const std::string &name, std::vector<std::string> lines) {
    sim::ShipBlock b;
    b.name = name;
    b.className = kPodClass;
    // In orbit unless the lines say otherwise.
    b.lines = {"STATUS Orbiting Earth", "RPOS 6778000 0 0"};
    b.lines.insert(b.lines.end(), lines.begin(), lines.end());
    return b;
}

OBJHANDLE loadShips(sim::World &w, const std::vector<sim::ShipBlock> &ships) {
    sim::ScenarioFile scn;
    scn.ships = ships;
    if (!ships.empty())
        scn.focus = ships.front().name;
    std::string error;
    bool ok = w.load(scn, &error);
    EXPECT_TRUE(ok) << error;
    return ok && !ships.empty() ? w.find(ships.front().name) : nullptr;
}

OBJHANDLE loadCrewedPod(sim::World &w, const std::string &name) {
    return loadShips(w, {podBlock(name, {kFullTanks, kCrewLine})});
}

double deployState(const sim::VesselRecord &pod) {
    return pod.animations.size() > kDeployAnim ? pod.animations[kDeployAnim].state : -1.0;
}

const sim::ThrusterGroup *retroGroup(const sim::VesselRecord &pod) {
    return pod.groupByType[THGROUP_RETRO];
}

WORD meshVisibility(const sim::VesselRecord &pod, unsigned index) {
    return index < pod.meshes.size() ? pod.meshes[index].visibility : WORD(0xffff);
}

std::vector<std::string> crewLines(const sim::ShipBlock &block) {
    std::vector<std::string> out;
    for (const std::string &l : block.lines)
        if (l.rfind("VEMOCREW", 0) == 0 || l.rfind("VEMOTRANSFER", 0) == 0)
            out.push_back(l);
    return out;
}

const sim::ShipBlock *findBlock(const sim::ScenarioFile &scn, const std::string &name) {
    for (const sim::ShipBlock &b : scn.ships)
        if (b.name == name)
            return &b;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
namespace {

struct WalkerValues {
    int age = 35, pulse = 72, weight = 80;
};
WalkerValues g_nextWalker;

class Walker final : public VESSEL2 {
public:
    Walker(OBJHANDLE h, int fm, WalkerValues values) : VESSEL2(h, fm), values_(values) {}
    void clbkSetClassCaps(FILEHANDLE) override {
        SetEmptyMass(100.0);
        VECTOR3 zero = sim::vec(0, 0, 0), z = sim::vec(0, 0, 1), y = sim::vec(0, 1, 0);
        CreateAttachment(true, zero, z, y, "GRIP");
        CreateAttachment(true, sim::vec(values_.age, values_.pulse, values_.weight), zero, zero,
                         "V-em");
    }

private:
    WalkerValues values_;
};

}  // namespace

void registerWalker(sim::World &w) {
    w.registerClass(
        kWalkerClass,
        [](OBJHANDLE h, int fm) -> VESSEL * { return new Walker(h, fm, g_nextWalker); },
        [](VESSEL *v) { delete static_cast<Walker *>(static_cast<VESSEL2 *>(v)); });
}

OBJHANDLE makeWalker(sim::World &w, const std::string &name, OBJHANDLE near, const VECTOR3 &offset,
                     int age, int pulse, int weight) {
    g_nextWalker = {age, pulse, weight};
    std::string error;
    OBJHANDLE h = w.createVessel(name, kWalkerClass, sim::makeStatus(testsupport::kOrbit), &error);
    EXPECT_NE(h, nullptr) << error;
    if (h && near)
        w.placeNear(h, near, offset);
    return h;
}

std::string builtModulePath() {
    return testsupport::buildRoot() + "/modules/vemopod.dll";
}

}  // namespace podtest
