// The timeline's actions, carried out on the world between two steps of a run.
#include <cstdio>

#include "OutputPaths.h"
#include "Run.h"
#include "Words.h"

namespace vemosim {

namespace {

// "K pressed: Pod takes it"; an ignored release says nothing worth a line.
std::string keyText(int key, const std::vector<int> &held, bool down, bool consumed,
                    const std::string &vessel) {
    if (!down && !consumed) {
        return std::string();
    }
    std::string text = sim::keyName(key) + (down ? " pressed" : " released");
    if (!held.empty()) {
        std::string with;
        for (int k : held) {
            with += (with.empty() ? "" : "+") + sim::keyName(k);
        }
        text += " with " + with + " held";
    }
    // A vessel that takes a key need not act on it: what it did is told by what follows.
    return consumed ? text : text + ": " + vessel + " leaves it to the simulator";
}

}  // namespace

// "placed at (0, 0, 1.5) m in Pod's frame, inside its airlock box".
std::string Run::placeText(const TimelineAction &a, OBJHANDLE other) const {
    const VECTOR3 p = sim::vec(a.vec[0], a.vec[1], a.vec[2]);
    const sim::VesselRecord *o = world_->record(other);
    return "placed at " + shortVector(p) + " m in " + a.other + "'s frame" +
           (o != nullptr ? airlockPlaceNote(*o, p) : std::string());
}

int Run::badAction(const TimelineAction &a, const std::string &why) {
    flush();
    printError(sim::InputError{o_.timeline, a.line, why}.text());
    return kExitBadInput;
}

std::string Run::focusName() const {
    const sim::VesselRecord *f = world_->record(world_->focus());
    return f != nullptr ? f->name : std::string("-");
}

// " at 4.150 s": when an action could not be carried out.
std::string Run::at() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " at %.3f s", world_->time());
    return buffer;
}

// Down in the order written, in one frame whose keyboard shows them all held; up in the
// reverse order, as fingers leave a chord, in the next frame, whose keyboard shows them all
// up. Each key event is told before what the vessel did with it.
void Run::pressKeys(const std::vector<int> &keys) {
    std::vector<int> held;
    for (int key : keys) {
        const std::string name = focusName();
        std::vector<int> chord;
        for (int k : keys)
            if (k != key)
                chord.push_back(k);
        const bool consumed = world_->keyEvent(key, true, chord);
        printer_->flushKey(keyText(key, held, true, consumed, name));
        held.push_back(key);
    }
    while (!held.empty()) {
        const int key = held.back();
        held.pop_back();
        const std::string name = focusName();
        const bool consumed = world_->keyEvent(key, false);
        printer_->flushKey(keyText(key, held, false, consumed, name));
    }
}

// The action as the story tells it, under the vessel it acts on: keys and thrust act on the
// focus vessel.
void Run::announce(const TimelineAction &a) {
    const sim::VesselRecord *focusRecord = world_->record(world_->focus());
    std::string subject = a.vessel;
    if (a.kind == ActionKind::Key || a.kind == ActionKind::Thrust) {
        subject = focusRecord != nullptr ? focusRecord->name : std::string();
    }
    printer_->printLine(
        world_->time(), subject, TimelinePrinter::kTimeline,
        describeAction(a) + " (" + o_.timeline + ":" + std::to_string(a.line) + ")");
}

int Run::apply(const TimelineAction &a) {
    sim::World &w = *world_;
    flush();
    const OBJHANDLE focus = w.focus();
    const sim::VesselRecord *focusRecord = w.record(focus);
    announce(a);

    const OBJHANDLE v = a.vessel.empty() ? nullptr : world_->find(a.vessel);
    if (!a.vessel.empty() && v == nullptr) {
        return badAction(a, "no vessel named '" + a.vessel + "'" + at());
    }
    const OBJHANDLE other = a.other.empty() ? nullptr : world_->find(a.other);
    if (!a.other.empty() && other == nullptr) {
        return badAction(a, "no vessel named '" + a.other + "'" + at());
    }
    if ((a.kind == ActionKind::Key || a.kind == ActionKind::Thrust) && focusRecord == nullptr) {
        return badAction(a, "no vessel has the focus" + at());
    }
    switch (a.kind) {
        case ActionKind::Key: {
            pressKeys(a.keys);
            break;
        }
        case ActionKind::Thrust:
            w.commandGroupLevel(focus, a.group, a.level);
            printer_->notePilotCommand(focusRecord->name, a.group, a.level);
            break;
        case ActionKind::Velocity:
            w.setVelocity(v, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
            break;
        case ActionKind::Position:
            w.setPosition(v, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
            break;
        case ActionKind::Place:
            w.placeNear(v, other, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
            printer_->flushReplacing(sim::ev::kMoved, placeText(a, other));
            break;
        case ActionKind::Dock:
            if (!w.dock(v, static_cast<UINT>(a.port), other, static_cast<UINT>(a.otherPort))) {
                return badAction(a, "cannot dock: " + a.vessel + " port " + std::to_string(a.port) +
                                        " or " + a.other + " port " + std::to_string(a.otherPort) +
                                        " is missing or taken" + at());
            }
            break;
        case ActionKind::Undock:
            if (!w.undock(v, static_cast<UINT>(a.port))) {
                return badAction(a, "cannot undock: nothing is docked at " + a.vessel + " port " +
                                        std::to_string(a.port) + at());
            }
            break;
        case ActionKind::Focus:
            w.setFocus(v);
            break;
        case ActionKind::Save: {
            const int rc = save(fromStart(start_, a.file), a.file);
            if (rc != kExitOk) {
                return rc;
            }
            break;
        }
    }
    flush();
    return kExitOk;
}

int Run::save(const std::string &path, const std::string &shown) {
    // The world keeps the description it loaded; the environment section is ours to carry.
    printer_->noteSaveTarget(shown);
    const sim::ScenarioFile saved = world_->save();
    lastSaved_ = saved;
    std::string text;
    std::string why;
    if (!sim::formatScenarioText(saved, scenario_.environment, scenario_.hasEnvironment, text,
                                 why)) {
        flush();
        printError(shown + ": cannot save the scenario: " + why);
        return kExitFailed;
    }
    if (!sim::writeFileAtomically(path, text, why)) {
        flush();
        printError(shown + ": " + why);
        return kExitFailed;
    }
    // Told only once the file holds it, so a failed save never reads as saved.
    world_->log(nullptr, sim::ev::kSaved,
                "scenario saved with " + std::to_string(saved.ships.size()) + " vessel(s)");
    return kExitOk;
}

}  // namespace vemosim
