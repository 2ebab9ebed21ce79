// The per-step path and the calls a vessel-list scan makes must not allocate: a module's
// per-step cost is measured in this loop, and the host must not add to it.
#include "allocation_counter.h"
#include "script_vessel.h"

TEST_F(HostTest, StepsAndScansDoNotAllocate) {
    UINT anim = 0;  // the same index on every vessel
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        v.SetEmptyMass(100);
        v.SetPMI(sim::vec(1, 1, 1));
        PROPELLANT_HANDLE tank = v.CreatePropellantResource(1e6);
        THRUSTER_HANDLE th[2] = {
            v.CreateThruster(sim::vec(0, 0, 1), sim::vec(0, 1, 0), 1, tank, 1e4),
            v.CreateThruster(sim::vec(0, 0, -1), sim::vec(0, 1, 0), 1, tank, 1e4)};
        v.CreateThrusterGroup(th, 2, THGROUP_ATT_UP);
        anim = v.CreateAnimation(0);
        v.CreateAttachment(false, sim::vec(0, 0, 0), sim::vec(0, 0, 1), sim::vec(0, 1, 0), "Vemo");
        v.CreateAttachment(true, sim::vec(0, 0, 0), sim::vec(0, 0, 1), sim::vec(0, 1, 0), "X");
        v.CreateAttachment(true, sim::vec(1, 2, 3), sim::vec(0, 0, 0), sim::vec(0, 0, 0), "V-em");
    };
    double sum = 0;
    // What a module does each step: its own animation and group, and a scan of the list.
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double, double) {
        THGROUP_HANDLE group = world->record(v.GetHandle())->groupByType[THGROUP_ATT_UP];
        v.SetAnimation(anim, 0.5);
        v.SetThrusterGroupLevel(group, 1.0);
        sum += v.GetThrusterGroupLevel(group) + oapiGetSimStep();
        VECTOR3 own, other, local;
        oapiGetGlobalPos(v.GetHandle(), &own);
        for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
            OBJHANDLE h = oapiGetVesselByIndex(static_cast<int>(i));
            VESSEL *o = oapiGetVesselInterface(h);
            if (!o || !o->GetClassName())
                continue;
            DWORD n = o->AttachmentCount(true);
            char name[110] = {0};
            oapiGetObjectName(h, name, 95);
            ATTACHMENTHANDLE a = o->GetAttachmentHandle(true, n - 1);
            VECTOR3 p, d, r;
            o->GetAttachmentParams(a, p, d, r);
            sum += o->GetAttachmentId(a)[0] + o->GetName()[0] + p.x;
            oapiGetGlobalPos(h, &other);
            v.Global2Local(other, local);
            sum += local.x;
        }
    };
    for (int i = 0; i < 20; ++i)
        make("V" + std::to_string(i), sim::vec(i, 0, 0));
    world->step(2);  // settles the logs of the first level and animation changes

    ScriptVessel::journal.clear();
    ScriptVessel::journal.reserve(50 * 20 * 2 + 10);  // the test's own journal must not grow
    for (int i = 0; i < 50; ++i) {
        const long before = alloccount::allocations();
        world->step(1);
        ASSERT_EQ(alloccount::allocations() - before, 0) << "step " << i << "\n"
                                                         << testsupport::dumpEvents(*world);
    }
    EXPECT_GT(sum, 0.0);
    EXPECT_GT(testsupport::rec(*world, world->find("V0")).rvel.y, 0.0) << "the thrusters work";
}
