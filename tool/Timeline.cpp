#include "Timeline.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

struct KeyEntry {
    const char *name;
    int code;
};

// Scan codes of the host's keyboard. The first name of a code is the one we print.
const KeyEntry kKeys[] = {
    {"ESCAPE", 0x01},
    {"1", 0x02},
    {"2", 0x03},
    {"3", 0x04},
    {"4", 0x05},
    {"5", 0x06},
    {"6", 0x07},
    {"7", 0x08},
    {"8", 0x09},
    {"9", 0x0A},
    {"0", 0x0B},
    {"MINUS", 0x0C},
    {"EQUALS", 0x0D},
    {"BACK", 0x0E},
    {"TAB", 0x0F},
    {"Q", 0x10},
    {"W", 0x11},
    {"E", 0x12},
    {"R", 0x13},
    {"T", 0x14},
    {"Y", 0x15},
    {"U", 0x16},
    {"I", 0x17},
    {"O", 0x18},
    {"P", 0x19},
    {"LBRACKET", 0x1A},
    {"RBRACKET", 0x1B},
    {"RETURN", 0x1C},
    {"LCONTROL", 0x1D},
    {"A", 0x1E},
    {"S", 0x1F},
    {"D", 0x20},
    {"F", 0x21},
    {"G", 0x22},
    {"H", 0x23},
    {"J", 0x24},
    {"K", 0x25},
    {"L", 0x26},
    {"SEMICOLON", 0x27},
    {"APOSTROPHE", 0x28},
    {"GRAVE", 0x29},
    {"LSHIFT", 0x2A},
    {"BACKSLASH", 0x2B},
    {"Z", 0x2C},
    {"X", 0x2D},
    {"C", 0x2E},
    {"V", 0x2F},
    {"B", 0x30},
    {"N", 0x31},
    {"M", 0x32},
    {"COMMA", 0x33},
    {"PERIOD", 0x34},
    {"SLASH", 0x35},
    {"RSHIFT", 0x36},
    {"MULTIPLY", 0x37},
    {"LALT", 0x38},
    {"SPACE", 0x39},
    {"CAPITAL", 0x3A},
    {"F1", 0x3B},
    {"F2", 0x3C},
    {"F3", 0x3D},
    {"F4", 0x3E},
    {"F5", 0x3F},
    {"F6", 0x40},
    {"F7", 0x41},
    {"F8", 0x42},
    {"F9", 0x43},
    {"F10", 0x44},
    {"NUMLOCK", 0x45},
    {"SCROLL", 0x46},
    {"NUMPAD7", 0x47},
    {"NUMPAD8", 0x48},
    {"NUMPAD9", 0x49},
    {"SUBTRACT", 0x4A},
    {"NUMPAD4", 0x4B},
    {"NUMPAD5", 0x4C},
    {"NUMPAD6", 0x4D},
    {"ADD", 0x4E},
    {"NUMPAD1", 0x4F},
    {"NUMPAD2", 0x50},
    {"NUMPAD3", 0x51},
    {"NUMPAD0", 0x52},
    {"DECIMAL", 0x53},
    {"F11", 0x57},
    {"F12", 0x58},
    {"NUMPADENTER", 0x9C},
    {"RCONTROL", 0x9D},
    {"DIVIDE", 0xB5},
    {"RALT", 0xB8},
    {"HOME", 0xC7},
    {"UP", 0xC8},
    {"PRIOR", 0xC9},
    {"LEFT", 0xCB},
    {"RIGHT", 0xCD},
    {"END", 0xCF},
    {"DOWN", 0xD0},
    {"NEXT", 0xD1},
    {"INSERT", 0xD2},
    {"DELETE", 0xD3},
    // Everyday names for the same keys.
    {"ESC", 0x01},
    {"BACKSPACE", 0x0E},
    {"ENTER", 0x1C},
    {"CTRL", 0x1D},
    {"LCTRL", 0x1D},
    {"SHIFT", 0x2A},
    {"ALT", 0x38},
    {"RCTRL", 0x9D},
    {"PGUP", 0xC9},
    {"PGDN", 0xD1},
};

// Highest key code: the host's key state has 256 entries.
constexpr int kMaxKeyCode = 255;

const char *const kGroupNames[] = {
    "main",      "retro", "hover", "pitchup", "pitchdown", "yawleft", "yawright", "bankleft",
    "bankright", "right", "left",  "up",      "down",      "forward", "back",
};
constexpr int kNamedGroups = static_cast<int>(sizeof kGroupNames / sizeof kGroupNames[0]);

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') {
            x = static_cast<char>(x - 'a' + 'A');
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<char>(y - 'a' + 'A');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// Whole token as a finite number, in the C locale's notation whatever the process locale.
bool ParseNumber(std::string_view token, double &value) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    if (token.empty() || token.front() == '+') {
        return false;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

bool ParseInt(std::string_view token, int base, int &value) {
    if (token.empty()) {
        return false;
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v, base);
    if (ec != std::errc() || end != token.data() + token.size()) {
        return false;
    }
    value = v;
    return true;
}

std::string FormatNumber(double v) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    if (ec != std::errc()) {
        std::snprintf(buffer, sizeof buffer, "%.17g", v);
        return buffer;
    }
    return std::string(buffer, end);
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos || line[pos] == '#') {
            break;
        }
        std::size_t end = line.find_first_of(" \t", pos);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        tokens.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return tokens;
}

class LineParser {
public:
    LineParser(const std::vector<std::string_view> &tokens, TimelineAction &action,
               std::string &error)
        : t_(tokens), a_(action), error_(error) {}

    bool Run() {
        if (!ParseNumber(t_[0], a_.time) || a_.time < 0.0) {
            return Fail("expected a time in seconds (a number, 0 or more), got '" +
                        std::string(t_[0]) + "'");
        }
        if (t_.size() < 2) {
            return Fail("expected an action after the time");
        }
        const std::string_view verb = t_[1];
        if (verb == "key") {
            return Key();
        }
        if (verb == "thrust") {
            return Thrust();
        }
        if (verb == "velocity" || verb == "position") {
            a_.kind = verb == "velocity" ? ActionKind::Velocity : ActionKind::Position;
            return Count(6, std::string(verb) + " VESSEL X Y Z") && Vessel(2, a_.vessel) &&
                   Vector(3);
        }
        if (verb == "place") {
            a_.kind = ActionKind::Place;
            if (!Count(8, "place VESSEL at OTHER X Y Z")) {
                return false;
            }
            if (t_[3] != "at") {
                return Fail("expected 'at' after the vessel name: place VESSEL at OTHER X Y Z");
            }
            if (!Vessel(2, a_.vessel) || !Vessel(4, a_.other) || !Vector(5)) {
                return false;
            }
            if (a_.vessel == a_.other) {
                return Fail("a vessel cannot be placed relative to itself");
            }
            return true;
        }
        if (verb == "dock") {
            a_.kind = ActionKind::Dock;
            if (!Count(6, "dock VESSEL PORT OTHER PORT") || !Vessel(2, a_.vessel) ||
                !Port(3, a_.port) || !Vessel(4, a_.other) || !Port(5, a_.otherPort)) {
                return false;
            }
            if (a_.vessel == a_.other) {
                return Fail("a vessel cannot dock with itself");
            }
            return true;
        }
        if (verb == "undock") {
            a_.kind = ActionKind::Undock;
            return Count(4, "undock VESSEL PORT") && Vessel(2, a_.vessel) && Port(3, a_.port);
        }
        if (verb == "focus") {
            a_.kind = ActionKind::Focus;
            return Count(3, "focus VESSEL") && Vessel(2, a_.vessel);
        }
        if (verb == "save") {
            a_.kind = ActionKind::Save;
            if (!Count(3, "save FILE")) {
                return false;
            }
            a_.file = std::string(t_[2]);
            if (a_.file.back() == '/') {
                return Fail("save needs a file name, not a folder: '" + a_.file + "'");
            }
            return true;
        }
        return Fail("unknown action '" + std::string(verb) +
                    "' (known: key, thrust, velocity, position, place, dock, undock, focus, "
                    "save)");
    }

private:
    bool Fail(const std::string &message) {
        error_ = message;
        return false;
    }

    bool Count(std::size_t n, const std::string &usage) {
        if (t_.size() != n) {
            return Fail("expected: TIME " + usage);
        }
        return true;
    }

    bool Vessel(std::size_t i, std::string &name) {
        if (!IsValidVesselName(t_[i])) {
            return Fail("invalid vessel name '" + std::string(t_[i]) + "'");
        }
        name = std::string(t_[i]);
        return true;
    }

    bool Vector(std::size_t first) {
        for (std::size_t k = 0; k < 3; ++k) {
            if (!ParseNumber(t_[first + k], a_.vec[k])) {
                return Fail("expected a number, got '" + std::string(t_[first + k]) + "'");
            }
        }
        return true;
    }

    bool Port(std::size_t i, int &port) {
        if (!ParseInt(t_[i], 10, port) || port < 0 || port > kMaxDockPort) {
            return Fail("expected a docking port number 0.." + std::to_string(kMaxDockPort) +
                        ", got '" + std::string(t_[i]) + "'");
        }
        return true;
    }

    bool Key() {
        a_.kind = ActionKind::Key;
        if (!Count(3, "key KEY or TIME key KEY+KEY...")) {
            return false;
        }
        std::string_view chord = t_[2];
        while (true) {
            const std::size_t plus = chord.find('+');
            const std::string_view name = chord.substr(0, plus);
            const int code = KeyFromName(name);
            if (code < 0) {
                return Fail("unknown key '" + std::string(name) + "'");
            }
            for (int held : a_.keys) {
                if (held == code) {
                    return Fail("key '" + std::string(name) + "' named twice");
                }
            }
            if (a_.keys.size() == kMaxChordKeys) {
                return Fail("more than " + std::to_string(kMaxChordKeys) + " keys at once");
            }
            a_.keys.push_back(code);
            if (plus == std::string_view::npos) {
                return true;
            }
            chord.remove_prefix(plus + 1);
        }
    }

    bool Thrust() {
        a_.kind = ActionKind::Thrust;
        if (!Count(4, "thrust GROUP LEVEL")) {
            return false;
        }
        if (!ThrusterGroupFromName(t_[2], a_.group)) {
            return Fail("unknown thruster group '" + std::string(t_[2]) +
                        "' (known: main, retro, hover, pitchup, pitchdown, yawleft, yawright, "
                        "bankleft, bankright, right, left, up, down, forward, back, user)");
        }
        if (!ParseNumber(t_[3], a_.level) || a_.level < 0.0 || a_.level > 1.0) {
            return Fail("expected a thrust level from 0 to 1, got '" + std::string(t_[3]) + "'");
        }
        return true;
    }

    const std::vector<std::string_view> &t_;
    TimelineAction &a_;
    std::string &error_;
};

}  // namespace

bool ParseTimelineText(std::string_view text, const std::string &fileName, Timeline &out,
                       InputError &error) {
    Timeline result;
    result.fileName = fileName;
    auto fail = [&](int line, const std::string &message) {
        error.file = fileName;
        error.line = line;
        error.message = message;
        return false;
    };
    std::size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        // Carriage returns before the line end are line end too, however many an editor left
        // there, as in scenario files; kept, they would end up in a saved file's name.
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find('\0') != std::string_view::npos) {
            return fail(number, "line holds a NUL byte");
        }
        if (line.size() > kMaxScenarioLineLength) {
            return fail(number, "line longer than " + std::to_string(kMaxScenarioLineLength) +
                                    " characters");
        }
        const std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty()) {
            continue;
        }
        TimelineAction action;
        action.line = number;
        std::string why;
        LineParser parser(tokens, action, why);
        if (!parser.Run()) {
            return fail(number, why);
        }
        if (!result.actions.empty() && action.time < result.actions.back().time) {
            return fail(number, "time " + FormatNumber(action.time) + " comes before " +
                                    FormatNumber(result.actions.back().time) + " on line " +
                                    std::to_string(result.actions.back().line) +
                                    " (times must not decrease)");
        }
        result.actions.push_back(std::move(action));
    }
    out = std::move(result);
    return true;
}

bool ReadTimelineFile(const std::string &path, Timeline &out, InputError &error) {
    std::string content;
    if (!ReadWholeFile(path, content, error)) {
        return false;
    }
    return ParseTimelineText(content, path, out, error);
}

int KeyFromName(std::string_view name) {
    if (name.empty()) {
        return -1;
    }
    for (const KeyEntry &k : kKeys) {
        if (EqualNoCase(name, k.name)) {
            return k.code;
        }
    }
    // Any other key by its code in hex; bare decimal numbers would read like the digit keys.
    int code = -1;
    if (name.size() > 2 && (name.substr(0, 2) == "0x" || name.substr(0, 2) == "0X") &&
        ParseInt(name.substr(2), 16, code) && code >= 1 && code <= kMaxKeyCode) {
        return code;
    }
    return -1;
}

std::string KeyName(int code) {
    for (const KeyEntry &k : kKeys) {
        if (k.code == code) {
            return k.name;
        }
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(code) & 0xffu);
    return buffer;
}

bool ThrusterGroupFromName(std::string_view name, THGROUP_TYPE &group) {
    for (int i = 0; i < kNamedGroups; ++i) {
        if (EqualNoCase(name, kGroupNames[i])) {
            group = static_cast<THGROUP_TYPE>(i);
            return true;
        }
    }
    if (EqualNoCase(name, "user")) {
        group = THGROUP_USER;
        return true;
    }
    return false;
}

const char *ThrusterGroupName(THGROUP_TYPE group) {
    const int i = static_cast<int>(group);
    if (i >= 0 && i < kNamedGroups) {
        return kGroupNames[i];
    }
    return "user";
}

std::string DescribeAction(const TimelineAction &a) {
    auto vec = [&a]() {
        return FormatNumber(a.vec[0]) + " " + FormatNumber(a.vec[1]) + " " + FormatNumber(a.vec[2]);
    };
    switch (a.kind) {
        case ActionKind::Key: {
            std::string s = "key ";
            for (std::size_t i = 0; i < a.keys.size(); ++i) {
                if (i > 0) {
                    s += '+';
                }
                s += KeyName(a.keys[i]);
            }
            return s;
        }
        case ActionKind::Thrust:
            return std::string("thrust ") + ThrusterGroupName(a.group) + " " +
                   FormatNumber(a.level);
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

}  // namespace sim
