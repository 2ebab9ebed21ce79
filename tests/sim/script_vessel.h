// An in-process vessel class for the host's tests: every callback is journaled, and a test
// can hook any of them.
#ifndef VEMO_TESTS_SIM_SCRIPT_VESSEL_H
#define VEMO_TESTS_SIM_SCRIPT_VESSEL_H

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

class ScriptVessel final : public VESSEL2 {
public:
    struct Hooks {
        std::function<void(ScriptVessel &)> setClassCaps;
        std::function<void(ScriptVessel &)> postCreation;
        std::function<void(ScriptVessel &, double simt, double simdt)> preStep;
        std::function<void(ScriptVessel &, double simt, double simdt)> postStep;
        std::function<int(ScriptVessel &, DWORD key, bool down, char *kstate)> key;
        std::function<void(ScriptVessel &, FILEHANDLE scn, void *status)> load;
        std::function<void(ScriptVessel &, FILEHANDLE scn)> save;
    };
    // Shared by every instance; reset by the fixture.
    static Hooks hooks;
    static std::vector<std::string> journal;

    ScriptVessel(OBJHANDLE h, int fmodel) : VESSEL2(h, fmodel) {}

    std::string name() const {
        const char *n = GetName();
        return n ? n : "?";
    }
    void note(const std::string &what) { journal.push_back(what + " " + name()); }

    void clbkSetClassCaps(FILEHANDLE cfg) override {
        note("caps");
        if (hooks.setClassCaps)
            hooks.setClassCaps(*this);
    }
    void clbkPostCreation() override {
        note("postcreation");
        if (hooks.postCreation)
            hooks.postCreation(*this);
    }
    void clbkPreStep(double simt, double simdt, double mjd) override {
        note("pre");
        if (hooks.preStep)
            hooks.preStep(*this, simt, simdt);
    }
    void clbkPostStep(double simt, double simdt, double mjd) override {
        note("post");
        if (hooks.postStep)
            hooks.postStep(*this, simt, simdt);
    }
    void clbkFocusChanged(bool getfocus, OBJHANDLE hNew, OBJHANDLE hOld) override {
        note(getfocus ? "gotfocus" : "lostfocus");
    }
    int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) override {
        note("key");
        return hooks.key ? hooks.key(*this, key, down, kstate) : 0;
    }
    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        if (hooks.load)
            hooks.load(*this, scn, status);
        else
            VESSEL2::clbkLoadStateEx(scn, status);
    }
    void clbkSaveState(FILEHANDLE scn) override {
        if (hooks.save)
            hooks.save(*this, scn);
        else
            VESSEL2::clbkSaveState(scn);
    }
    void clbkDockEvent(int dock, OBJHANDLE mate) override {
        note("dock" + std::to_string(dock) + (mate ? "+" : "-"));
    }
};

// A world on a fresh root with the class "Script" registered.
class HostTest : public testsupport::WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        ScriptVessel::hooks = {};
        ScriptVessel::journal.clear();
        makeScriptWorld();
    }
    void TearDown() override {
        WorldTest::TearDown();
        ScriptVessel::hooks = {};
    }
    sim::World &makeScriptWorld(sim::WorldOptions options = {}) {
        sim::World &w = makeWorld(options);
        w.registerClass(
            "Script", [](OBJHANDLE h, int fm) -> VESSEL * { return new ScriptVessel(h, fm); },
            [](VESSEL *v) {
                auto *s = static_cast<ScriptVessel *>(v);
                s->note("exit");
                delete s;
            });
        return w;
    }
    OBJHANDLE make(const std::string &name, const VECTOR3 &rpos = testsupport::kOrbit,
                   const VECTOR3 &rvel = sim::vec(0, 0, 0)) {
        return testsupport::create(*world, name, "Script", rpos, rvel);
    }
    // Journal entries starting with `prefix`.
    static std::vector<std::string> entries(const std::string &prefix) {
        std::vector<std::string> out;
        for (const auto &e : ScriptVessel::journal)
            if (e.compare(0, prefix.size(), prefix) == 0)
                out.push_back(e);
        return out;
    }
};

#endif
