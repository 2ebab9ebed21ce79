// The recorder in-process: a vessel may publish anything on its airlock point, and what cannot
// be drawn is left out rather than spoiling the whole picture.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "RunPicture.h"
#include "RunRecorder.h"
#include "test_support.h"

namespace {

// A vessel whose airlock point holds a box edge and a seat count that are not numbers.
class BrokenLock final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE cfg) override {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        CreateAttachment(false, _V(nan, 2, -2), _V(2, -2, 2), _V(1, 0, nan), "Vemo");
    }
};

class RunRecorderTest : public testsupport::WorldTest {};

}  // namespace

TEST_F(RunRecorderTest, AnAirlockThatIsNotANumberIsLeftOut) {
    sim::World &w = makeWorld();
    w.registerClass(
        "BrokenLock", [](OBJHANDLE h, int fm) -> VESSEL * { return new BrokenLock(h, fm); },
        [](VESSEL *v) { delete static_cast<BrokenLock *>(v); });
    testsupport::create(w, "Odd", "BrokenLock");
    testsupport::create(w, "Pod", "vemopod", sim::vec(0, 0, 10));

    vemosim::RunRecorder recorder;
    std::string why;
    ASSERT_TRUE(recorder.begin(w, {}, "", 20, why)) << why;
    for (int i = 0; i < 20; ++i) {
        w.step(1);
        recorder.sample(w);
    }
    const vemosim::RunRecord &record = recorder.finish(w);
    // The odd vessel still counts as publishing an airlock, so it is the frame; its box is
    // not drawn, the capsule's is, and no number in the picture is "nan".
    EXPECT_EQ(record.frameName, "Odd");
    ASSERT_EQ(record.boxes.size(), 1u);
    EXPECT_EQ(record.tracks[record.boxes[0].track].name, "Pod");
    EXPECT_FALSE(record.tracks[0].crewCapable);
    const std::string svg = vemosim::drawRunSvg(record, "odd.scn");
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_NE(svg.find("Pod's airlock box"), std::string::npos);
}
