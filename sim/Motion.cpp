// Motion: each step moves every vessel. Thrust comes from each thruster's level along its
// direction turned into the global frame, with propellant drawn at thrust / (isp *
// efficiency) from the thruster's tank (a thruster without a tank, or with an empty one,
// gives no thrust). The velocity change follows the rocket equation over the step, plus the
// reference body's gravity (a point mass); the position follows the mean velocity. The
// angular velocity follows the thrusters' torque F x r over the principal moments of
// inertia, and the rotation follows the angular velocity. A vessel's mass is its empty mass
// and all its propellant. Thrust falls with the air's pressure for a thruster given a
// reference isp. The air's and the ground's loads, and the coupling of the vessel's own
// turning, come from Loads.cpp.
//
// A landed vessel stays where it stands on its turning body while its weight holds it down
// (its propellant still burns); a free one that reaches the ground comes to rest on it
// (Surface.cpp).
//
// Here too are the pilot's and the outside world's actions on a vessel's motion: group
// levels, and setting a position, a velocity or a rotation.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "Text.h"
#include "Touchdown.h"
#include "World.h"

namespace sim {

namespace {

// Specific impulse used for a thruster created without one, m/s.
constexpr double kDefaultIsp = 5e4;

}  // namespace

void World::moveVessel(VesselRecord &v, double dt) {
    // Stiff touchdown points on the ground are followed in shorter steps (Touchdown.h).
    const int parts = v.touchdownPoints.empty()
                          ? 1
                          : contactSubsteps(v, bodyOf(v), groundRadius(v), v.mass(), dt);
    // The ground turns under the vessel meanwhile: each part ends at its own time.
    const double part = dt / parts;
    movingTo_ = simt_;
    for (int i = 0; i < parts; ++i) {
        movingTo_ += part;
        moveVesselBy(v, part);
    }
}

void World::moveVesselBy(VesselRecord &v, double dt) {
    // Each step the simulator sets every thruster without propellant to level 0.
    for (Thruster &th : v.thrusters)
        if (!th.fed())
            th.level = 0.0;
    const VECTOR3 fall = gravityAt(bodyOf(v), v.rpos) * dt;
    if (v.status == kLanded) {
        // The ground holds it against any torque, and against the push while its weight is
        // the greater; then it carries it on.
        const VECTOR3 vNew = v.thrusting() ? v.rvel + applyThrust(v, dt) + fall : v.rvel;
        if (dot(vNew - v.rvel, v.rpos) <= 0.0) {
            land(v, v.spot);
            return;
        }
        liftOff(v, true);
        v.avel = vec(0, 0, 0);
        v.rpos += (v.rvel + vNew) * (0.5 * dt);
        v.rvel = vNew;
        return;
    }
    const VECTOR3 rpos = v.rpos;
    const VECTOR3 rvel = v.rvel;
    VECTOR3 vNew = v.rvel + fall + applyLoads(v, dt);
    if (v.thrusting())
        vNew += applyThrust(v, dt);
    v.rpos += (v.rvel + vNew) * (0.5 * dt);
    v.rvel = vNew;
    // A state that no longer fits a double could be neither used nor saved (a scenario
    // holding "inf" does not load back): the vessel stays where it was.
    if (!isFinite(v.rpos) || !isFinite(v.rvel)) {
        v.rpos = rpos;
        v.rvel = rvel;
        log(&v, ev::kError, "motion beyond the numbers the host can hold: the vessel stays put");
    }
    if (v.avel.x != 0.0 || v.avel.y != 0.0 || v.avel.z != 0.0) {
        double w = length(v.avel);
        if (w > 0.0)
            v.rot = mul(v.rot, rotationAboutAxis(v.avel / w, w * dt));
    }
    // A vessel on sprung touchdown points rests on them instead (Loads.cpp).
    if (v.touchdownPoints.empty())
        checkTouchdown(v);
}

VECTOR3 World::applyThrust(VesselRecord &v, double dt) {
    double m0 = v.mass();
    VECTOR3 force = vec(0, 0, 0);
    VECTOR3 torque = vec(0, 0, 0);
    double used = 0.0;
    const double pressure = airOf(bodyOf(v), altitude(v)).p;
    for (Thruster &th : v.thrusters) {
        Tank *tank = th.tank;
        if (th.level <= 0.0 || th.maxThrust <= 0.0 || !tank || tank->mass <= 0.0)
            continue;
        double isp = th.isp > 0.0 ? th.isp : kDefaultIsp;
        double eff = tank->efficiency > 0.0 ? tank->efficiency : 1.0;
        double thrust = th.level * th.maxThrust;
        double dm = thrust / (isp * eff) * dt;
        if (dm > tank->mass) {
            thrust *= tank->mass / dm;
            dm = tank->mass;
        }
        tank->mass -= dm;
        if (tank->mass <= 0.0) {
            tank->mass = 0.0;
            if (!tank->emptyReported) {
                tank->emptyReported = true;
                size_t idx = 0;
                for (const Tank &t : v.tanks) {
                    if (&t == tank)
                        break;
                    ++idx;
                }
                log(&v, ev::kTankEmpty, "tank " + std::to_string(idx) + " ran empty");
            }
        }
        used += dm;
        // The propellant flows as in vacuum; the air's pressure takes off thrust.
        if (th.ispRef > 0.0 && th.pRef > 0.0 && pressure > 0.0)
            thrust *= std::max(0.0, 1.0 - pressure * (isp - th.ispRef) / (th.pRef * isp));
        VECTOR3 f = th.dir * thrust;
        force += f;
        torque += cross(f, th.pos);
    }
    double m1 = v.mass();
    // A couple (a pitch, yaw or bank pair) turns the vessel with no net force at all, so the
    // torque is applied whatever the force comes to.
    if (m1 > 0.0) {
        VECTOR3 alpha = vec(0, 0, 0);
        for (int k = 0; k < 3; ++k)
            if (v.caps.pmi.data[k] > 0.0)
                alpha.data[k] = torque.data[k] / (m1 * v.caps.pmi.data[k]);
        v.avel += alpha * dt;
    }
    VECTOR3 dv = vec(0, 0, 0);
    if (force != vec(0, 0, 0)) {
        VECTOR3 fg = mul(v.rot, force);
        if (used > 0.0 && m1 > 0.0 && m0 > m1)
            dv = fg * (dt / used * std::log(m0 / m1));  // rocket equation over the step
        else if (m0 > 0.0)
            dv = fg * (dt / m0);
    }
    return dv;
}

void World::applyPilotInputs() {
    if (pilotInputs_.empty())
        return;
    std::vector<PilotInput> inputs;
    inputs.swap(pilotInputs_);
    for (const PilotInput &in : inputs) {
        VesselRecord *v = resolve(in.vessel, "a pilot's command");
        if (!v)
            continue;
        ThrusterGroup *g = nullptr;
        int t = static_cast<int>(in.type);
        if (t >= 0 && t < kNamedGroupTypes)
            g = v->groupByType[t];
        else
            for (ThrusterGroup &cand : v->groups)
                if (cand.type == in.type)
                    g = &cand;
        if (!g) {
            log(v, ev::kPilot,
                std::string("no ") + groupTypeName(in.type) + " thruster group to command");
            continue;
        }
        setGroupLevel(*v, *g, in.level);
    }
}

void World::setGroupLevel(VesselRecord &v, ThrusterGroup &g, double level) {
    if (!std::isfinite(level))
        return;
    level = std::clamp(level, 0.0, 1.0);
    // A thruster without propellant keeps level 0, as in the simulator.
    for (Thruster *th : g.thrusters)
        th->level = th->fed() ? level : 0.0;
    if (level != g.level) {
        g.level = level;
        log(&v, ev::kLevel,
            std::string(groupTypeName(g.type)) + " thruster group level " + numberText(level));
    }
}

void World::commandGroupLevel(OBJHANDLE vessel, THGROUP_TYPE type, double level) {
    pilotInputs_.push_back({vessel, type, level});
}

void World::setPosition(OBJHANDLE h, const VECTOR3 &rpos) {
    setStateVector(h, &VesselRecord::rpos, "position", rpos, kMaxDistance);
}

void World::setVelocity(OBJHANDLE h, const VECTOR3 &rvel) {
    setStateVector(h, &VesselRecord::rvel, "velocity", rvel, kMaxSpeed);
}

void World::setStateVector(OBJHANDLE h, VECTOR3 VesselRecord::*field, const char *what,
                           const VECTOR3 &value, double limit) {
    if (!isWithin(value, limit)) {
        log(resolve(h, (std::string("setting a ") + what).c_str()), ev::kError,
            std::string(what) + " (" + vectorText(value) + ") refused: beyond " +
                numberText(limit) + " either way");
        return;
    }
    if (VesselRecord *v = resolve(h, (std::string("setting a ") + what).c_str())) {
        liftOff(*v);
        v->*field = value;
        log(v, ev::kMoved, std::string(what) + " set to (" + vectorText(value) + ")");
    }
}

void World::placeNear(OBJHANDLE h, OBJHANDLE other, const VECTOR3 &offset, const VECTOR3 &relVel) {
    VesselRecord *v = resolve(h, "placing a vessel");
    VesselRecord *o = resolve(other, "placing a vessel");
    if (!v || !o || v == o || !isWithin(offset, kMaxDistance) || !isWithin(relVel, kMaxSpeed))
        return;
    liftOff(*v);
    v->body = o->body;
    v->rpos = o->rpos + mul(o->rot, offset);
    v->rvel = o->rvel + mul(o->rot, relVel);
    log(v, ev::kMoved, "placed at (" + vectorText(offset) + ") from " + o->name);
}

void World::setRotation(OBJHANDLE h, const MATRIX3 &R) {
    if (VesselRecord *v = resolve(h, "setting a rotation"))
        turn(*v, R);
}

void World::turn(VesselRecord &v, const MATRIX3 &R) {
    v.rot = R;
    // A landed vessel turned where it stands keeps its place; only its heading changes.
    if (v.status == kLanded)
        v.spot.heading = spotOf(v).heading;
}

void World::setAngularVelocity(OBJHANDLE h, const VECTOR3 &avel) {
    if (!isWithin(avel, kMaxAngularRate))
        return;
    if (VesselRecord *v = resolve(h, "setting an angular velocity"))
        v->avel = avel;
}

}  // namespace sim
