// EVA and transfer: a member leaving a vessel on free EVA or over to a docked vessel.
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "eva_world.h"

using namespace evatest;
using sim::vec;
using sim::operator*;
using sim::operator+;

namespace {

constexpr double kPi = 3.14159265358979323846;

::testing::AssertionResult Near(const VECTOR3 &a, const VECTOR3 &b, double tol = 1e-6) {
    if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

void PutLe32(std::vector<unsigned char> &out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

}  // namespace

TEST_F(EvaWorldTest, RefusalsLeaveRosterAndWorldAlone) {
    CrewManager unready;
    std::memset(&unready, 0, sizeof unready);
    EXPECT_EQ(unready.EvaCrewMember("Jo"), CREW_CANNOT_LEAVE);
    EXPECT_EQ(unready.GetLastEvaVessel(), nullptr);

    OBJHANDLE alpha = MakeHab("Alpha");
    CrewManager &crew = Crew(alpha);
    EXPECT_EQ(crew.EvaCrewMember(nullptr),
              CREW_NO_SUCH_MEMBER);  // the name is tested before the roster
    EXPECT_EQ(crew.EvaCrewMember("Jo"), CREW_NOBODY_ABOARD);

    ASSERT_EQ(crew.AddCrewMember("Jo", 35, 72, 80, "A01"), 1);
    StartCounting();
    EXPECT_EQ(crew.EvaCrewMember(std::string(40, 'J').c_str()), CREW_NO_SUCH_MEMBER);
    EXPECT_EQ(crew.EvaCrewMember("Joe"), CREW_NO_SUCH_MEMBER);

    ASSERT_EQ(crew.DefineAirlockShape(0, -2, 2, -2, 2, -2, 2), 1);
    EXPECT_EQ(crew.EvaCrewMember("Jo"), CREW_DOOR_CLOSED);

    EXPECT_EQ(Roster(crew), "A01-Jo-35-72-80;");
    EXPECT_EQ(world().vessels().size(), 1u);
    EXPECT_FALSE(Exists(kEvaFile));
}

TEST_F(EvaWorldTest, FreeEvaNamesTheVesselAfterTheMember) {
    OBJHANDLE alpha = MakeHab("Alpha");
    CrewManager &crew = Crew(alpha);
    ASSERT_EQ(crew.AddCrewMember("Pilot One", 35, 72, 80, "X1"), 1);
    ASSERT_EQ(crew.AddCrewMember("Pilot Two", 40, 60, 90, nullptr), 1);
    StartCounting();
    const double massAboard = oapiGetEmptyMass(alpha);
    Make("", "Plain", vec(0, 0, -30));            // any name is a vessel's, the empty one too
    EXPECT_EQ(crew.GetLastEvaVessel(), nullptr);  // nobody has left yet

    EXPECT_EQ(crew.EvaCrewMember("PILOT one"), CREW_EVA);  // letter case does not matter
    OBJHANDLE one = world().find("Vemo_X1-Pilot_One");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(world().record(one)->className, "Vemo");
    EXPECT_EQ(crew.GetLastEvaVessel(), one);
    EXPECT_EQ(Roster(crew), "-Pilot Two-40-60-90;");
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(alpha), massAboard - 80.0);
    EXPECT_EQ(Slot(alpha).freeSeats, kHabSeats - 1);

    // Without a mission id the vessel bears the name alone.
    EXPECT_EQ(crew.EvaCrewMember("Pilot Two"), CREW_EVA);
    EXPECT_NE(world().find("Vemo_Pilot_Two"), nullptr);
    EXPECT_EQ(crew.GetCrewCount(), 0);
}

TEST_F(EvaWorldTest, EvaRecordFileIsTheLittleEndianRecord) {
    OBJHANDLE alpha = MakeHab("Alpha");
    CrewManager &crew = Crew(alpha);
    // An earlier, longer record must leave nothing behind in the text fields.
    ASSERT_EQ(crew.AddCrewMember("Abcdefghijklmnopqrstuvwxy", 50, 70, 95, "LONG"), 1);
    ASSERT_EQ(crew.EvaCrewMember("Abcdefghijklmnopqrstuvwxy"), CREW_EVA);
    ASSERT_EQ(crew.AddCrewMember("Pilot One", 35, 72, 80, "X1"), 1);
    StartCounting();
    ASSERT_EQ(crew.EvaCrewMember("Pilot One"), CREW_EVA);

    std::vector<unsigned char> expected(104, 0);
    const char name[] = "Vemo_X1-Pilot One";
    const char mesh[] = "Vemo\\VEMo";
    std::memcpy(expected.data(), name, sizeof name - 1);
    std::memcpy(expected.data() + 40, mesh, sizeof mesh - 1);
    PutLe32(expected, 80, 35);
    PutLe32(expected, 84, 72);
    PutLe32(expected, 88, 100);
    PutLe32(expected, 92, 80);
    EXPECT_EQ(ReadBytes(kEvaFile), expected);
    EXPECT_FALSE(Exists(kTransferFile));
}

TEST_F(EvaWorldTest, RotatedMovingVesselSendsMemberOutAlongItsOwnZ) {
    OBJHANDLE alpha = MakeHab("Alpha", vec(222e3, -12.5, 40.0));
    // A turned vessel: its local x, y and z axes are the matrix columns.
    const double c = std::cos(0.4), s = std::sin(0.4);
    const MATRIX3 r = sim::mat(0, s, c, 0, c, -s, -1, 0, 0);
    world().setRotation(alpha, r);
    world().setVelocity(alpha, vec(10.0, -20.0, 7500.0));
    world().setAngularVelocity(alpha, vec(0.1, -0.2, 3.0));
    CrewManager &crew = Crew(alpha);
    // Turned a quarter about its own x axis as it leaves.
    ASSERT_EQ(crew.SetEvaPositionRotation(vec(0, 0, 3), vec(kPi / 2, 0, 0)), 1);
    ASSERT_EQ(crew.AddCrewMember("Pilot One", 35, 72, 80, "X1"), 1);
    StartCounting();

    ASSERT_EQ(crew.EvaCrewMember("Pilot One"), CREW_EVA);
    const sim::VesselRecord *a = world().record(alpha);
    const sim::VesselRecord *m = world().record(world().find("Vemo_X1-Pilot_One"));
    ASSERT_NE(m, nullptr);
    const VECTOR3 alongZ = vec(r.m13, r.m23, r.m33);  // alpha's +z in the global frame
    EXPECT_TRUE(Near(world().globalPos(*m), world().globalPos(*a) + alongZ * 3.0, 1e-3));
    // The push: (|-0.2| + |0.1|) * 5 = 1.5 m/s along +z; the z rate does not count.
    EXPECT_TRUE(Near(m->rvel, a->rvel + alongZ * 1.5, 1e-9));
    // Its y axis now lies along alpha's -z and its z axis along alpha's +y.
    EXPECT_TRUE(Near(sim::mul(m->rot, vec(0, 1, 0)), alongZ * -1.0, 1e-9));
    EXPECT_TRUE(Near(sim::mul(m->rot, vec(0, 0, 1)), vec(r.m12, r.m22, r.m32), 1e-9));
    EXPECT_TRUE(Near(sim::mul(m->rot, vec(1, 0, 0)), vec(r.m11, r.m21, r.m31), 1e-9));
    // In free flight the member takes the vessel's spin along.
    EXPECT_TRUE(Near(m->avel, a->avel, 0));
}

// A landed vessel's status speaks of the surface: altitude where free flight has the spin,
// angles against the local horizon. The member who leaves it stands landed below the exit
// point, facing as the vessel does (made in free flight below the mean radius, the simulator
// would put him far off); a transfer vessel handed to a landed vessel flies free in its
// airlock, at rest on the ground's terms and turned as the vessel stands.
TEST_F(EvaWorldTest, MemberLeavingALandedVesselStartsAtRestAsItStands) {
    VESSELSTATUS where = sim::makeStatus();
    where.status = 1;
    where.vdata[0] = vec(0.3, -0.5, 2.0);  // longitude, latitude, heading, radians
    std::string error;
    OBJHANDLE alpha = world().createVessel("Alpha", "Hab", where, &error);
    ASSERT_NE(alpha, nullptr) << error;
    where.vdata[0].y += 8.0 / 6.37101e6;  // 8 m north
    OBJHANDLE beta = world().createVessel("Beta", "Hab", where, &error);
    ASSERT_NE(beta, nullptr) << error;
    const sim::VesselRecord *a = world().record(alpha);
    ASSERT_EQ(a->status, sim::kLanded);
    ASSERT_NEAR(sim::length(a->rpos) - 6.37101e6, kHabStandHeight, 1e-6);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Pilot One", 35, 72, 80, "X1"), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Pilot Two", 40, 60, 90, "X1"), 1);
    StartCounting();

    ASSERT_EQ(Crew(alpha).EvaCrewMember("Pilot One"), CREW_EVA);
    const sim::VesselRecord *m = world().record(world().find("Vemo_X1-Pilot_One"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->status, sim::kLanded);
    EXPECT_TRUE(Near(m->avel, vec(0, 0, 0), 0)) << "not spinning";
    EXPECT_TRUE(Near(m->rvel, sim::surfaceVelocity(world().body(), vec(0, 0, 0), m->rpos), 1e-9))
        << "at rest with the ground, which turns";
    EXPECT_NEAR(m->spot.heading, a->spot.heading, 1e-9) << "facing as Alpha stands";
    VECTOR3 exit;
    oapiGetVesselInterface(alpha)->Local2Rel(vec(0, 0, 3), exit);
    const VECTOR3 up = sim::unit(exit);
    const VECTOR3 off = sim::operator-(m->rpos, exit);
    EXPECT_LT(sim::length(sim::operator-(off, sim::operator*(up, sim::dot(off, up)))), 1e-3)
        << "below the exit point";

    // Handed over to a landed vessel: the carrier too starts still and turned as Beta.
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0, false));
    ASSERT_EQ(Crew(alpha).EvaCrewMember("Pilot Two"), CREW_TRANSFER);
    const sim::VesselRecord *c = world().record(world().find("VemoTBeta"));
    ASSERT_NE(c, nullptr);
    const sim::VesselRecord *b = world().record(beta);
    EXPECT_TRUE(Near(c->avel, vec(0, 0, 0), 0));
    EXPECT_TRUE(Near(c->rvel, b->rvel, 1e-3)) << "moving with the ground under Beta";
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(c->rot.data[i], b->rot.data[i], 1e-12) << "turned as Beta stands";
    }
    EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(beta)), "X1-Pilot Two-40-60-90;");
}

TEST_F(EvaWorldTest, TransferPlacesCarrierInTheMiddleOfTheDockedAirlock) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_EQ(Crew(beta).DefineAirlockShape(1, -1, 3, 0, 2, -4, -2), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Pilot One", 35, 72, 80, "X1"), 1);
    StartCounting();
    const OBJHANDLE focus = world().focus();

    EXPECT_EQ(Crew(alpha).EvaCrewMember("Pilot One"), CREW_TRANSFER);
    EXPECT_EQ(Crew(alpha).GetCrewCount(), 0);
    OBJHANDLE carrier = world().find("VemoTBeta");
    ASSERT_NE(carrier, nullptr);
    EXPECT_EQ(world().find("Vemo_X1-Pilot_One"), nullptr);
    VECTOR3 middle;
    oapiGetVesselInterface(beta)->Local2Rel(vec(1, 1, -3), middle);
    EXPECT_TRUE(Near(world().record(carrier)->rpos, middle, 1e-6));
    VECTOR3 values;
    ASSERT_TRUE(MemberValues(carrier, values));
    EXPECT_TRUE(Near(values, vec(35, 72, 80), 0));
    const std::vector<unsigned char> record = ReadBytes(kTransferFile);
    ASSERT_EQ(record.size(), 104u);
    EXPECT_STREQ(reinterpret_cast<const char *>(record.data()), "Vemo_X1-Pilot One");
    EXPECT_EQ(record[80], 35);
    EXPECT_EQ(record[84], 72);
    EXPECT_EQ(record[92], 80);
    // After the walk through the hand-over the member is aboard Beta, the file is gone and
    // the focus has not moved.
    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);
    EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(beta)), "X1-Pilot One-35-72-80;");
    EXPECT_EQ(world().find("VemoTBeta"), nullptr);
    EXPECT_FALSE(Exists(kTransferFile));
    EXPECT_EQ(world().focus(), focus);
}

TEST_F(EvaWorldTest, DockedVesselRefusalsComeBeforeTheRosterLookup) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Jo", 35, 72, 80, ""), 1);
    ASSERT_EQ(Crew(beta).AddCrewMember("Al", 35, 72, 80, ""), 1);
    StartCounting();

    // No free seat: -3, even for a name on no roster.
    ASSERT_EQ(Crew(beta).SetMaxSeatCount(1), 1);
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Jo"), CREW_DOCKED_FULL);
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Nobody"), CREW_DOCKED_FULL);

    // Seats free, door closed: -2.
    ASSERT_EQ(Crew(beta).SetMaxSeatCount(4), 1);
    ASSERT_EQ(Crew(beta).DefineAirlockShape(0, -2, 2, -2, 2, -2, 2), 1);
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Jo"), CREW_DOCKED_DOOR_CLOSED);

    // Docked to a vessel without a crew airlock: -5.
    ASSERT_TRUE(world().undock(alpha, 0));
    OBJHANDLE plain = Make("Cargo", "Plain", vec(0, 0, -30));
    ASSERT_TRUE(world().dock(alpha, 0, plain, 0));
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Jo"), CREW_DOCKED_NO_AIRLOCK);

    EXPECT_EQ(Roster(Crew(alpha)), "-Jo-35-72-80;");
    EXPECT_FALSE(Exists(kTransferFile));
    EXPECT_FALSE(Exists(kEvaFile));
}

TEST_F(EvaWorldTest, DockedFreeSeatsReadTheFirstExactAirlockPoint) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE cargo = Make("Cargo", "Plain", vec(0, 0, -30));
    const AirlockSlot &slot = Slot(alpha);
    EXPECT_EQ(slot.GetDockedFreeSeats(), -1);  // nothing docked
    ASSERT_TRUE(world().dock(alpha, 0, cargo, 0));
    EXPECT_EQ(slot.GetDockedFreeSeats(), -1);  // no airlock point

    AddPoint(cargo, false, "Vemox", vec(0, 0, 0), vec(1, 0, 7));
    AddPoint(cargo, false, "vemo", vec(0, 0, 0), vec(1, 0, 6));
    ATTACHMENTHANDLE exact = AddPoint(cargo, false, "Vemo", vec(0, 0, 0), vec(1, 0, 2.9));
    AddPoint(cargo, false, "Vemo", vec(0, 0, 0), vec(1, 0, 5));
    EXPECT_EQ(slot.GetDockedFreeSeats(), 2);
    VESSEL *c = oapiGetVesselInterface(cargo);
    c->SetAttachmentParams(exact, vec(0, 0, 0), vec(0, 0, 0), vec(1, 0, -0.5));
    EXPECT_EQ(slot.GetDockedFreeSeats(), 0);
    c->SetAttachmentParams(exact, vec(0, 0, 0), vec(0, 0, 0), vec(1, 0, std::nan("")));
    EXPECT_EQ(slot.GetDockedFreeSeats(), 0);
    c->SetAttachmentParams(exact, vec(0, 0, 0), vec(0, 0, 0), vec(1, 0, 1e300));
    EXPECT_EQ(slot.GetDockedFreeSeats(), 2147483647);

    // A slot whose own airlock is not defined reads nothing.
    AirlockSlot fresh = {};
    ASSERT_EQ(fresh.InitAirlockSlot(alpha), 1);
    EXPECT_EQ(fresh.GetDockedFreeSeats(), -1);
}

TEST_F(EvaWorldTest, OutOfWindowValuesTravelAsFallbacks) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    CrewManager &crew = Crew(alpha);
    ASSERT_EQ(crew.AddCrewMember("Old", 130, 150, 80, ""), 1);
    StartCounting();
    ASSERT_EQ(crew.EvaCrewMember("Old"), CREW_TRANSFER);
    const std::vector<unsigned char> record = ReadBytes(kTransferFile);
    ASSERT_EQ(record.size(), 104u);
    EXPECT_EQ(record[80], 41);
    EXPECT_EQ(record[84], 60);
    EXPECT_EQ(record[88], 100);
    VECTOR3 values;
    ASSERT_TRUE(MemberValues(world().find("VemoTBeta"), values));
    EXPECT_TRUE(Near(values, vec(41, 60, 80), 0));
}

TEST(EvaMath, MatrixProductAndZeroTurn) {
    const MATRIX3 a = sim::mat(1, 2, 3, 4, 5, 6, 7, 8, 10);
    const MATRIX3 b = sim::mat(2, 0, 1, 1, 3, 0, 0, 1, 4);
    MATRIX3 p;
    EXPECT_EQ(&MultiplyMatrix3(p, a, b), &p);
    const double expected[9] = {4, 9, 13, 13, 21, 28, 22, 34, 47};
    for (int i = 0; i < 9; ++i) {
        EXPECT_DOUBLE_EQ(p.data[i], expected[i]) << i;
    }
}

TEST_F(EvaWorldTest, ZeroTurnLeavesTheOrientation) {
    OBJHANDLE h = Make("Probe", "Plain");
    const MATRIX3 r = sim::mat(0, 0, 1, 0, 1, 0, -1, 0, 0);
    world().setRotation(h, r);
    OrientCrewVessel(vec(0, 0, 0), h);
    for (int i = 0; i < 9; ++i) {
        EXPECT_DOUBLE_EQ(world().record(h)->rot.data[i], r.data[i]) << i;
    }
    OrientCrewVessel(vec(0, 0, 1), nullptr);  // no vessel: nothing happens
}

// A host that makes no crew-member vessel must not cost the member: here the crew-member
// class names a module that is not there. (A name in use is no reason: names need not be
// unique.)
TEST_F(EvaWorldTest, MemberStaysAboardWhenTheHostMakesNoVessel) {
    MakeWorld(0.1, false);
    std::ofstream("config/vessels/Vemo.cfg") << "ClassName = Vemo\nModule = Missing\n";
    OBJHANDLE alpha = MakeHab("Alpha");
    ASSERT_EQ(Crew(alpha).AddCrewMember("Pilot One", 35, 72, 80, ""), 1);
    StartCounting();
    const double mass = oapiGetEmptyMass(alpha);
    // The simulator makes a plain vessel of a class whose module is missing: nobody could
    // ever bring that member back, so he stays aboard and the vessel goes again.
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Pilot One"), CREW_NO_CREW_MODULE);
    world().step();
    EXPECT_EQ(world().find("Vemo_Pilot_One"), nullptr);
    EXPECT_EQ(Roster(Crew(alpha)), "-Pilot One-35-72-80;");
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(alpha), mass);
}

// A transfer vessel must be addressable: "VemoT" and a name of 34 characters do not fit the
// 38 characters of an object name, and a cut name would reach no vessel.
TEST_F(EvaWorldTest, TransferRefusedWhenTheReceiverNameDoesNotFit) {
    const std::string fits(33, 'B');
    const std::string tooLong(34, 'C');
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE longer = MakeHab(tooLong, vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, longer, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Jo", 35, 72, 80, ""), 1);
    StartCounting();

    EXPECT_EQ(Crew(alpha).EvaCrewMember("Jo"), CREW_RECEIVER_NAME_LONG);
    EXPECT_EQ(Crew(alpha).GetCrewCount(), 1);
    EXPECT_FALSE(Exists(kTransferFile));
    EXPECT_EQ(world().vessels().size(), 2u);

    // 33 characters still fit, and the receiver recognises the carrier as its own.
    ASSERT_TRUE(world().undock(alpha, 0));
    OBJHANDLE exact = MakeHab(fits, vec(0, 0, -40));
    ASSERT_TRUE(world().dock(alpha, 0, exact, 0));
    EXPECT_EQ(Crew(alpha).EvaCrewMember("Jo"), CREW_TRANSFER);
    EXPECT_NE(world().find("VemoT" + fits), nullptr);
    EXPECT_EQ(ScanNow(exact), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(exact)), "-Jo-35-72-80;");
}

// One hand-over file serves every transfer; a second transfer while the first carrier waits
// would give the first receiver the second member's record.
TEST_F(EvaWorldTest, SecondTransferWaitsUntilTheFirstIsTaken) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    OBJHANDLE gamma = MakeHab("Gamma", vec(100, 0, 0));
    OBJHANDLE delta = MakeHab("Delta", vec(100, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_TRUE(world().dock(gamma, 0, delta, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Ann", 30, 60, 70, "A"), 1);
    ASSERT_EQ(Crew(gamma).AddCrewMember("Gus", 50, 80, 90, "G"), 1);
    StartCounting();

    ASSERT_EQ(Crew(alpha).EvaCrewMember("Ann"), CREW_TRANSFER);
    EXPECT_EQ(Crew(gamma).EvaCrewMember("Gus"), CREW_TRANSFER_PENDING);
    EXPECT_EQ(Crew(gamma).GetCrewCount(), 1);
    EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(beta)), "A-Ann-30-60-70;");
    EXPECT_EQ(Crew(gamma).EvaCrewMember("Gus"), CREW_TRANSFER);
    EXPECT_EQ(ScanNow(delta), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(delta)), "G-Gus-50-80-90;");
}
