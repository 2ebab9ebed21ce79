// What the crew test worlds share: a fresh runtime root per test, and registering a test
// vessel class with a world.
#ifndef VEMO_TESTS_CREW_ROOT_H
#define VEMO_TESTS_CREW_ROOT_H

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "World.h"

namespace crewroot {

// Makes a fresh temporary root from pattern (ending in XXXXXX) with empty modules/, config/
// and meshes/Vemo/, and changes into it. False if the folder cannot be made.
inline bool EnterFreshRoot(std::string pattern, std::filesystem::path &root,
                           std::filesystem::path &previousDir) {
    if (mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    root = pattern;
    for (const char *dir : {"modules", "config/vessels", "meshes/Vemo"}) {
        std::filesystem::create_directories(root / dir);
    }
    // The companion's class config; its module file is each test's to give or withhold.
    std::ofstream(root / "config" / "vessels" / "Vemo.cfg") << "ClassName = Vemo\n";
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(root);
    return true;
}

// Changes back to previousDir and removes root with all in it.
inline void LeaveRoot(const std::filesystem::path &root, const std::filesystem::path &previousDir) {
    std::filesystem::current_path(previousDir);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

template <class T>
void Register(sim::World &w, const char *name) {
    w.registerClass(
        name, [](OBJHANDLE h, int fm) -> VESSEL * { return new T(h, fm); },
        [](VESSEL *v) { delete static_cast<T *>(v); });
}

}  // namespace crewroot

#endif  // VEMO_TESTS_CREW_ROOT_H
