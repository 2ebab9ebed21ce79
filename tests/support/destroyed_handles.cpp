// Compiled into every test program: any use of a destroyed vessel's handle, in any world of
// any test, fails that test, as the same use would crash the simulator. A test that makes
// such uses on purpose counts them with an ExpectDestroyedHandleUses instead.
#include "test_support.h"

namespace testsupport {

namespace {

ExpectDestroyedHandleUses *g_expecting = nullptr;

const bool g_installed = [] {
    sim::World::setDestroyedHandleObserver([](const sim::Event &e) {
        if (g_expecting) {
            g_expecting->noteUse(e);
            return;
        }
        ADD_FAILURE() << "a destroyed vessel's handle was used (the simulator would crash): "
                      << e.text;
    });
    return true;
}();

}  // namespace

ExpectDestroyedHandleUses::ExpectDestroyedHandleUses() : previous_(g_expecting) {
    g_expecting = this;
}

ExpectDestroyedHandleUses::~ExpectDestroyedHandleUses() {
    g_expecting = previous_;
}

}  // namespace testsupport
