// Vessel lifecycle: a vessel is made (a record in the table, its instance from its class,
// its class capabilities), lives in the vessel list, is marked for deletion, and at the end
// of the frame is destroyed: its instance handed back to its class, its module unloaded if
// it was the module's last vessel, its record freed. Its handle then names a destroyed
// vessel.
#include <algorithm>
#include <cmath>
#include <limits>

#include "ScenarioText.h"
#include "World.h"

namespace sim {

namespace {

// The simulator's default vessel, for a class without a module, or whose module cannot be
// loaded or made no instance: every callback does the host's default thing, and the module
// sees the plain VESSEL the simulator makes itself (Version() 0).
class PlainVessel final : public VESSEL2 {
public:
    PlainVessel(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) { version = 0; }
};

}  // namespace

VesselRecord *World::makeRecord(const std::string &name, const VesselClass &cls) {
    auto record = std::make_unique<VesselRecord>();
    VesselRecord *v = record.get();
    v->name = name;
    v->className = cls.name;
    v->acceptsFocus = cls.enableFocus;
    v->alive = true;
    v->traceOn = traceNew_;
    table_.add(std::move(record));
    v->listIndex = list_.size();
    list_.push_back(v);
    byName_[nameKey(name)].push_back(v);
    return v;
}

void World::instantiate(VesselRecord &v, const VesselClass &cls) {
    Dispatch d(*this, &v);
    VESSEL *inst = nullptr;
    std::string failure;
    if (cls.builtin) {
        v.builtin = cls.builtin;
        inst = cls.builtin->init(v.handle(), 1);
    } else if (!cls.modulePath.empty()) {
        v.module = classes_.load(cls.modulePath, &failure);
        if (v.module)
            inst = v.module->ovcInit(v.handle(), 1);
    }
    std::string how;
    if (!inst) {
        // The simulator's default vessel: no callbacks of the module, the host's defaults.
        inst = new PlainVessel(v.handle(), 1);
        v.hostInstance = true;
        if (!failure.empty())
            how = " (its module cannot be loaded: a plain vessel)";
        else
            how = cls.builtin || v.module ? " (its class made no instance: a plain vessel)"
                                          : " (its class has no module: a plain vessel)";
    }
    v.instance = inst;
    // Every instance the host makes or a class hands it is a VESSEL2.
    v.callbacks = static_cast<VESSEL2 *>(inst);
    log(&v, ev::kCreated, "vessel " + v.name + " of class " + v.className + " created" + how);
    if (!failure.empty())
        log(&v, ev::kError, "vessel class \"" + cls.name + "\": " + failure);
    else if (v.hostInstance && (cls.builtin || v.module))
        log(&v, ev::kError, "vessel class \"" + cls.name + "\": ovcInit made no instance");
    v.callbacks->clbkSetClassCaps(static_cast<FILEHANDLE>(&configToken_));
}

OBJHANDLE World::createVessel(const std::string &name, const std::string &className,
                              const VESSELSTATUS &status, std::string *error) {
    VesselClass cls;
    if (!classes_.findClass(className, cls, error))
        return nullptr;
    VesselRecord *v = makeRecord(name, cls);
    applyStatus(*v, status, false);
    instantiate(*v, cls);
    {
        Dispatch d(*this, v);
        applyStatus(*v, status, true);
        v->callbacks->clbkPostCreation();
    }
    for (Animation &a : v->animations)
        a.lastStepState = a.state;
    return v->handle();
}

bool World::deleteVessel(OBJHANDLE h, OBJHANDLE) {
    VesselRecord *v = resolve(h, "oapiDeleteVessel");
    if (!v)
        return false;
    if (!v->marked) {
        v->marked = true;
        marked_.push_back(v);
    }
    return true;
}

void World::destroyMarked() {
    // Deletions asked for while these are destroyed (by their callbacks) join in.
    while (!marked_.empty()) {
        std::vector<VesselRecord *> batch;
        batch.swap(marked_);
        // Reverse list order, so that each leaves the list from its end as far as it can.
        std::sort(batch.begin(), batch.end(), [](const VesselRecord *a, const VesselRecord *b) {
            return a->listIndex > b->listIndex;
        });
        for (VesselRecord *v : batch)
            destroy(*v);
    }
}

void World::destroy(VesselRecord &v) {
    // Nothing stays docked to a vessel that is gone.
    for (DockPort &d : v.docks)
        if (d.mate)
            undock(v.handle(), d.index);
    if (focus_ == &v) {
        // The nearest other vessel that may take the focus and is not going too.
        VesselRecord *next = nullptr;
        double best = std::numeric_limits<double>::infinity();
        for (VesselRecord *o : list_) {
            if (o == &v || o->marked || !o->acceptsFocus)
                continue;
            const double d = length(globalPos(*o) - globalPos(v));
            if (d < best) {
                best = d;
                next = o;
            }
        }
        if (next)
            setFocus(next->handle());
        else
            focus_ = nullptr;
    }
    log(&v, ev::kDeleted, "vessel " + v.name + " deleted");
    v.alive = false;
    releaseInstance(v);
    forget(v);
}

void World::releaseInstance(VesselRecord &v) {
    VESSEL *inst = v.instance;
    v.instance = nullptr;
    v.callbacks = nullptr;
    if (!inst)
        return;
    Dispatch d(*this, &v);
    // The module's ovcExit gets the interface the vessel had, also the plain one the host
    // made itself, which the host then deletes as well.
    if (v.builtin && v.builtin->exit)
        v.builtin->exit(inst);
    else if (v.module)
        v.module->ovcExit(inst);
    if (v.hostInstance)
        delete static_cast<PlainVessel *>(static_cast<VESSEL2 *>(inst));
}

void World::forget(VesselRecord &v) {
    // The module goes with its last vessel: ExitModule, and it is unloaded.
    if (v.module) {
        Dispatch d(*this, &v);
        classes_.unload(v.module);
        v.module = nullptr;
    }
    // As in the simulator, the last vessel of the list takes the place of the one that goes.
    VesselRecord *last = list_.back();
    list_[v.listIndex] = last;
    last->listIndex = v.listIndex;
    list_.pop_back();
    auto named = byName_.find(nameKey(v.name));
    if (named != byName_.end()) {
        auto &same = named->second;
        same.erase(std::find(same.begin(), same.end(), &v));
        if (same.empty())
            byName_.erase(named);
    }
    if (focus_ == &v)
        focus_ = nullptr;
    auto unregister = [this](const auto &parts) {
        for (const auto &part : parts)
            handles_.erase(&part);
    };
    unregister(v.animComponents);
    unregister(v.tanks);
    unregister(v.thrusters);
    unregister(v.groups);
    unregister(v.streams);
    unregister(v.attachments);
    unregister(v.docks);
    table_.remove(v.handle(), simt_);
}

}  // namespace sim
