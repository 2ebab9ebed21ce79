#include "Run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "MeshFile.h"
#include "OutputPaths.h"
#include "RunPicture.h"
#include "ScenarioCheck.h"
#include "ScenarioText.h"
#include "SvgPage.h"
#include "Words.h"

namespace vemosim {

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

}  // namespace vemosim
