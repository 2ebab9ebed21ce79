// Vessel lifecycle: a vessel is made (a record, its instance from the class, its class
// capabilities), lives in the vessel list, and is deleted: out of the list at once, its
// instance handed back to the class once the callbacks in progress are over. Records are
// never reused, so a deleted vessel's handle stays recognisable.
#include <algorithm>

#include "ScenarioText.h"
#include "World.h"

namespace sim {

std::string World::validName(const std::string &name, std::string *error) const {
    // The scenario writer's own rule: a vessel the host makes can always be saved, so one
    // module's odd name never makes the whole save fail.
    std::string why;
    if (name.empty())
        why = "a vessel needs a name";
    else if (name.size() > kMaxScenarioLineLength)
        why = "vessel name \"" + name.substr(0, 40) + "...\" is too long";
    else if (!isValidVesselName(name))
        why = "vessel name \"" + name +
              "\" is not 1 to 255 printable ASCII characters without blanks or ':'";
    if (why.empty() && byName_.count(name))
        why = "a vessel named \"" + name + "\" already exists";
    if (!why.empty() && error)
        *error = why;
    return why;
}

VesselRecord *World::makeRecord(const std::string &name, const std::string &className) {
    records_.emplace_back();
    VesselRecord *v = &records_.back();
    v->serial = nextSerial_++;
    v->name = name;
    v->className = className;
    v->alive = true;
    v->traceOn = traceNew_;
    registerHandle(v, kVessel);
    list_.push_back(v);
    byName_[name] = v;
    return v;
}

void World::listRemove(VesselRecord *v) {
    list_.erase(std::find(list_.begin(), list_.end(), v));
}

bool World::instantiate(VesselRecord &v, std::string *error) {
    Dispatch d(*this, &v);
    VESSEL *inst = v.cls->init(v.handle(), 1);
    if (!inst) {
        if (error)
            *error = "vessel class \"" + v.className + "\" made no instance for \"" + v.name + "\"";
        v.alive = false;
        listRemove(&v);
        byName_.erase(v.name);
        return false;
    }
    v.instance = inst;
    // Every class the host loads is a VESSEL2; VESSEL alone has no callbacks.
    v.callbacks = static_cast<VESSEL2 *>(inst);
    log(&v, ev::kCreated, "vessel " + v.name + " of class " + v.className + " created");
    v.callbacks->clbkSetClassCaps(static_cast<FILEHANDLE>(&configToken_));
    return true;
}

OBJHANDLE World::createVessel(const std::string &name, const std::string &className,
                              const VESSELSTATUS &status, std::string *error) {
    if (!validName(name, error).empty())
        return nullptr;
    const ClassInfo *cls = findClass(className, error);
    if (!cls)
        return nullptr;
    VesselRecord *v = makeRecord(name, className);
    v->cls = cls;
    applyStatus(*v, status, false);
    if (!instantiate(*v, error))
        return nullptr;
    {
        Dispatch d(*this, v);
        applyStatus(*v, status, true);
        if (v->alive && v->callbacks)
            v->callbacks->clbkSetStateEx(&status);
        if (v->alive && v->callbacks)
            v->callbacks->clbkPostCreation();
    }
    for (Animation &a : v->animations)
        a.lastStepState = a.state;
    return v->alive ? v->handle() : nullptr;
}

bool World::deleteVessel(OBJHANDLE h, OBJHANDLE focusAlternative) {
    VesselRecord *v = resolve(h);
    if (!v)
        return false;
    // Release whatever is docked to it first, so no mate points at a vanished vessel.
    for (DockPort &d : v->docks)
        if (d.mate)
            undock(v->handle(), d.index);
    v->alive = false;
    listRemove(v);
    byName_.erase(v->name);
    log(v, ev::kDeleted, "vessel " + v->name + " deleted");
    if (focus_ == v) {
        focus_ = nullptr;
        VesselRecord *next = resolve(focusAlternative);
        if (!next && !list_.empty())
            next = list_.front();
        if (next)
            setFocus(next->handle());
    }
    pendingExit_.push_back(v);
    if (dispatchDepth_ == 0)
        finishDeletes();
    return true;
}

void World::releaseInstance(VesselRecord &v) {
    VESSEL *inst = v.instance;
    v.instance = nullptr;
    v.callbacks = nullptr;
    if (inst && v.cls && v.cls->exit) {
        Dispatch d(*this, &v);
        v.cls->exit(inst);
    }
}

void World::finishDeletes() {
    while (!pendingExit_.empty()) {
        std::vector<VesselRecord *> batch;
        batch.swap(pendingExit_);
        for (VesselRecord *v : batch)
            releaseInstance(*v);
    }
}

}  // namespace sim
