// What the capsule's class set-up leaves with the host: every value, in the order given.
#include <cmath>
#include <string>
#include <vector>

#include "pod_support.h"

using namespace podtest;
using sim::vec;
using testsupport::near;
using testsupport::rec;

namespace {

class PodCaps : public PodWorldTest {
protected:
    const sim::VesselRecord &makePod(const std::string &name = "Pod") {
        return rec(*world, testsupport::create(*world, name, kPodClass));
    }
};

const double kDeg = 3.14159265358979323846 / 180.0;

std::string MeshName(MESHHANDLE h) {
    return h ? static_cast<const sim::MeshRecord *>(h)->name : std::string("<none>");
}
std::string TextureName(SURFHANDLE h) {
    return h ? static_cast<const sim::TextureRecord *>(h)->name : std::string("<none>");
}
std::vector<UINT> Groups(const MGROUP_TRANSFORM *t) {
    return std::vector<UINT>(t->grp, t->grp + t->ngrp);
}
int ThrusterIndex(const sim::VesselRecord &v, const sim::Thruster *t) {
    for (size_t i = 0; i < v.thrusters.size(); ++i)
        if (&v.thrusters[i] == t)
            return int(i);
    return -1;
}

}  // namespace

TEST_F(PodCaps, PhysicalParameters) {
    const sim::VesselRecord &pod = makePod();
    const sim::ClassCaps &c = pod.caps;
    EXPECT_EQ(pod.emptyMass, 100.0);
    EXPECT_EQ(c.size, 8.0);
    EXPECT_TRUE(near(c.touchdown[0], vec(0, 17, -1)));
    EXPECT_TRUE(near(c.touchdown[1], vec(10, 10, -1)));
    EXPECT_TRUE(near(c.touchdown[2], vec(-10, -10, -1)));
    EXPECT_TRUE(near(c.pmi, vec(2.28, 2.15, 4.09)));
    EXPECT_TRUE(near(c.crossSections, vec(5.3, 5.3, 42.15)));
    EXPECT_EQ(c.cwZPos, 0.7);
    EXPECT_EQ(c.cwZNeg, 0.7);
    EXPECT_EQ(c.cwX, 0.9);
    EXPECT_EQ(c.cwY, 0.9);
    EXPECT_TRUE(near(c.rotDrag, vec(0.7, 0.7, 0.3)));
    EXPECT_EQ(c.pitchMomentScale, -0.0001);
    EXPECT_EQ(c.bankMomentScale, -0.0001);
    EXPECT_TRUE(near(c.cameraOffset, vec(0, 0.49, -0.2)));
}

TEST_F(PodCaps, MeshesStartWithTheCrewHidden) {
    const sim::VesselRecord &pod = makePod();
    ASSERT_EQ(pod.meshes.size(), 3u);
    EXPECT_EQ(MeshName(pod.meshes[0].mesh), "vemopod");
    EXPECT_EQ(MeshName(pod.meshes[1].mesh), "vemo/vemo");
    EXPECT_EQ(MeshName(pod.meshes[2].mesh), "vemo/vemovc");
    for (const sim::MeshSlot &m : pod.meshes)
        EXPECT_FALSE(m.hasOffset);
    EXPECT_EQ(pod.meshes[0].visibility, 3);
    EXPECT_EQ(pod.meshes[1].visibility, 0);
    EXPECT_EQ(pod.meshes[2].visibility, 0);
}

TEST_F(PodCaps, AnimationsAndTheirTransforms) {
    const sim::VesselRecord &pod = makePod();
    ASSERT_EQ(pod.animations.size(), 2u);
    const sim::Animation &deploy = pod.animations[0];
    const sim::Animation &cockpit = pod.animations[1];
    EXPECT_EQ(deploy.initialState, 1.0);
    EXPECT_EQ(deploy.state, 0.0);  // stowed
    EXPECT_EQ(cockpit.initialState, 1.0);
    EXPECT_EQ(cockpit.state, 0.0);

    ASSERT_EQ(deploy.components.size(), 2u);
    const sim::AnimationComponent &rotC = *deploy.components[0];
    EXPECT_EQ(rotC.state0, 0.05);
    EXPECT_EQ(rotC.state1, 0.9);
    EXPECT_EQ(rotC.parent, nullptr);
    ASSERT_EQ(rotC.transform->Type(), MGROUP_TRANSFORM::ROTATE);
    auto *rot = static_cast<const MGROUP_ROTATE *>(rotC.transform);
    EXPECT_EQ(rot->mesh, 0u);
    EXPECT_EQ(Groups(rot), (std::vector<UINT>{0, 1}));
    EXPECT_TRUE(near(rot->ref, vec(0, 0, -0.45)));
    EXPECT_TRUE(near(rot->axis, vec(1, 0, 0)));
    EXPECT_EQ(rot->angle, float(68 * kDeg));

    const sim::AnimationComponent &scaleC = *deploy.components[1];
    EXPECT_EQ(scaleC.state0, 0.7);
    EXPECT_EQ(scaleC.state1, 0.75);
    EXPECT_EQ(scaleC.parent, nullptr);
    ASSERT_EQ(scaleC.transform->Type(), MGROUP_TRANSFORM::SCALE);
    auto *scale = static_cast<const MGROUP_SCALE *>(scaleC.transform);
    EXPECT_EQ(scale->mesh, 0u);
    EXPECT_EQ(Groups(scale), (std::vector<UINT>{2, 3}));
    EXPECT_TRUE(near(scale->ref, vec(0, 0, 0)));
    EXPECT_TRUE(near(scale->scale, vec(1000, 1000, 10)));

    ASSERT_EQ(cockpit.components.size(), 1u);
    const sim::AnimationComponent &cockC = *cockpit.components[0];
    EXPECT_EQ(cockC.state0, 0.0);
    EXPECT_EQ(cockC.state1, 1.0);
    EXPECT_EQ(cockC.parent, nullptr);
    ASSERT_EQ(cockC.transform->Type(), MGROUP_TRANSFORM::ROTATE);
    auto *cock = static_cast<const MGROUP_ROTATE *>(cockC.transform);
    EXPECT_EQ(cock->mesh, 2u);
    EXPECT_EQ(Groups(cock), (std::vector<UINT>{11}));
    EXPECT_TRUE(near(cock->ref, vec(0, 0.5, 0.05)));
    EXPECT_TRUE(near(cock->axis, vec(1, 0, 0)));
    EXPECT_EQ(cock->angle, float(180 * kDeg));
}

TEST_F(PodCaps, LaterCapsulesPassTheSameTransformObjects) {
    const sim::VesselRecord &first = makePod("Pod1");
    std::vector<const MGROUP_TRANSFORM *> shared;
    for (const sim::Animation &a : first.animations)
        for (const sim::AnimationComponent *c : a.components)
            shared.push_back(c->transform);
    ASSERT_EQ(shared.size(), 3u);
    const MGROUP_ROTATE before = *static_cast<const MGROUP_ROTATE *>(shared[0]);

    for (const char *name : {"Pod2", "Pod3"}) {
        const sim::VesselRecord &later = makePod(name);
        std::vector<const MGROUP_TRANSFORM *> mine;
        for (const sim::Animation &a : later.animations)
            for (const sim::AnimationComponent *c : a.components)
                mine.push_back(c->transform);
        EXPECT_EQ(mine, shared) << name;
    }
    // Built once: the object the host holds is unchanged by later set-ups.
    const auto *after = static_cast<const MGROUP_ROTATE *>(shared[0]);
    EXPECT_EQ(after->angle, before.angle);
    EXPECT_EQ(after->grp, before.grp);
}

TEST_F(PodCaps, ReentryStreamAndTexture) {
    const sim::VesselRecord &pod = makePod();
    ASSERT_EQ(pod.streams.size(), 1u);
    const sim::ParticleStream &s = pod.streams[0];
    EXPECT_TRUE(s.reentry);
    ASSERT_TRUE(s.hasSpec);
    const PARTICLESTREAMSPEC &p = s.spec;
    EXPECT_EQ(p.flags, 0u);
    EXPECT_EQ(p.srcsize, 20.0);
    EXPECT_EQ(p.srcrate, 20.0);
    EXPECT_EQ(p.v0, 0.0);
    EXPECT_EQ(p.srcspread, 0.03);
    EXPECT_EQ(p.lifetime, 0.5);
    EXPECT_EQ(p.growthrate, 100.0);
    EXPECT_EQ(p.atmslowdown, 3.0);
    EXPECT_EQ(p.ltype, PARTICLESTREAMSPEC::DIFFUSE);
    EXPECT_EQ(p.levelmap, PARTICLESTREAMSPEC::LVL_FLAT);
    EXPECT_EQ(p.lmin, 1.0);
    EXPECT_EQ(p.lmax, 1.0);
    EXPECT_EQ(p.atmsmap, PARTICLESTREAMSPEC::ATM_PLIN);
    EXPECT_EQ(p.amin, 6e7);
    EXPECT_EQ(p.amax, 1.2e8);
    EXPECT_EQ(p.tex, nullptr);
    EXPECT_EQ(TextureName(pod.caps.reentryTexture), "reentry");
    EXPECT_EQ(pod.caps.reentryPLimit, 600000.0);
    EXPECT_EQ(pod.caps.reentryLScale, 1.0);
    EXPECT_EQ(pod.caps.reentryWScale, 1.0);
}

TEST_F(PodCaps, TanksAndAttitudeThrustersInTheirGroups) {
    const sim::VesselRecord &pod = makePod();
    ASSERT_EQ(pod.tanks.size(), 2u);
    const sim::Tank &rcs = pod.tanks[0];
    const sim::Tank &engine = pod.tanks[1];
    EXPECT_EQ(rcs.maxMass, 2.0);
    EXPECT_EQ(rcs.mass, 2.0);
    EXPECT_EQ(rcs.efficiency, 1.0);
    EXPECT_EQ(engine.maxMass, 6.0);
    EXPECT_EQ(engine.mass, 6.0);
    EXPECT_EQ(engine.efficiency, 1.0);
    EXPECT_EQ(pod.defaultTank, &engine);

    struct Expected {
        VECTOR3 pos, dir;
    };
    const Expected thrusters[22] = {
        {vec(0, 0, 15.5), vec(0, 1, 0)},  {vec(0, 0, -15.5), vec(0, -1, 0)},
        {vec(0, 0, 15.5), vec(0, -1, 0)}, {vec(0, 0, -15.5), vec(0, 1, 0)},
        {vec(0, 0, 15.5), vec(0, 1, 0)},  {vec(0, 0, -15.5), vec(0, -1, 0)},
        {vec(0, 0, 15.5), vec(0, -1, 0)}, {vec(0, 0, -15.5), vec(0, 1, 0)},
        {vec(0, 0, 15.5), vec(-1, 0, 0)}, {vec(0, 0, -15.5), vec(1, 0, 0)},
        {vec(0, 0, 15.5), vec(1, 0, 0)},  {vec(0, 0, -15.5), vec(-1, 0, 0)},
        {vec(0, 0, 15.5), vec(-1, 0, 0)}, {vec(0, 0, -15.5), vec(1, 0, 0)},
        {vec(0, 0, 15.5), vec(1, 0, 0)},  {vec(0, 0, -15.5), vec(-1, 0, 0)},
        {vec(2.7, 0, 0), vec(0, 1, 0)},   {vec(-2.7, 0, 0), vec(0, -1, 0)},
        {vec(-2.7, 0, 0), vec(0, 1, 0)},  {vec(2.7, 0, 0), vec(0, -1, 0)},
        {vec(0, 0, -16), vec(0, 0, 1)},   {vec(0, 0, 16), vec(0, 0, -1)},
    };
    ASSERT_EQ(pod.thrusters.size(), 22u);  // no engine before deployment
    for (int i = 0; i < 22; ++i) {
        const sim::Thruster &t = pod.thrusters[i];
        EXPECT_TRUE(near(t.pos, thrusters[i].pos)) << "thruster " << i + 1;
        EXPECT_TRUE(near(t.dir, thrusters[i].dir)) << "thruster " << i + 1;
        EXPECT_EQ(t.maxThrust, 5.0);
        EXPECT_EQ(t.tank, &rcs) << "attitude thrusters draw on the 2 kg tank only";
        EXPECT_EQ(t.isp, 40000.0);
        EXPECT_EQ(t.ispRef, 400000.0);
        EXPECT_EQ(t.pRef, 101400.0);
    }

    struct Group {
        THGROUP_TYPE type;
        std::vector<int> members;  // 1-based thruster numbers, in group order
    };
    const std::vector<Group> groups = {
        {THGROUP_ATT_PITCHUP, {1, 2}},    {THGROUP_ATT_PITCHDOWN, {3, 4}},
        {THGROUP_ATT_UP, {5, 8}},         {THGROUP_ATT_DOWN, {7, 6}},
        {THGROUP_ATT_YAWLEFT, {9, 10}},   {THGROUP_ATT_YAWRIGHT, {11, 12}},
        {THGROUP_ATT_LEFT, {13, 16}},     {THGROUP_ATT_RIGHT, {15, 14}},
        {THGROUP_ATT_BANKLEFT, {17, 18}}, {THGROUP_ATT_BANKRIGHT, {19, 20}},
        {THGROUP_ATT_FORWARD, {21}},      {THGROUP_ATT_BACK, {22}},
    };
    ASSERT_EQ(pod.groups.size(), groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(pod.groups[g].type, groups[g].type) << "group " << g;
        std::vector<int> members;
        for (const sim::Thruster *t : pod.groups[g].thrusters)
            members.push_back(ThrusterIndex(pod, t) + 1);
        EXPECT_EQ(members, groups[g].members) << "group " << g;
    }
    EXPECT_EQ(retroGroup(pod), nullptr);
}

TEST_F(PodCaps, SetUpCallsComeInTheirOrder) {
    world->setTraceNew(true);
    const sim::VesselRecord &pod = makePod();
    std::vector<std::string> expected = {
        "SetEmptyMass", "SetSize", "SetTouchdownPoints", "SetPMI", "SetCrossSections", "SetCW",
        "SetPitchMomentScale", "SetBankMomentScale", "SetCameraOffset",
        // meshes and exhaust texture
        "oapiLoadMeshGlobal", "oapiLoadMeshGlobal", "oapiLoadMeshGlobal",
        "oapiRegisterExhaustTexture", "InsertMesh", "SetMeshVisibilityMode", "AddMesh", "AddMesh",
        "SetMeshVisibilityMode", "SetMeshVisibilityMode",
        // animations
        "CreateAnimation", "AddAnimationComponent", "AddAnimationComponent", "SetAnimation",
        "CreateAnimation", "AddAnimationComponent", "SetAnimation",
        // reentry
        "SetRotDrag", "AddReentryStream", "oapiRegisterReentryTexture", "SetReentryTexture",
        // propellant
        "CreatePropellantResource", "CreatePropellantResource", "SetDefaultPropellantResource"};
    for (int block = 0; block < 5; ++block) {
        for (int i = 0; i < 4; ++i)
            expected.push_back("CreateThruster");
        expected.push_back("CreateThrusterGroup");
        expected.push_back("CreateThrusterGroup");
    }
    for (const char *c : {"CreateThruster", "CreateThruster", "CreateThrusterGroup",
                          "CreateThrusterGroup", "GetHandle"})
        expected.push_back(c);
    ASSERT_GE(pod.trace.size(), expected.size());
    std::vector<std::string> head(pod.trace.begin(), pod.trace.begin() + expected.size());
    EXPECT_EQ(head, expected);
}
