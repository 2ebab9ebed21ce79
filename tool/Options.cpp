#include "Options.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "SvgPage.h"
#include "Words.h"

namespace vemosim {

namespace {

constexpr double kMaxSteps = 1e7;  // a run longer than this is surely a typo
// Longest step, s: longer ones are surely typos too, and a step without a bound could move a
// vessel beyond the numbers a saved scenario can hold.
constexpr double kMaxStep = 3600.0;

}  // namespace

const char kHelp[] =
    "usage: vemosim [options] SCENARIO\n"
    "       vemosim --check [--root DIR] SCENARIO\n"
    "\n"
    "Runs SCENARIO (a scenario file in the host's text format) on the headless host: loads\n"
    "its vessels (a class is its class config file ROOT/config/vessels/CLASS.cfg, whose\n"
    "Module item names the vessel module ROOT/modules/MODULE.dll), advances the simulation\n"
    "in fixed steps, applies the timeline's actions at their times, prints what happened\n"
    "and saves the scenario as it stands at the end.\n"
    "\n"
    "options:\n"
    "  --root DIR       runtime root with modules/, config/ and meshes/; the run takes place\n"
    "                   in it, as modules open their files relative to it\n"
    "                   (default: the root the build laid out)\n"
    "  --timeline FILE  actions to apply during the run (see below; default: none)\n"
    "  --until T        run until simulation time T, in seconds (default: 10)\n"
    "  --step DT        fixed step length in seconds, at most 3600 (default: 0.05)\n"
    "  --seed N         seed of the host's random numbers, 0 or more (default: 1)\n"
    "  --out FILE       save the scenario to FILE at the end (default: no file is written);\n"
    "                   the description and environment of SCENARIO go with it\n"
    "  --plot FILE      draw the run as a picture in FILE, SVG, or PNG when FILE ends in\n"
    "                   .png (rendered by rsvg-convert): every vessel's path in one\n"
    "                   vessel's frame, the crew airlock boxes, numbered markers at EVA,\n"
    "                   crew ready to return and taken aboard, transfer, deployment and\n"
    "                   engines lit and out; below it the tanks and the crew over time\n"
    "  --plot-frame V   with --plot, the vessel whose frame the paths are drawn in\n"
    "                   (default: the first vessel with a crew airlock, else the first)\n"
    "  --verbose        tell the same story, and after each line the host's events it\n"
    "                   came from, item by item (each mesh mode, thruster group and\n"
    "                   attachment update)\n"
    "  --quiet          print nothing but errors\n"
    "  --check          do not run: load SCENARIO's vessels and say, for every crew line,\n"
    "                   what its vessel makes of it (taken aboard as written, changed and\n"
    "                   how, kept aside or refused and why), and every line the host does\n"
    "                   not understand, and the sections and lines it keeps as read.\n"
    "                   Exit status 0 when every crew line is taken as written, 1 when\n"
    "                   one changes or is refused, 2 when the file is malformed\n"
    "  --help           print this text\n"
    "Options take their value as the next argument or after '=' (--until=20).\n"
    "Relative paths (SCENARIO, --timeline, --out, --plot, and files saved by the timeline) are\n"
    "taken from the folder vemosim was started in. Output files (--out, --plot, a timeline's\n"
    "save) go only to a regular file or a new path: a symbolic link, pipe, device node or\n"
    "folder there is refused before the run.\n"
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
    "      set VESSEL's velocity relative to the reference body, m/s (each at most the\n"
    "      speed of light either way)\n"
    "  TIME position VESSEL X Y Z\n"
    "      set VESSEL's position relative to the reference body, m (each at most 1e15\n"
    "      either way, as for place)\n"
    "  TIME place VESSEL at OTHER X Y Z\n"
    "      put VESSEL at the point (X, Y, Z) of OTHER's own frame, m, moving with OTHER\n"
    "      (how a crew member walks back into an airlock)\n"
    "      These three take a landed VESSEL off the ground; it lands again where it\n"
    "      reaches the ground.\n"
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
    "and the ground as the host tells it:\n"
    "  surface  a vessel landing (a crash above 2 m/s) or lifting off, where it stands\n"
    "A thruster group level that differs from the pilot's command names the command. After\n"
    "the end line, every vessel: position and velocity relative to the reference body, or\n"
    "where it stands when landed, its tanks, and its crew as a saved scenario holds it. The\n"
    "same scenario, timeline, options and seed give the same output and the same saved\n"
    "scenario, byte for byte.\n"
    "\n"
    "Exit status: 0 done; 1 the run failed: a vessel module used the handle of a vessel\n"
    "that was destroyed (in the simulator, a crash; the run stops there), or a scenario or\n"
    "the picture could not be written; 2 bad input (an option, a missing file, a malformed\n"
    "line, an unknown class, an action that cannot be carried out). With --check: 0, 1 or 2\n"
    "as said above. Errors go to standard error as one line naming the file and line, or the\n"
    "time; files are written whole or not at all.\n";

void printError(const std::string &message) {
    // Messages quote files and names as they are: a control byte in them must not reach the
    // terminal.
    std::fprintf(stderr, "vemosim: %s\n", printable(message).c_str());
}

namespace {

// Sets the option `name` (one that takes a value) to `value`; false with a message when the
// value does not do for it.
bool setValue(Options &o, const std::string &name, const std::string &value) {
    if (name == "--root" || name == "--timeline" || name == "--out" || name == "--plot" ||
        name == "--plot-frame") {
        if (value.empty()) {
            printError("option " + name + " needs a value");
            return false;
        }
        (name == "--root"       ? o.root
         : name == "--timeline" ? o.timeline
         : name == "--out"      ? o.out
         : name == "--plot"     ? o.plot
                                : o.plotFrame) = value;
    } else if (name == "--until") {
        if (!parseNumber(value, o.until) || o.until < 0.0) {
            printError("--until needs a time in seconds, 0 or more, not '" + value + "'");
            return false;
        }
    } else if (name == "--step") {
        if (!parseNumber(value, o.step) || o.step <= 0.0 || o.step > kMaxStep) {
            printError("--step needs a step length in seconds above 0 and at most 3600, not '" +
                       value + "'");
            return false;
        }
    } else {
        const char *last = value.c_str() + value.size();
        const auto [end, ec] = std::from_chars(value.c_str(), last, o.seed);
        if (value.empty() || ec != std::errc() || end != last) {
            printError("--seed needs a whole number, 0 or more, not '" + value + "'");
            return false;
        }
    }
    return true;
}

// What the options ask for together: one scenario, and nothing that contradicts another.
bool checkTogether(Options &o, const std::vector<std::string> &positional) {
    if (o.help) {
        return true;
    }
    if (positional.size() != 1) {
        printError(positional.empty()
                       ? "no scenario file given (see vemosim --help)"
                       : "more than one scenario file given: '" + positional[1] + "'");
        return false;
    }
    o.scenario = positional[0];
    if (o.check && (!o.timeline.empty() || !o.out.empty() || !o.plot.empty())) {
        printError("--check reads the scenario without running it: no --timeline, --out or --plot");
        return false;
    }
    if (wantsPng(o.plot) && !pngRendererFound()) {
        printError("--plot " + o.plot +
                   ": a PNG picture is rendered from the SVG by rsvg-convert (Debian: "
                   "librsvg2-bin), which is not on PATH; install it, or give --plot a .svg file");
        return false;
    }
    if (!o.plotFrame.empty() && o.plot.empty()) {
        printError("--plot-frame names the frame of a picture: give --plot FILE with it");
        return false;
    }
    if (o.until / o.step > kMaxSteps) {
        printError("--until / --step asks for more than 10000000 steps");
        return false;
    }
    return true;
}

}  // namespace

bool parseOptions(int argc, char **argv, Options &o) {
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
            printError("unknown option '" + name + "' (see vemosim --help)");
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                printError("option " + name + " needs a value");
                return false;
            }
            value = argv[++i];
        }
        if (!setValue(o, name, value)) {
            return false;
        }
    }
    return checkTogether(o, positional);
}

}  // namespace vemosim
