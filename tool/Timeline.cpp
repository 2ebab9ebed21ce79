#include "Timeline.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "Keys.h"
#include "Math3.h"
#include "Text.h"
#include "Words.h"

namespace vemosim {

namespace {

const char *const kGroupNames[] = {
    "main",      "retro", "hover", "pitchup", "pitchdown", "yawleft", "yawright", "bankleft",
    "bankright", "right", "left",  "up",      "down",      "forward", "back",
};
constexpr int kNamedGroups = static_cast<int>(sizeof kGroupNames / sizeof kGroupNames[0]);

bool parseInt(std::string_view token, int &value) {
    if (token.empty()) {
        return false;
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc() || end != token.data() + token.size()) {
        return false;
    }
    value = v;
    return true;
}

// Words are separated by blanks and tabs, and by carriage returns: an editor may leave one
// before a blank at the end of a line, and kept in a word it would end up in a file name.
constexpr const char *kWordSeparators = " \t\r";

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(kWordSeparators, pos);
        if (pos == std::string_view::npos || line[pos] == '#') {
            break;
        }
        std::size_t end = line.find_first_of(kWordSeparators, pos);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        words.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

class LineParser {
public:
    LineParser(const std::vector<std::string_view> &tokens, TimelineAction &action,
               std::string &error)
        : t_(tokens), a_(action), error_(error) {}

    bool run() {
        if (!parseNumber(t_[0], a_.time) || a_.time < 0.0) {
            return fail("expected a time in seconds (a number, 0 or more), got '" +
                        std::string(t_[0]) + "'");
        }
        if (t_.size() < 2) {
            return fail("expected an action after the time");
        }
        const std::string_view verb = t_[1];
        if (verb == "key") {
            return key();
        }
        if (verb == "thrust") {
            return thrust();
        }
        if (verb == "velocity" || verb == "position") {
            a_.kind = verb == "velocity" ? ActionKind::Velocity : ActionKind::Position;
            return count(6, std::string(verb) + " VESSEL X Y Z") && vessel(2, a_.vessel) &&
                   vector(3);
        }
        if (verb == "place") {
            a_.kind = ActionKind::Place;
            if (!count(8, "place VESSEL at OTHER X Y Z")) {
                return false;
            }
            if (t_[3] != "at") {
                return fail("expected 'at' after the vessel name: place VESSEL at OTHER X Y Z");
            }
            return vessel(2, a_.vessel) && vessel(4, a_.other) && vector(5) &&
                   twoVessels("a vessel cannot be placed relative to itself");
        }
        if (verb == "dock") {
            a_.kind = ActionKind::Dock;
            return count(6, "dock VESSEL PORT OTHER PORT") && vessel(2, a_.vessel) &&
                   port(3, a_.port) && vessel(4, a_.other) && port(5, a_.otherPort) &&
                   twoVessels("a vessel cannot dock with itself");
        }
        if (verb == "undock") {
            a_.kind = ActionKind::Undock;
            return count(4, "undock VESSEL PORT") && vessel(2, a_.vessel) && port(3, a_.port);
        }
        if (verb == "focus") {
            a_.kind = ActionKind::Focus;
            return count(3, "focus VESSEL") && vessel(2, a_.vessel);
        }
        if (verb == "save") {
            return save();
        }
        return fail("unknown action '" + std::string(verb) +
                    "' (known: key, thrust, velocity, position, place, dock, undock, focus, "
                    "save)");
    }

private:
    // save FILE: a file name, without control characters.
    bool save() {
        a_.kind = ActionKind::Save;
        if (!count(3, "save FILE")) {
            return false;
        }
        a_.file = std::string(t_[2]);
        if (a_.file.back() == '/') {
            return fail("save needs a file name, not a folder: '" + a_.file + "'");
        }
        for (const char c : a_.file) {
            const unsigned char u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7f) {
                return fail("save needs a file name without control characters: '" +
                            printable(a_.file) + "'");
            }
        }
        return true;
    }

    bool fail(const std::string &message) {
        error_ = message;
        return false;
    }

    bool count(std::size_t n, const std::string &usage) {
        if (t_.size() != n) {
            return fail("expected: TIME " + usage);
        }
        return true;
    }

    bool vessel(std::size_t i, std::string &name) {
        if (!sim::isValidVesselName(t_[i])) {
            return fail("invalid vessel name '" + std::string(t_[i]) + "'");
        }
        name = std::string(t_[i]);
        return true;
    }

    // The action's vessel and its other vessel are two different ones.
    bool twoVessels(const char *why) { return a_.vessel != a_.other || fail(why); }

    // Three numbers, each within `limit` either way: a state beyond it would overflow as the
    // vessel moves, and a saved scenario would hold numbers that do not load back.
    bool vector(std::size_t first) {
        const bool velocity = a_.kind == ActionKind::Velocity;
        const double limit = velocity ? sim::kMaxSpeed : sim::kMaxDistance;
        for (std::size_t k = 0; k < 3; ++k) {
            if (!parseNumber(t_[first + k], a_.vec[k])) {
                return fail("expected a number, got '" + std::string(t_[first + k]) + "'");
            }
            if (std::fabs(a_.vec[k]) > limit) {
                return fail(std::string(velocity ? "a velocity" : "a distance") + " of at most " +
                            sim::numberText(limit) + (velocity ? " m/s" : " m") +
                            " either way, got '" + std::string(t_[first + k]) + "'");
            }
        }
        return true;
    }

    bool port(std::size_t i, int &port) {
        if (!parseInt(t_[i], port) || port < 0 || port > kMaxDockPort) {
            return fail("expected a docking port number 0.." + std::to_string(kMaxDockPort) +
                        ", got '" + std::string(t_[i]) + "'");
        }
        return true;
    }

    bool key() {
        a_.kind = ActionKind::Key;
        if (!count(3, "key KEY or TIME key KEY+KEY...")) {
            return false;
        }
        std::string_view chord = t_[2];
        while (true) {
            const std::size_t plus = chord.find('+');
            const std::string_view name = chord.substr(0, plus);
            const int code = sim::keyFromName(name);
            if (code < 0) {
                return fail("unknown key '" + std::string(name) + "'");
            }
            for (int held : a_.keys) {
                if (held == code) {
                    return fail("key '" + std::string(name) + "' named twice");
                }
            }
            if (a_.keys.size() == kMaxChordKeys) {
                return fail("more than " + std::to_string(kMaxChordKeys) + " keys at once");
            }
            a_.keys.push_back(code);
            if (plus == std::string_view::npos) {
                return true;
            }
            chord.remove_prefix(plus + 1);
        }
    }

    bool thrust() {
        a_.kind = ActionKind::Thrust;
        if (!count(4, "thrust GROUP LEVEL")) {
            return false;
        }
        if (!thrusterGroupFromName(t_[2], a_.group)) {
            return fail("unknown thruster group '" + std::string(t_[2]) +
                        "' (known: main, retro, hover, pitchup, pitchdown, yawleft, yawright, "
                        "bankleft, bankright, right, left, up, down, forward, back, user)");
        }
        if (!parseNumber(t_[3], a_.level) || a_.level < 0.0 || a_.level > 1.0) {
            return fail("expected a thrust level from 0 to 1, got '" + std::string(t_[3]) + "'");
        }
        return true;
    }

    const std::vector<std::string_view> &t_;
    TimelineAction &a_;
    std::string &error_;
};

}  // namespace

bool parseTimelineText(std::string_view text, const std::string &fileName, Timeline &out,
                       sim::InputError &error) {
    Timeline result;
    result.fileName = fileName;
    auto fail = [&](int line, const std::string &message) {
        error.file = fileName;
        error.line = line;
        error.message = message;
        return false;
    };
    // Carriage returns before a line end go with it, as in scenario files; kept, they would
    // end up in a saved file's name.
    sim::LineReader reader(text);
    std::string_view line;
    while (reader.next(line)) {
        const int number = reader.number();
        const std::string fault = sim::lineFault(line, kMaxTimelineLineLength);
        if (!fault.empty()) {
            return fail(number, fault);
        }
        const std::vector<std::string_view> tokens = splitWords(line);
        if (tokens.empty()) {
            continue;
        }
        TimelineAction action;
        action.line = number;
        std::string why;
        LineParser parser(tokens, action, why);
        if (!parser.run()) {
            return fail(number, why);
        }
        if (!result.actions.empty() && action.time < result.actions.back().time) {
            return fail(number, "time " + sim::numberText(action.time) + " comes before " +
                                    sim::numberText(result.actions.back().time) + " on line " +
                                    std::to_string(result.actions.back().line) +
                                    " (times must not decrease)");
        }
        result.actions.push_back(std::move(action));
    }
    out = std::move(result);
    return true;
}

bool readTimelineFile(const std::string &path, Timeline &out, sim::InputError &error) {
    std::string content;
    if (!sim::readWholeFile(path, content, error)) {
        return false;
    }
    return parseTimelineText(content, path, out, error);
}

bool thrusterGroupFromName(std::string_view name, THGROUP_TYPE &group) {
    for (int i = 0; i < kNamedGroups; ++i) {
        if (sim::equalNoCase(name, kGroupNames[i])) {
            group = static_cast<THGROUP_TYPE>(i);
            return true;
        }
    }
    if (sim::equalNoCase(name, "user")) {
        group = THGROUP_USER;
        return true;
    }
    return false;
}

const char *thrusterGroupName(THGROUP_TYPE group) {
    const int i = static_cast<int>(group);
    if (i >= 0 && i < kNamedGroups) {
        return kGroupNames[i];
    }
    return "user";
}

std::string describeAction(const TimelineAction &a) {
    auto vec = [&a]() { return sim::vectorText(sim::vec(a.vec[0], a.vec[1], a.vec[2])); };
    switch (a.kind) {
        case ActionKind::Key: {
            std::string s = "key ";
            for (std::size_t i = 0; i < a.keys.size(); ++i) {
                if (i > 0) {
                    s += '+';
                }
                s += sim::keyName(a.keys[i]);
            }
            return s;
        }
        case ActionKind::Thrust:
            return std::string("thrust ") + thrusterGroupName(a.group) + " " +
                   sim::numberText(a.level);
        case ActionKind::Velocity:
            return "velocity " + a.vessel + " " + vec();
        case ActionKind::Position:
            return "position " + a.vessel + " " + vec();
        case ActionKind::Place:
            return "place " + a.vessel + " at " + a.other + " " + vec();
        case ActionKind::Dock:
            return "dock " + a.vessel + " " + std::to_string(a.port) + " " + a.other + " " +
                   std::to_string(a.otherPort);
        case ActionKind::Undock:
            return "undock " + a.vessel + " " + std::to_string(a.port);
        case ActionKind::Focus:
            return "focus " + a.vessel;
        case ActionKind::Save:
            return "save " + a.file;
    }
    return std::string();
}

}  // namespace vemosim
