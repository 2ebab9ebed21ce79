// vemosim: runs a scenario on the headless host, with a timeline of actions, prints what
// happened and saves the scenario as it stands at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "RunPlot.h"
#include "ScenarioCheck.h"
#include "ScenarioText.h"
#include "Timeline.h"
#include "TimelinePrinter.h"
#include "World.h"

namespace {

#ifndef VEMO_DEFAULT_ROOT
#define VEMO_DEFAULT_ROOT "."
#endif

constexpr double kDefaultUntil = 10.0;  // s of simulation time
constexpr double kDefaultStep = 0.05;   // s per step
constexpr double kMaxSteps = 1e7;       // a run longer than this is surely a typo
// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;    // the run went wrong: a scenario could not be written
constexpr int kExitBadInput = 2;  // bad option, file, line or action; nothing was written

const char kHelp[] =
    "usage: vemosim [options] SCENARIO\n"
    "       vemosim --check [--root DIR] SCENARIO\n"
    "\n"
    "Runs SCENARIO (a scenario file in the host's text format) on the headless host: loads\n"
    "its vessels (classes not built in come from ROOT/modules/CLASS.dll), advances the\n"
    "simulation in fixed steps, applies the timeline's actions at their times, prints what\n"
    "happened and saves the scenario as it stands at the end.\n"
    "\n"
    "options:\n"
    "  --root DIR       runtime root with modules/, config/ and meshes/; the run takes place\n"
    "                   in it, as modules open their files relative to it\n"
    "                   (default: the root the build laid out)\n"
    "  --timeline FILE  actions to apply during the run (see below; default: none)\n"
    "  --until T        run until simulation time T, in seconds (default: 10)\n"
    "  --step DT        fixed step length in seconds (default: 0.05)\n"
    "  --seed N         seed of the host's random numbers, 0 or more (default: 1)\n"
    "  --out FILE       save the scenario to FILE at the end (default: no file is written);\n"
    "                   the description and environment of SCENARIO go with it\n"
    "  --plot FILE      draw the run as an SVG picture in FILE: every vessel's path in one\n"
    "                   vessel's frame, the crew airlock boxes, numbered markers at EVA,\n"
    "                   crew ready to return and taken aboard, transfer, deployment and\n"
    "                   engines lit and out; below it the tanks and the crew over time\n"
    "  --plot-frame V   the vessel whose frame the paths are drawn in (default: the first\n"
    "                   vessel with a crew airlock, else the first vessel)\n"
    "  --verbose        print every event of the host as it is logged, item by item\n"
    "                   (each mesh mode, thruster group and attachment update)\n"
    "  --quiet          print nothing but errors\n"
    "  --check          do not run: load SCENARIO's vessels and say, for every crew line,\n"
    "                   what its vessel makes of it (taken aboard as written, changed and\n"
    "                   how, kept aside or refused and why), and every line the host does\n"
    "                   not understand. Exit status 0 when all is taken as written, 1 when\n"
    "                   something changes or is refused, 2 when the file is malformed\n"
    "  --help           print this text\n"
    "Options take their value as the next argument or after '=' (--until=20).\n"
    "Relative paths (SCENARIO, --timeline, --out, --plot, and files saved by the timeline) are\n"
    "taken from the folder vemosim was started in.\n"
    "\n"
    "Timeline: one action per line, TIME ACTION ARGUMENTS, separated by blanks. '#' starts\n"
    "a comment. TIME is in simulation seconds and never decreases from line to line.\n"
    "  TIME key KEYS\n"
    "      press and release keys on the focus vessel. KEYS is a key name (K, E, SPACE,\n"
    "      LSHIFT, F1, NUMPAD0, ...; any case) or a code in hex (0x25), or several joined\n"
    "      by '+' (LSHIFT+K): they go down in that order, each with the ones before it\n"
    "      held, and come up in the reverse order\n"
    "  TIME thrust GROUP LEVEL\n"
    "      set the focus vessel's thruster group to LEVEL (0..1) from the next step on,\n"
    "      as a pilot would. GROUP: main retro hover pitchup pitchdown yawleft yawright\n"
    "      bankleft bankright right left up down forward back user\n"
    "  TIME velocity VESSEL VX VY VZ\n"
    "      set VESSEL's velocity relative to the reference body, m/s\n"
    "  TIME position VESSEL X Y Z\n"
    "      set VESSEL's position relative to the reference body, m\n"
    "  TIME place VESSEL at OTHER X Y Z\n"
    "      put VESSEL at the point (X, Y, Z) of OTHER's own frame, m, moving with OTHER\n"
    "      (how a crew member walks back into an airlock)\n"
    "  TIME dock VESSEL PORT OTHER PORT\n"
    "      dock OTHER's port to VESSEL's port; OTHER is moved to meet it\n"
    "  TIME undock VESSEL PORT\n"
    "      release whatever is docked at VESSEL's port\n"
    "  TIME focus VESSEL\n"
    "      give the keyboard to VESSEL\n"
    "  TIME save FILE\n"
    "      save the scenario as it stands to FILE\n"
    "An action takes place at the end of the first step that reaches its time (actions at\n"
    "time 0 before the first step); actions timed after --until are not run. An action that\n"
    "cannot be carried out (no such vessel, no focus vessel, a port that is missing or\n"
    "taken) stops the run as bad input.\n"
    "\n"
    "Output: one line per event, in order: the simulation time in seconds, the vessel ('-'\n"
    "for the world), the kind of event and what happened. Timeline actions appear as kind\n"
    "'timeline' with their file and line; the key events they cause follow them, saying\n"
    "whether the focus vessel (the one the keys go to) took each key; a release it\n"
    "ignored is left out. What a vessel's class sets up when the vessel is made is one\n"
    "'created' line (meshes, animations, tanks, thrusters, docking ports, attachment\n"
    "points) and one 'mesh' line naming its meshes and how they are shown. Crew\n"
    "conventions are read as what they say:\n"
    "  airlock  a crew-capable vessel's airlock: door, box in its own frame, free seats;\n"
    "           printed when it changes\n"
    "  crew     who is aboard a vessel the scenario brings, and a crew member outside\n"
    "           that is ready to return (age, pulse, weight) through an airlock\n"
    "A thruster group level that differs from the pilot's command names the command. After\n"
    "the end line, every vessel: position and velocity relative to the reference body, its\n"
    "tanks, and its crew as a saved scenario holds it. The same scenario, timeline, options\n"
    "and seed give the same output and the same saved scenario, byte for byte.\n"
    "\n"
    "Exit status: 0 done; 1 the run failed (a scenario could not be saved); 2 bad input (an\n"
    "option, a missing file, a malformed line, an unknown class, an action that cannot be\n"
    "carried out). Errors go to standard error as one line naming the file and line;\n"
    "files are written whole or not at all.\n";

struct Options {
    std::string scenario;  // as given
    std::string root = VEMO_DEFAULT_ROOT;
    std::string timeline;  // as given; empty for none
    std::string out;       // as given; empty for none
    std::string plot;      // as given; empty for none
    std::string plotFrame; // empty: the first crew-capable vessel
    double until = kDefaultUntil;
    double step = kDefaultStep;
    std::uint64_t seed = 1;
    bool quiet = false;
    bool verbose = false;
    bool check = false;
    bool help = false;
};

void Error(const std::string &message) {
    std::fprintf(stderr, "vemosim: %s\n", message.c_str());
}

bool ParseDouble(const std::string &text, double &value) {
    const char *first = text.c_str();
    const char *last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (first == last || ec != std::errc() || end != last || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

// Returns false after printing the reason.
bool ParseOptions(int argc, char **argv, Options &o) {
    std::vector<std::string> positional;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--quiet" || arg == "-q") {
            o.quiet = true;
            continue;
        }
        if (arg == "--verbose" || arg == "-v") {
            o.verbose = true;
            continue;
        }
        if (arg == "--check") {
            o.check = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        const bool known = name == "--root" || name == "--timeline" || name == "--until" ||
                           name == "--step" || name == "--seed" || name == "--out" ||
                           name == "--plot" || name == "--plot-frame";
        if (!known) {
            Error("unknown option '" + name + "' (see vemosim --help)");
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                Error("option " + name + " needs a value");
                return false;
            }
            value = argv[++i];
        }
        if (name == "--root" || name == "--timeline" || name == "--out" || name == "--plot" ||
            name == "--plot-frame") {
            if (value.empty()) {
                Error("option " + name + " needs a value");
                return false;
            }
            (name == "--root"       ? o.root
             : name == "--timeline" ? o.timeline
             : name == "--out"      ? o.out
             : name == "--plot"     ? o.plot
                                    : o.plotFrame) = value;
        } else if (name == "--until") {
            if (!ParseDouble(value, o.until) || o.until < 0.0) {
                Error("--until needs a time in seconds, 0 or more, not '" + value + "'");
                return false;
            }
        } else if (name == "--step") {
            if (!ParseDouble(value, o.step) || o.step <= 0.0) {
                Error("--step needs a step length in seconds above 0, not '" + value + "'");
                return false;
            }
        } else {
            const char *last = value.c_str() + value.size();
            const auto [end, ec] = std::from_chars(value.c_str(), last, o.seed);
            if (value.empty() || ec != std::errc() || end != last) {
                Error("--seed needs a whole number, 0 or more, not '" + value + "'");
                return false;
            }
        }
    }
    if (o.help) {
        return true;
    }
    if (positional.size() != 1) {
        Error(positional.empty() ? "no scenario file given (see vemosim --help)"
                                 : "more than one scenario file given: '" + positional[1] + "'");
        return false;
    }
    o.scenario = positional[0];
    if (o.check && (!o.timeline.empty() || !o.out.empty() || !o.plot.empty())) {
        Error("--check reads the scenario without running it: no --timeline, --out or --plot");
        return false;
    }
    if (o.until / o.step > kMaxSteps) {
        Error("--until / --step asks for more than 10000000 steps");
        return false;
    }
    return true;
}

// The path as seen from the folder we started in; we change folder before the run.
std::string FromStart(const std::string &start, const std::string &path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return start + "/" + path;
}

// A file can be written at path: its folder exists and path is not itself a folder. Checked
// before the run rather than found out after a long one.
bool WritableFilePath(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class Run {
public:
    Run(const Options &o, const std::string &start) : o_(o), start_(start) {}

    int Main() {
        sim::InputError e;
        if (!sim::ReadScenarioFile(FromStart(start_, o_.scenario), scenario_, e)) {
            e.file = o_.scenario;
            Error(e.Text());
            return kExitBadInput;
        }
        if (!o_.timeline.empty() &&
            !sim::ReadTimelineFile(FromStart(start_, o_.timeline), timeline_, e)) {
            e.file = o_.timeline;
            Error(e.Text());
            return kExitBadInput;
        }
        for (const sim::TimelineAction &a : timeline_.actions) {
            if (a.kind == sim::ActionKind::Save && !WritableFilePath(FromStart(start_, a.file))) {
                return BadAction(a, "cannot save to '" + a.file + "': no such folder, or a folder");
            }
        }
        if (!o_.out.empty() && !WritableFilePath(FromStart(start_, o_.out))) {
            Error("--out " + o_.out + ": no such folder, or a folder");
            return kExitBadInput;
        }
        if (!o_.plot.empty() && !WritableFilePath(FromStart(start_, o_.plot))) {
            Error("--plot " + o_.plot + ": no such folder, or a folder");
            return kExitBadInput;
        }
        const std::string root = FromStart(start_, o_.root);
        if (chdir(root.c_str()) != 0) {
            Error("--root " + o_.root + ": cannot enter: " + std::strerror(errno));
            return kExitBadInput;
        }

        sim::WorldOptions wo;
        wo.root = root;
        wo.seed = o_.seed;
        wo.step = o_.step;
        sim::World world(wo);
        world_ = &world;
        sim::TimelinePrinter printer(world, stdout, {o_.quiet, o_.verbose});
        printer_ = &printer;

        // Every class is found before anything is made, so an unknown one is reported at
        // its own block.
        for (const sim::ShipBlock &ship : scenario_.scenario.ships) {
            std::string why;
            if (world.findClass(ship.className, &why) == nullptr) {
                e = {o_.scenario, ship.firstLine, why};
                Error(e.Text());
                return kExitBadInput;
            }
        }
        std::string why;
        printer.SetLoadedShips(scenario_.scenario.ships);
        if (!world.load(scenario_.scenario, &why)) {
            Error(o_.scenario + ": " + why);
            return kExitBadInput;
        }
        Flush();
        tool::RunRecorder recorder;
        if (!o_.plot.empty()) {
            recorder_ = &recorder;
            if (!recorder.Begin(world, scenario_.scenario.ships, o_.plotFrame,
                                static_cast<std::uint64_t>(o_.until / o_.step) + 1, why)) {
                Error(why);
                return kExitBadInput;
            }
        }

        const double slack = o_.step * 1e-9;
        std::size_t next = 0;
        const std::vector<sim::TimelineAction> &actions = timeline_.actions;
        while (true) {
            while (next < actions.size() && actions[next].time <= world.time() + slack) {
                const int rc = Apply(actions[next++]);
                if (rc != kExitOk) {
                    return rc;
                }
                Sample();
            }
            if (world.time() + slack >= o_.until) {
                break;
            }
            world.step(1);
            Flush();
            Sample();
        }

        if (!o_.out.empty()) {
            const int rc = Save(FromStart(start_, o_.out), o_.out);
            if (rc != kExitOk) {
                return rc;
            }
        }
        if (!o_.plot.empty()) {
            const std::string svg = tool::PlotSvg(recorder.Finish(world), o_.scenario);
            if (!sim::WriteFileAtomically(FromStart(start_, o_.plot), svg, why)) {
                Flush();
                Error(o_.plot + ": " + why);
                return kExitFailed;
            }
        }
        Flush();
        if (!o_.quiet) {
            std::printf("end at %.3f s after %llu steps", world.time(),
                        static_cast<unsigned long long>(world.stepCount()));
            if (next < actions.size()) {
                std::printf("; %zu timeline action(s) after the end not run",
                            actions.size() - next);
            }
            if (!o_.out.empty()) {
                std::printf("; scenario saved to %s", sim::Printable(o_.out).c_str());
            }
            if (!o_.plot.empty()) {
                std::printf("; run drawn in %s", sim::Printable(o_.plot).c_str());
            }
            std::printf("\n");
            // The crew lines come from the vessels' own saving; without --out the world
            // saves once more for them, and that save is not an event of the run.
            printer.Summary(o_.out.empty() ? world.save() : lastSaved_);
        }
        return kExitOk;
    }

private:
    void Flush() {
        if (printer_ != nullptr) {
            printer_->Flush();
        }
    }

    void Sample() {
        if (recorder_ != nullptr) {
            recorder_->Sample(*world_);
        }
    }

    // "K pressed: Pod takes it"; an ignored release says nothing worth a line.
    static std::string KeyText(int key, const std::vector<int> &held, bool down, bool consumed,
                               const std::string &vessel) {
        if (!down && !consumed) {
            return std::string();
        }
        std::string text = sim::KeyName(key) + (down ? " pressed" : " released");
        if (!held.empty()) {
            std::string with;
            for (int k : held) {
                with += (with.empty() ? "" : "+") + sim::KeyName(k);
            }
            text += " with " + with + " held";
        }
        return text + ": " + vessel + (consumed ? " takes it" : " ignores it");
    }

    // "placed at (0, 0, 1.5) m in Pod's frame, inside its airlock box".
    std::string PlaceText(const sim::TimelineAction &a, OBJHANDLE other) const {
        char at[160];
        std::snprintf(at, sizeof at, "placed at (%g, %g, %g) m in %s's frame", a.vec[0], a.vec[1],
                      a.vec[2], a.other.c_str());
        std::string text = at;
        const sim::VesselRecord *o = world_->liveRecord(other);
        const sim::Attachment *airlock = o != nullptr ? sim::FindAirlock(*o) : nullptr;
        if (airlock != nullptr) {
            const bool inside =
                sim::AirlockView::From(*airlock).Contains(sim::vec(a.vec[0], a.vec[1], a.vec[2]));
            text += inside ? ", inside its airlock box" : ", outside its airlock box";
        }
        return text;
    }

    int BadAction(const sim::TimelineAction &a, const std::string &why) {
        Flush();
        Error(sim::InputError{o_.timeline, a.line, why}.Text());
        return kExitBadInput;
    }

    OBJHANDLE Find(const std::string &name) const { return world_->find(name); }

    std::string FocusName() const {
        const sim::VesselRecord *f = world_->liveRecord(world_->focus());
        return f != nullptr ? f->name : std::string("-");
    }

    std::string At() const {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, " at %.3f s", world_->time());
        return buffer;
    }

    int Apply(const sim::TimelineAction &a) {
        sim::World &w = *world_;
        Flush();
        const OBJHANDLE focus = w.focus();
        const sim::VesselRecord *focusRecord = w.liveRecord(focus);
        std::string subject = a.vessel;
        if (a.kind == sim::ActionKind::Key || a.kind == sim::ActionKind::Thrust) {
            subject = focusRecord != nullptr ? focusRecord->name : std::string();
        }
        printer_->Line(
            w.time(), subject, sim::story::Timeline,
            sim::DescribeAction(a) + " (" + o_.timeline + ":" + std::to_string(a.line) + ")");

        const OBJHANDLE v = a.vessel.empty() ? nullptr : Find(a.vessel);
        if (!a.vessel.empty() && v == nullptr) {
            return BadAction(a, "no vessel named '" + a.vessel + "'" + At());
        }
        const OBJHANDLE other = a.other.empty() ? nullptr : Find(a.other);
        if (!a.other.empty() && other == nullptr) {
            return BadAction(a, "no vessel named '" + a.other + "'" + At());
        }
        switch (a.kind) {
            case sim::ActionKind::Key: {
                if (focusRecord == nullptr) {
                    return BadAction(a, "no vessel has the focus" + At());
                }
                // Down in the order written, each with the ones before it still held; up in
                // the reverse order, as fingers leave a chord.
                // Each key event is told before what the vessel did with it.
                std::vector<int> held;
                for (int key : a.keys) {
                    const std::string name = FocusName();
                    const bool consumed = w.keyEvent(key, true, held);
                    printer_->FlushKey(KeyText(key, held, true, consumed, name));
                    held.push_back(key);
                }
                while (!held.empty()) {
                    const int key = held.back();
                    held.pop_back();
                    const std::string name = FocusName();
                    const bool consumed = w.keyEvent(key, false, held);
                    printer_->FlushKey(KeyText(key, held, false, consumed, name));
                }
                break;
            }
            case sim::ActionKind::Thrust:
                if (focusRecord == nullptr) {
                    return BadAction(a, "no vessel has the focus" + At());
                }
                w.commandGroupLevel(focus, a.group, a.level);
                printer_->NotePilotCommand(focusRecord->name, a.group, a.level);
                break;
            case sim::ActionKind::Velocity:
                w.setVelocity(v, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
                break;
            case sim::ActionKind::Position:
                w.setPosition(v, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
                break;
            case sim::ActionKind::Place:
                w.placeNear(v, other, sim::vec(a.vec[0], a.vec[1], a.vec[2]));
                printer_->FlushReplacing(sim::ev::Moved, PlaceText(a, other));
                break;
            case sim::ActionKind::Dock:
                if (!w.dock(v, static_cast<UINT>(a.port), other, static_cast<UINT>(a.otherPort))) {
                    return BadAction(a, "cannot dock: " + a.vessel + " port " +
                                            std::to_string(a.port) + " or " + a.other + " port " +
                                            std::to_string(a.otherPort) + " is missing or taken" +
                                            At());
                }
                break;
            case sim::ActionKind::Undock:
                if (!w.undock(v, static_cast<UINT>(a.port))) {
                    return BadAction(a, "cannot undock: nothing is docked at " + a.vessel +
                                            " port " + std::to_string(a.port) + At());
                }
                break;
            case sim::ActionKind::Focus:
                w.setFocus(v);
                break;
            case sim::ActionKind::Save: {
                const int rc = Save(FromStart(start_, a.file), a.file);
                if (rc != kExitOk) {
                    return rc;
                }
                break;
            }
        }
        Flush();
        return kExitOk;
    }

    int Save(const std::string &path, const std::string &shown) {
        // The world keeps the description it loaded; the environment section is ours to carry.
        printer_->NoteSaveTarget(shown);
        const sim::ScenarioFile saved = world_->save();
        lastSaved_ = saved;
        std::string text;
        std::string why;
        if (!sim::FormatScenarioText(saved, scenario_.environment, scenario_.hasEnvironment, text,
                                     why)) {
            Flush();
            Error(shown + ": cannot save the scenario: " + why);
            return kExitFailed;
        }
        if (!sim::WriteFileAtomically(path, text, why)) {
            Flush();
            Error(shown + ": " + why);
            return kExitFailed;
        }
        return kExitOk;
    }

    const Options &o_;
    const std::string start_;
    sim::ParsedScenario scenario_;
    sim::Timeline timeline_;
    sim::World *world_ = nullptr;
    sim::TimelinePrinter *printer_ = nullptr;
    tool::RunRecorder *recorder_ = nullptr;  // when the run is drawn
    sim::ScenarioFile lastSaved_;  // the scenario as last saved
};

}  // namespace

int main(int argc, char **argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return kExitBadInput;
    }
    if (options.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) {
        Error(std::string("cannot tell the current folder: ") + std::strerror(errno));
        return kExitBadInput;
    }
    if (options.check) {
        return tool::RunScenarioCheck(FromStart(cwd.data(), options.scenario), options.scenario,
                                      FromStart(cwd.data(), options.root), stdout, stderr);
    }
    Run run(options, cwd.data());
    const int rc = run.Main();
    std::fflush(stdout);
    return rc;
}
