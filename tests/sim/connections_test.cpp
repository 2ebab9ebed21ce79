// Docking ports, attachment points and meshes.
#include "script_vessel.h"

using testsupport::events;
using testsupport::near;
using testsupport::rec;
using Strings = std::vector<std::string>;

namespace {
void onePort(ScriptVessel &v) {
    v.CreateDock(sim::vec(0, 0, 2), sim::vec(0, 0, 1), sim::vec(0, 1, 0));
}
}  // namespace

TEST_F(HostTest, DockingAlignsTheVesselsAndReportsMates) {
    ScriptVessel::hooks.setClassCaps = onePort;
    OBJHANDLE a = make("A", sim::vec(10, 0, 0));
    OBJHANDLE b = make("B", sim::vec(500, 500, 500));
    world->setVelocity(a, sim::vec(3, 0, 0));
    VESSEL *va = oapiGetVesselInterface(a);
    VESSEL *vb = oapiGetVesselInterface(b);
    ASSERT_EQ(va->DockCount(), 1u);
    EXPECT_EQ(va->GetDockHandle(1), nullptr);
    EXPECT_EQ(va->GetDockStatus(va->GetDockHandle(0)), nullptr) << "a free port";

    ScriptVessel::journal.clear();
    ASSERT_TRUE(world->dock(a, 0, b, 0));
    EXPECT_EQ(ScriptVessel::journal, (Strings{"dock0+ A", "dock0+ B"}));
    EXPECT_EQ(va->GetDockStatus(va->GetDockHandle(0)), b);
    EXPECT_EQ(vb->GetDockStatus(vb->GetDockHandle(0)), a);
    EXPECT_EQ(va->GetDockStatus(vb->GetDockHandle(0)), nullptr) << "another vessel's port";
    // Port on port, facing each other, moving together.
    VECTOR3 pa, pb;
    va->Local2Rel(sim::vec(0, 0, 2), pa);
    vb->Local2Rel(sim::vec(0, 0, 2), pb);
    EXPECT_TRUE(near(pa, pb, 1e-12));
    VECTOR3 da, db;
    va->GlobalRot(sim::vec(0, 0, 1), da);
    vb->GlobalRot(sim::vec(0, 0, 1), db);
    EXPECT_TRUE(near(da, sim::vec(0, 0, 1), 1e-12));
    EXPECT_TRUE(near(db, sim::vec(0, 0, -1), 1e-12));
    EXPECT_TRUE(near(rec(*world, b).rvel, sim::vec(3, 0, 0), 0));
    VESSELSTATUS s;
    vb->GetStatus(s);
    // The simulator reports a docked vessel in free flight, and `base` only for a surface base.
    EXPECT_EQ(s.base, nullptr);
    EXPECT_EQ(s.port, -1);
    EXPECT_EQ(s.status, 0);
    EXPECT_TRUE(near(s.vrot, rec(*world, b).avel, 0)) << "rates as in free flight";

    EXPECT_FALSE(world->dock(a, 0, b, 0)) << "ports already taken";
    OBJHANDLE c = make("C");
    EXPECT_FALSE(world->dock(c, 0, a, 0));
    EXPECT_FALSE(world->dock(c, 1, a, 0)) << "no such port";

    // Destroying a vessel frees its mate's port; a vessel only marked for deletion stays
    // docked until the end of the frame.
    ScriptVessel::journal.clear();
    oapiDeleteVessel(b);
    EXPECT_EQ(va->GetDockStatus(va->GetDockHandle(0)), b);
    world->step();
    EXPECT_EQ(va->GetDockStatus(va->GetDockHandle(0)), nullptr);
    EXPECT_EQ(entries("dock"), (Strings{"dock0- B", "dock0- A"}));
    EXPECT_EQ(entries("exit"), (Strings{"exit B"}));
    EXPECT_TRUE(world->dock(a, 0, c, 0));
    EXPECT_TRUE(world->undock(c, 0));
    EXPECT_FALSE(world->undock(c, 0));
    EXPECT_EQ(va->GetDockStatus(va->GetDockHandle(0)), nullptr);
    va->GetStatus(s);
    EXPECT_EQ(s.status, sim::kFreeFlight) << "undocked";
    EXPECT_EQ(events(*world, sim::ev::kDock).size(), 2u);
    EXPECT_EQ(events(*world, sim::ev::kUndock).size(), 2u);
}

TEST_F(HostTest, AttachmentPointsCarryTheirVectorsBetweenVessels) {
    ATTACHMENTHANDLE child = nullptr, parent1 = nullptr, parent2 = nullptr;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        child = v.CreateAttachment(false, sim::vec(-2, 2, -2), sim::vec(2, -2, 2),
                                   sim::vec(1, 1000, 8), "Vemo");
        parent1 =
            v.CreateAttachment(true, sim::vec(0, 0, 0), sim::vec(0, 0, 1), sim::vec(0, 1, 0), "P");
        parent2 = v.CreateAttachment(true, sim::vec(33, 72, 80.5), sim::vec(0, 0, 0),
                                     sim::vec(0, 0, 0), nullptr, true);
    };
    OBJHANDLE a = make("A");
    ATTACHMENTHANDLE ownChild = child;
    VESSEL *va = oapiGetVesselInterface(a);
    EXPECT_EQ(va->AttachmentCount(false), 1u);
    EXPECT_EQ(va->AttachmentCount(true), 2u);
    EXPECT_EQ(va->GetAttachmentHandle(false, 0), child);
    EXPECT_EQ(va->GetAttachmentHandle(true, 1), parent2);
    EXPECT_EQ(va->GetAttachmentHandle(true, 2), nullptr);
    EXPECT_STREQ(va->GetAttachmentId(child), "Vemo");
    EXPECT_STREQ(va->GetAttachmentId(parent2), "") << "no id given";

    // Another vessel reads the values back unchanged through A's interface.
    make("B");
    VESSEL *seenFromB = oapiGetVesselInterface(oapiGetVesselByIndex(0));
    VECTOR3 pos = sim::vec(9, 9, 9), dir = pos, rot = pos;
    seenFromB->GetAttachmentParams(seenFromB->GetAttachmentHandle(false, 0), pos, dir, rot);
    EXPECT_TRUE(near(pos, sim::vec(-2, 2, -2), 0));
    EXPECT_TRUE(near(dir, sim::vec(2, -2, 2), 0));
    EXPECT_TRUE(near(rot, sim::vec(1, 1000, 8), 0));

    va->SetAttachmentParams(ownChild, sim::vec(-2, 2, -2), sim::vec(2, -2, 2), sim::vec(1, 0, 7));
    va->SetAttachmentParams(ownChild, sim::vec(-2, 2, -2), sim::vec(2, -2, 2), sim::vec(1, 0, 7));
    EXPECT_TRUE(near(testsupport::attachment(*world, a, "Vemo").rot, sim::vec(1, 0, 7), 0));
    auto changes = events(*world, sim::ev::kAttachment, "A", "changed");
    ASSERT_EQ(changes.size(), 1u) << "an unchanged write is not logged";
    EXPECT_NE(changes[0].text.find("(1, 0, 7)"), std::string::npos) << changes[0].text;

    // B's handle means nothing on A, and unknown handles are ignored.
    EXPECT_EQ(va->GetAttachmentId(child), nullptr);
    int bogus = 0;
    pos = sim::vec(5, 5, 5);
    va->GetAttachmentParams(&bogus, pos, dir, rot);
    EXPECT_TRUE(near(pos, sim::vec(5, 5, 5), 0));
    va->SetAttachmentParams(child, sim::vec(0, 0, 0), sim::vec(0, 0, 0), sim::vec(0, 0, 0));
    EXPECT_TRUE(near(testsupport::attachment(*world, a, "Vemo").rot, sim::vec(1, 0, 7), 0));
}

TEST_F(HostTest, MeshesAndTexturesAreSharedByName) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        MESHHANDLE pod = oapiLoadMeshGlobal("pod");
        v.InsertMesh(pod, 0);
        VECTOR3 ofs = sim::vec(0, 1, 0);
        v.AddMesh(oapiLoadMeshGlobal("crew"), &ofs);
        v.SetMeshVisibilityMode(1, 0);
        v.SetMeshVisibilityMode(7, 3);  // no such mesh
        EXPECT_EQ(v.InsertMesh(pod, 3), 3u) << "inserting past the end pads the list";
    };
    OBJHANDLE a = make("A");
    make("B");
    EXPECT_EQ(oapiLoadMeshGlobal("pod"), rec(*world, a).meshes[0].mesh);
    EXPECT_NE(oapiLoadMeshGlobal("pod"), oapiLoadMeshGlobal("crew"));
    char tex[] = "reentry";
    EXPECT_EQ(oapiRegisterReentryTexture(tex), oapiRegisterExhaustTexture(tex));
    const sim::VesselRecord &r = rec(*world, a);
    ASSERT_EQ(r.meshes.size(), 4u);
    EXPECT_EQ(r.meshes[2].mesh, nullptr);
    EXPECT_TRUE(r.meshes[1].hasOffset);
    EXPECT_EQ(r.meshes[1].visibility, 0);
    EXPECT_EQ(r.meshes[0].visibility, 1) << "external views by default";
    oapiGetVesselInterface(a)->SetMeshVisibilityMode(1, 0);
    oapiGetVesselInterface(a)->SetMeshVisibilityMode(1, 2);
    auto mesh = events(*world, sim::ev::kMesh, "A");
    ASSERT_EQ(mesh.size(), 2u);
    EXPECT_EQ(mesh[0].text, "mesh 1 never shown");
    EXPECT_EQ(mesh[1].text, "mesh 1 shown in the cockpit view");
}
