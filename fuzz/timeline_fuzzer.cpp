// Timelines as users write them. Every input is either refused with a message naming a line,
// or read into actions in time order, each of which reads back to itself from the text the
// timeline prints for it.
#include <algorithm>
#include <string>
#include <string_view>

#include "Text.h"
#include "Timeline.h"
#include "fuzz_support.h"

namespace {

bool sameAction(const vemosim::TimelineAction &a, const vemosim::TimelineAction &b) {
    return a.time == b.time && a.kind == b.kind && a.keys == b.keys && a.group == b.group &&
           a.level == b.level && a.vessel == b.vessel && a.other == b.other &&
           a.vec[0] == b.vec[0] && a.vec[1] == b.vec[1] && a.vec[2] == b.vec[2] &&
           a.port == b.port && a.otherPort == b.otherPort && a.file == b.file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    vemosim::Timeline timeline;
    sim::InputError error;
    if (!vemosim::parseTimelineText(text, "input.tl", timeline, error)) {
        const long lines = std::count(text.begin(), text.end(), '\n') + 1;
        FUZZ_CHECK(error.file == "input.tl");
        FUZZ_CHECK(error.line >= 1 && error.line <= lines, "error on line %d of %ld", error.line,
                   lines);
        FUZZ_CHECK(!error.message.empty());
        return 0;
    }

    std::string written;
    double previous = 0.0;
    for (const vemosim::TimelineAction &action : timeline.actions) {
        FUZZ_CHECK(action.time >= previous, "times go backwards");
        previous = action.time;
        if (action.kind == vemosim::ActionKind::Key) {
            FUZZ_CHECK(!action.keys.empty() && action.keys.size() <= vemosim::kMaxChordKeys);
            for (int key : action.keys) {
                FUZZ_CHECK(key >= 1 && key <= 255, "key code %d", key);
            }
        }
        if (action.kind == vemosim::ActionKind::Thrust) {
            FUZZ_CHECK(action.level >= 0.0 && action.level <= 1.0);
        }

        // The action as the timeline prints it reads back to the same action.
        const std::string line =
            sim::numberText(action.time) + " " + vemosim::describeAction(action);
        vemosim::Timeline single;
        FUZZ_CHECK(vemosim::parseTimelineText(line, "line.tl", single, error),
                   "printed action does not read: %s", error.text().c_str());
        FUZZ_CHECK(single.actions.size() == 1, "'%s' reads as %zu actions", line.c_str(),
                   single.actions.size());
        FUZZ_CHECK(sameAction(action, single.actions[0]), "'%s' reads as another action",
                   line.c_str());
        written += line + "\n";
    }

    // The whole timeline, printed, reads back to the same timeline.
    vemosim::Timeline again;
    FUZZ_CHECK(vemosim::parseTimelineText(written, "written.tl", again, error), "%s",
               error.text().c_str());
    FUZZ_CHECK(again.actions.size() == timeline.actions.size());
    return 0;
}
