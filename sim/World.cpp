#include "World.h"

#include <cmath>
#include <utility>

#include "Text.h"

namespace sim {

namespace {

// Step length used when the options give none that can advance time, s.
constexpr double kDefaultStep = 0.1;

}  // namespace

World *World::current_ = nullptr;

namespace {

std::function<void(const Event &)> &destroyedHandleObserver() {
    static std::function<void(const Event &)> observer;
    return observer;
}

}  // namespace

void World::setDestroyedHandleObserver(std::function<void(const Event &)> observer) {
    destroyedHandleObserver() = std::move(observer);
}

World::World(WorldOptions options) : options_(std::move(options)), classes_(options_.root) {
    // A step that is not a positive time would never advance the clock.
    if (!(options_.step > 0.0) || !std::isfinite(options_.step))
        options_.step = kDefaultStep;
    // A body the host does not know would leave every vessel without gravity or ground.
    body_ = findBody(options_.bodyName);
    if (!body_)
        body_ = findBody("Earth");
    if (std::isfinite(options_.surfaceElevation))
        surfaceElevation_ = options_.surfaceElevation;
    rng_ = options_.seed;
    previous_ = current_;
    current_ = this;
}

World::~World() {
    // Every vessel goes, in list order, each with its module if it was the module's last.
    const std::vector<VesselRecord *> live = list_;
    for (VesselRecord *v : live) {
        v->alive = false;
        releaseInstance(*v);
    }
    for (VesselRecord *v : live) {
        if (v->module) {
            Dispatch d(*this, v);
            classes_.unload(v->module);
            v->module = nullptr;
        }
    }
    // The lists go whole, and the records with the table: taking the vessels out one by one
    // would search the list for each.
    list_.clear();
    byName_.clear();
    handles_.clear();
    focus_ = nullptr;
    if (current_ == this)
        current_ = previous_;
}

void World::step(int n) {
    for (int i = 0; i < n; ++i) {
        double dt = options_.step;
        lastStep_ = dt;
        double tNew = simt_ + dt;
        inStep_ = true;
        frameStart_ = simt_;
        ++steps_;
        applyPilotInputs();
        callEachVessel(&VESSEL2::clbkPreStep, frameStart_, dt);
        stepSnapshot_.assign(list_.begin(), list_.end());
        stageMotion(dt);
        simt_ = tNew;
        callEachVessel(&VESSEL2::clbkPostStep, simt_, dt);
        commitMotion();
        stepSnapshot_.clear();
        destroyMarked();
        trackAnimations();
        inStep_ = false;
    }
}

namespace {

bool sameMotion(const World::Motion &a, const World::Motion &b) {
    return a.rpos == b.rpos && a.rvel == b.rvel && a.avel == b.avel &&
           std::equal(a.rot.data, a.rot.data + 9, b.rot.data) && a.status == b.status &&
           a.spot.lng == b.spot.lng && a.spot.lat == b.spot.lat && a.spot.heading == b.spot.heading;
}

}  // namespace

World::Motion World::motionOf(const VesselRecord &v) {
    return {v.rpos, v.rvel, v.avel, v.rot, v.status, v.spot};
}

void World::setMotion(VesselRecord &v, const Motion &m) {
    v.rpos = m.rpos;
    v.rvel = m.rvel;
    v.avel = m.avel;
    v.rot = m.rot;
    v.status = m.status;
    v.spot = m.spot;
}

void World::stageMotion(double dt) {
    // Each vessel's state at the end of the frame is worked out now, but every vessel keeps
    // showing its state at the frame's start until the post-steps are over.
    frameMotion_.clear();
    moving_ = true;
    for (VesselRecord *v : stepSnapshot_) {
        const Motion start = motionOf(*v);
        if (v->alive)
            moveVessel(*v, dt);
        frameMotion_.push_back({start, motionOf(*v)});
        setMotion(*v, start);
    }
    moving_ = false;
}

void World::commitMotion() {
    for (std::size_t i = 0; i < frameMotion_.size(); ++i) {
        VesselRecord *v = stepSnapshot_[i];
        // A vessel a callback placed or turned during the frame keeps what it was given.
        if (v->alive && sameMotion(motionOf(*v), frameMotion_[i].start))
            setMotion(*v, frameMotion_[i].end);
    }
}

void World::callEachVessel(void (VESSEL2::*callback)(double, double, double), double simt,
                           double dt) {
    Dispatch d(*this, nullptr);
    // Within a frame the list only grows (removals wait for its end), and a vessel made by a
    // callback joins at its end: it gets the rest of the frame's callbacks, as in the
    // simulator.
    for (std::size_t i = 0; i < list_.size(); ++i) {
        VesselRecord *v = list_[i];
        if (!v->alive || !v->callbacks || v->hostInstance)
            continue;
        d.enter(v);
        (v->callbacks->*callback)(simt, dt, dateAt(simt));
    }
}

void World::setStartDate(double mjd) {
    startMjd_ = mjd;
    for (std::size_t i = 0; i < kBodyCount; ++i)
        startTurn_[i] = turnAtDate(bodyAt(i), mjd);
}

void World::runUntil(double t) {
    while (!reached(t))
        step(1);
}

void World::trackAnimations() {
    for (VesselRecord *v : list_) {
        for (std::size_t i = 0; i < v->animations.size(); ++i) {
            Animation &a = v->animations[i];
            const bool moved = a.state != a.lastStepState;
            a.lastStepState = a.state;
            if (moved == a.moving)
                continue;
            a.moving = moved;
            const std::string which = "animation " + std::to_string(i);
            log(v, ev::kAnimation,
                moved ? which + " starts moving"
                      : which + " comes to rest at state " + numberText(a.state));
        }
    }
}

std::string World::nameKey(const std::string &name) {
    std::string key = name;
    for (char &c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

OBJHANDLE World::find(const std::string &name) const {
    auto it = byName_.find(nameKey(name));
    if (it == byName_.end() || it->second.empty())
        return nullptr;
    // The list's order changes as vessels leave it: the first of the name is the one placed
    // first now.
    const VesselRecord *first = it->second.front();
    for (const VesselRecord *v : it->second)
        if (v->listIndex < first->listIndex)
            first = v;
    return first->handle();
}

VesselRecord *World::resolveMissing(OBJHANDLE h, const char *use) {
    if (table_.state(h) != VesselTable::State::kDestroyed ||
        options_.destroyedHandles == DestroyedHandles::kAnswerNull)
        return nullptr;
    ++destroyedHandleUses_;
    const std::string who = callbackVessel_ ? callbackVessel_->name + " used" : "used";
    log(callbackVessel_, ev::kDestroyedHandle,
        who + " the handle of " + table_.destroyedText(h) + ", in " + use +
            ": in the simulator that handle points at nothing");
    if (const auto &observer = destroyedHandleObserver())
        observer(events_.back());
    return nullptr;
}

VESSEL *World::interfaceOf(OBJHANDLE h, const char *use) {
    const VesselRecord *v = resolve(h, use);
    return v ? v->instance : nullptr;
}

OBJHANDLE World::vesselAt(std::size_t index) const {
    return index < list_.size() ? list_[index]->handle() : nullptr;
}

std::vector<Event> World::eventsOfKind(const std::string &kind) const {
    std::vector<Event> out;
    for (const Event &e : events_)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

void World::log(const VesselRecord *v, const char *kind, std::string text) {
    events_.push_back({simt_, v ? v->name : std::string(), kind, std::move(text)});
}

void World::setTrace(OBJHANDLE h, bool on) {
    if (VesselRecord *v = table_.find(h))
        v->traceOn = on;
}

void World::traceCall(VesselRecord *v, const char *call) {
    if (v && v->traceOn)
        v->trace.emplace_back(call);
}

MESHHANDLE World::loadMesh(const char *name) {
    return name ? &namedRecord(meshes_, name, kMesh) : nullptr;
}

SURFHANDLE World::registerTexture(const char *name) {
    return name ? &namedRecord(textures_, name, kTexture) : nullptr;
}

template <class Record>
Record &World::namedRecord(std::map<std::string, std::unique_ptr<Record>> &records,
                           const char *name, HandleKind kind) {
    auto &slot = records[name];
    if (!slot) {
        slot = std::make_unique<Record>();
        slot->name = name;
        registerHandle(slot.get(), kind);
    }
    return *slot;
}

double World::random() {
    // splitmix64: small, fast and the same on every platform.
    std::uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace sim
