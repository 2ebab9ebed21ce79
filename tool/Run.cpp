#include "Run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "MeshFile.h"
#include "RunPicture.h"
#include "ScenarioCheck.h"
#include "ScenarioText.h"
#include "SvgPage.h"
#include "Words.h"

namespace vemosim {

namespace {

// The path as seen from the folder we started in; we change folder before the run.
std::string fromStart(const std::string &start, const std::string &path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return start + "/" + path;
}

// Why no output file (a scenario, a picture) can be written at path, or nothing when one can: its
// folder must exist, and path must be a regular file or nothing yet. A device node, pipe, symbolic
// link or folder there is never replaced or written through. Checked before the run rather than
// found out after a long one (the writer checks again when it writes).
std::string outputPathFault(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return std::string("it is ") + sim::fileKindText(st.st_mode) +
               ", not a regular file (output goes only to a regular file or a new path)";
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return "no such folder";
    }
    return std::string();
}

// Whether two output paths name one file: the same file where both exist, otherwise the same
// place once the folders on the way are resolved. Two outputs there would leave only the
// last, whatever the run said it wrote.
bool samePlace(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ea, eb;
    const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ea);
    const std::filesystem::path pb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb ? pa == pb : a == b;
}

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

int Run::main() {
    int rc = readInputs();
    rc = rc == kExitOk ? checkOutputs() : rc;
    rc = rc == kExitOk ? load() : rc;
    if (rc == kExitOk && o_.check) {
        rc = check();
    } else if (rc == kExitOk) {
        rc = fly();
        rc = rc == kExitOk ? finish() : rc;
    }
    // What the printer still holds goes out before the world it tells of goes.
    recorder_.reset();
    printer_.reset();
    world_.reset();
    return rc;
}

// The scenario and the timeline, read whole before anything is made.
int Run::readInputs() {
    sim::InputError e;
    if (!sim::readWholeFile(fromStart(start_, o_.scenario), scenarioText_, e) ||
        !sim::parseScenarioText(scenarioText_, o_.scenario, scenario_, e)) {
        e.file = o_.scenario;
        printError(e.text());
        return kExitBadInput;
    }
    if (!o_.timeline.empty() && !readTimelineFile(fromStart(start_, o_.timeline), timeline_, e)) {
        e.file = o_.timeline;
        printError(e.text());
        return kExitBadInput;
    }
    return kExitOk;
}

// Every file the run will write can be written, and no two of them are one file.
int Run::checkOutputs() {
    for (const TimelineAction &a : timeline_.actions) {
        const std::string fault =
            a.kind == ActionKind::Save ? outputPathFault(fromStart(start_, a.file)) : "";
        if (!fault.empty()) {
            return badAction(a, "cannot save to '" + a.file + "': " + fault);
        }
    }
    const std::string outFault = o_.out.empty() ? "" : outputPathFault(fromStart(start_, o_.out));
    if (!outFault.empty()) {
        printError("--out " + o_.out + ": cannot save there: " + outFault);
        return kExitBadInput;
    }
    if (o_.plot.empty()) {
        return kExitOk;
    }
    const std::string plot = fromStart(start_, o_.plot);
    const std::string plotFault = outputPathFault(plot);
    if (!plotFault.empty()) {
        printError("--plot " + o_.plot + ": cannot draw there: " + plotFault);
        return kExitBadInput;
    }
    if (!o_.out.empty() && samePlace(plot, fromStart(start_, o_.out))) {
        printError("--plot " + o_.plot + " and --out " + o_.out +
                   " name one file: the picture would replace the saved scenario");
        return kExitBadInput;
    }
    for (const TimelineAction &a : timeline_.actions) {
        if (a.kind == ActionKind::Save && samePlace(plot, fromStart(start_, a.file))) {
            return badAction(a, "cannot save to '" + a.file + "': --plot " + o_.plot +
                                    " draws the picture in that file");
        }
    }
    return kExitOk;
}

// Enters the runtime root, makes the world there and loads the scenario into it.
int Run::load() {
    root_ = fromStart(start_, o_.root);
    if (chdir(root_.c_str()) != 0) {
        printError("--root " + o_.root + ": cannot enter: " + std::strerror(errno));
        return kExitBadInput;
    }
    sim::WorldOptions wo;
    wo.root = root_;
    wo.seed = o_.seed;
    wo.step = o_.step;
    world_ = std::make_unique<sim::World>(wo);
    // A check tells only its verdicts, not the story of the loading.
    printer_ = std::make_unique<TimelinePrinter>(
        *world_, stdout, TimelinePrinter::Options{o_.quiet || o_.check, o_.verbose});

    // Every class is found before anything is made, so an unknown one is reported at
    // its own block. Each class config is read once, for the check and the load.
    auto held = std::make_unique<sim::World::HeldClasses>(*world_);
    for (const sim::ShipBlock &ship : scenario_.scenario.ships) {
        std::string why;
        if (!world_->checkClass(ship.className, &why)) {
            printError(sim::InputError{o_.scenario, ship.firstLine, why}.text());
            return kExitBadInput;
        }
    }
    std::string why;
    printer_->setLoadedShips(scenario_.scenario.ships);
    if (!world_->load(scenario_.scenario, &why)) {
        // "line 12: ..." from the host is told as "file:12: ...", as every other message.
        const std::size_t colon = why.find(": ");
        const bool atLine = why.rfind("line ", 0) == 0 && colon != std::string::npos && colon > 5 &&
                            why.find_first_not_of("0123456789", 5) == colon;
        printError(o_.scenario + (atLine
                                      ? ":" + why.substr(5, colon - 5) + ":" + why.substr(colon + 1)
                                      : ": " + why));
        return kExitBadInput;
    }
    held.reset();  // vessels made in flight read their class afresh
    flush();
    return destroyedHandleUsed() ? kExitFailed : kExitOk;
}

// --check: what the vessels made of the scenario's lines; nothing is stepped.
int Run::check() {
    const CheckReport report = checkLoadedScenario(*world_, scenario_, scenarioText_, root_);
    if (!o_.quiet) {
        std::fputs(report.text(o_.scenario).c_str(), stdout);
    }
    return report.exitCode();
}

// Steps the world to the end, carrying out each timeline action at its time.
int Run::fly() {
    if (!o_.plot.empty()) {
        recorder_ = std::make_unique<RunRecorder>();
        std::string why;
        if (!recorder_->begin(*world_, scenario_.scenario.ships, o_.plotFrame,
                              static_cast<std::uint64_t>(o_.until / o_.step) + 1, why)) {
            printError(why);
            return kExitBadInput;
        }
    }
    const std::vector<TimelineAction> &actions = timeline_.actions;
    while (true) {
        while (nextAction_ < actions.size() && world_->reached(actions[nextAction_].time)) {
            const int rc = apply(actions[nextAction_++]);
            if (rc != kExitOk) {
                return rc;
            }
            if (destroyedHandleUsed()) {
                return kExitFailed;
            }
            sample();
        }
        if (world_->reached(o_.until)) {
            return kExitOk;
        }
        world_->step(1);
        flush();
        if (destroyedHandleUsed()) {
            return kExitFailed;
        }
        sample();
        forgetToldEvents();
    }
}

// Saves and draws what was asked for, and tells how the run ended.
int Run::finish() {
    if (!o_.out.empty()) {
        const int rc = save(fromStart(start_, o_.out), o_.out);
        if (rc != kExitOk) {
            return rc;
        }
    }
    if (!o_.plot.empty()) {
        const int rc = draw();
        if (rc != kExitOk) {
            return rc;
        }
    }
    flush();
    printer_->finish();
    if (o_.quiet) {
        return kExitOk;
    }
    std::printf("end at %.3f s after %llu steps", world_->time(),
                static_cast<unsigned long long>(world_->stepCount()));
    const std::size_t actions = timeline_.actions.size();
    if (nextAction_ < actions) {
        std::printf("; %zu timeline action(s) after the end not run", actions - nextAction_);
    }
    if (!o_.out.empty()) {
        std::printf("; scenario saved to %s", printable(o_.out).c_str());
    }
    if (!o_.plot.empty()) {
        std::printf("; run drawn in %s", printable(o_.plot).c_str());
    }
    std::printf("\n");
    // The crew lines come from the vessels' own saving; without --out the world
    // saves once more for them, and that save is not an event of the run.
    printer_->summary(o_.out.empty() ? world_->save() : lastSaved_);
    return kExitOk;
}

void Run::flush() {
    if (printer_ != nullptr) {
        printer_->flush();
    }
}

void Run::forgetToldEvents() {
    // The story is printed and the picture sampled as the run goes, so what they have read
    // of the log is not needed again; kept, the log would grow with every step of a long run.
    if (world_->events().size() < kEventsKeptAtMost) {
        return;
    }
    world_->clearEvents();
    printer_->eventsCleared();
    if (recorder_ != nullptr) {
        recorder_->eventsCleared();
    }
}

void Run::sample() {
    if (recorder_ != nullptr) {
        recorder_->sample(*world_);
    }
}

// The frame vessel's hull as it stands still: the vertices of its first mesh's groups that no
// animation moves, read from the root's meshes/ folder as the simulator would load them.
std::vector<VECTOR3> Run::frameBody(const std::string &frameName) const {
    std::vector<VECTOR3> body;
    const sim::VesselRecord *v = world_->record(world_->find(frameName));
    if (v == nullptr || v->meshes.empty() || v->meshes[0].mesh == nullptr) {
        return body;
    }
    std::set<UINT> moving;
    for (const sim::Animation &a : v->animations) {
        for (const sim::AnimationComponent *c : a.components) {
            if (c->transform->mesh == 0) {
                moving.insert(c->transform->grp, c->transform->grp + c->transform->ngrp);
            }
        }
    }
    MeshFileData mesh;
    std::string why;
    const auto *record = static_cast<const sim::MeshRecord *>(v->meshes[0].mesh);
    if (!readMeshFile("meshes/" + record->name + ".msh", mesh, why)) {
        return body;
    }
    for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
        for (const MeshVec &p : moving.count(static_cast<UINT>(g)) ? std::vector<MeshVec>()
                                                                   : mesh.groups[g].positions) {
            body.push_back(sim::vec(p[0], p[1], p[2]));
        }
    }
    return body;
}

int Run::draw() {
    const RunRecord record = recorder_->finish(*world_);
    std::string picture = drawRunSvg(record, o_.scenario, frameBody(record.frameName));
    std::string why;
    if (wantsPng(o_.plot)) {
        std::string png;
        if (!renderPng(picture, png, why)) {
            flush();
            printError(o_.plot + ": " + why);
            return kExitFailed;
        }
        picture.swap(png);
    }
    if (!sim::writeFileAtomically(fromStart(start_, o_.plot), picture, why)) {
        flush();
        printError(o_.plot + ": " + why);
        return kExitFailed;
    }
    return kExitOk;
}

bool Run::destroyedHandleUsed() {
    if (world_->destroyedHandleUses() == 0) {
        return false;
    }
    flush();
    for (const sim::Event &e : world_->events()) {
        if (e.kind == sim::ev::kDestroyedHandle) {
            printError("at " + std::string(at()).substr(4) + ": " + e.text +
                       "; the run stops here");
            break;
        }
    }
    return true;
}

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

int Run::apply(const TimelineAction &a) {
    sim::World &w = *world_;
    flush();
    const OBJHANDLE focus = w.focus();
    const sim::VesselRecord *focusRecord = w.record(focus);
    std::string subject = a.vessel;
    if (a.kind == ActionKind::Key || a.kind == ActionKind::Thrust) {
        subject = focusRecord != nullptr ? focusRecord->name : std::string();
    }
    printer_->printLine(
        w.time(), subject, TimelinePrinter::kTimeline,
        describeAction(a) + " (" + o_.timeline + ":" + std::to_string(a.line) + ")");

    const OBJHANDLE v = a.vessel.empty() ? nullptr : world_->find(a.vessel);
    if (!a.vessel.empty() && v == nullptr) {
        return badAction(a, "no vessel named '" + a.vessel + "'" + at());
    }
    const OBJHANDLE other = a.other.empty() ? nullptr : world_->find(a.other);
    if (!a.other.empty() && other == nullptr) {
        return badAction(a, "no vessel named '" + a.other + "'" + at());
    }
    switch (a.kind) {
        case ActionKind::Key: {
            if (focusRecord == nullptr) {
                return badAction(a, "no vessel has the focus" + at());
            }
            // Down in the order written, in one frame whose keyboard shows them all held; up
            // in the reverse order, as fingers leave a chord, in the next frame, whose
            // keyboard shows them all up. Each key event is told before what the vessel did
            // with it.
            std::vector<int> held;
            for (int key : a.keys) {
                const std::string name = focusName();
                std::vector<int> chord;
                for (int k : a.keys)
                    if (k != key)
                        chord.push_back(k);
                const bool consumed = w.keyEvent(key, true, chord);
                printer_->flushKey(keyText(key, held, true, consumed, name));
                held.push_back(key);
            }
            while (!held.empty()) {
                const int key = held.back();
                held.pop_back();
                const std::string name = focusName();
                const bool consumed = w.keyEvent(key, false);
                printer_->flushKey(keyText(key, held, false, consumed, name));
            }
            break;
        }
        case ActionKind::Thrust:
            if (focusRecord == nullptr) {
                return badAction(a, "no vessel has the focus" + at());
            }
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
