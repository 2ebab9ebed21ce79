// The keyboard: the names of the host's key codes, each frame's buffered key events for the
// focus vessel with the frame's one keyboard snapshot, and the host's memory of the one
// delayed key it last accepted.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "Text.h"
#include "World.h"

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

}  // namespace

int keyFromName(std::string_view name) {
    if (name.empty())
        return -1;
    for (const KeyEntry &k : kKeys)
        if (equalNoCase(name, k.name))
            return k.code;
    // Any other key by its code in hex; bare decimal numbers would read like the digit keys.
    if (name.size() <= 2 || !(name.substr(0, 2) == "0x" || name.substr(0, 2) == "0X"))
        return -1;
    const std::string_view digits = name.substr(2);
    int code = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || code < 1 || code > kMaxKeyCode)
        return -1;
    return code;
}

std::string keyName(int code) {
    for (const KeyEntry &k : kKeys)
        if (k.code == code)
            return k.name;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(code) & 0xffu);
    return buffer;
}

namespace {

void press(char *kstate, int key, bool down) {
    if (key >= 0 && key <= kMaxKeyCode)
        kstate[key] = down ? static_cast<char>(0x80) : 0;
}

}  // namespace

std::vector<bool> World::keyFrame(const std::vector<KeyInput> &events,
                                  const std::vector<int> &held) {
    // The frame's snapshot: each key as its last event leaves it, and the keys held when the
    // keyboard is read (a key may be down again before its next press is buffered).
    char snapshot[256];
    std::memset(snapshot, 0, sizeof snapshot);
    for (const KeyInput &e : events)
        press(snapshot, e.key, e.down);
    for (int k : held)
        press(snapshot, k, true);
    // The kinder host's state of each event's own moment: the held keys and the frame's
    // events so far.
    const bool perEvent = options_.keyStates == KeyStates::kPerEvent;
    char moment[256];
    std::memset(moment, 0, sizeof moment);
    for (int k : held)
        press(moment, k, true);
    std::vector<bool> consumed;
    consumed.reserve(events.size());
    for (const KeyInput &e : events) {
        press(moment, e.key, e.down);
        char kstate[256];
        std::memcpy(kstate, perEvent ? moment : snapshot, sizeof kstate);
        std::string keyText = keyName(e.key);
        for (int k : held)
            keyText += "+" + keyName(k);
        const char *what = e.down ? " pressed" : " released";
        VesselRecord *f = focus_;
        if (!f || !f->alive || !f->callbacks) {
            log(nullptr, ev::kKey, "key " + keyText + what + ": no vessel has the focus");
            consumed.push_back(false);
            continue;
        }
        int r;
        std::string name = f->name;
        {
            Dispatch d(*this, f);
            r = f->callbacks->clbkConsumeBufferedKey(static_cast<DWORD>(e.key), e.down, kstate);
        }
        log(f, ev::kKey,
            "key " + keyText + what + " on " + name + (r ? ": consumed" : ": not consumed"));
        consumed.push_back(r != 0);
    }
    return consumed;
}

bool World::acceptDelayedKey(char key, double interval) {
    const int code = static_cast<unsigned char>(key);
    const double now = frameTime();
    if (code == delayedKey_ && frame() != delayedKeyFrame_ && now - delayedKeyTime_ < interval)
        return false;
    delayedKey_ = code;
    delayedKeyTime_ = now;
    delayedKeyFrame_ = frame();
    return true;
}

}  // namespace sim
