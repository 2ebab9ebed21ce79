// Shared pieces of the fuzz targets: a scratch runtime root to run in, a check that stops the
// run on a broken property, and a small crew-capable vessel class for a headless world.
//
// Every target is a plain LLVMFuzzerTestOneInput. Under libFuzzer a failed check aborts and
// becomes a finding; in the normal build the replay main (replay_main.cpp) feeds the kept
// inputs through the same function, so a failed check fails the test there.
#ifndef VEMO_FUZZ_FUZZ_SUPPORT_H
#define VEMO_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "CrewManager.h"
#include "World.h"

// Stops the run with a message when a property does not hold. Not compiled out by NDEBUG.
#define FUZZ_CHECK(cond, ...)                                               \
    do {                                                                    \
        if (!(cond)) {                                                      \
            ::fuzzsupport::checkFailed(__FILE__, __LINE__, #cond,           \
                                       ::fuzzsupport::format(__VA_ARGS__)); \
        }                                                                   \
    } while (0)

namespace fuzzsupport {

[[noreturn]] void checkFailed(const char *file, int line, const char *condition,
                              const std::string &message);
std::string format(const char *format, ...) __attribute__((format(printf, 1, 2)));
inline std::string format() {
    return std::string();
}

// A fresh folder laid out like the simulator's: modules/Vemo.dll and config/vessels/Vemo.cfg
// (present, so the crew library counts the companion as installed), config/ and meshes/Vemo/. The first call makes
// it and changes into it; later calls only change back into it. Removed at exit.
const std::string &enterScratchRoot();

// Replaces the file at a path relative to the scratch root with these bytes.
void writeFile(const char *relative, const std::uint8_t *data, std::size_t size);
bool fileExists(const char *relative);

// The hand-over file names as the crew library spells them on this platform.
extern const char *const kTransferFile;  // config/VemotmpT.cfg
extern const char *const kVersionFile;   // meshes/Vemo/ver.dtf

// A crew-capable vessel as a module would write it: the crew manager by value, set up in
// clbkSetClassCaps with an open airlock of +-2 m, roster kept in the scenario.
class FuzzHab final : public VESSEL2 {
public:
    static constexpr double kEmptyMass = 1000.0;  // kg, without crew

    FuzzHab(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) {
        std::memset(&crew, 0, sizeof crew);  // a vessel instance starts zeroed
    }
    void clbkSetClassCaps(FILEHANDLE) override;
    void clbkLoadStateEx(FILEHANDLE scn, void *status) override;
    void clbkSaveState(FILEHANDLE scn) override;

    CrewManager crew;
};

// The companion's crew-member class as the crew library sees it: one to-parent point of its
// own ("GRIP"), so that a "V-em" point added afterwards is the second and last.
class FuzzMember final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE) override;
};

// Registers FuzzHab as "FuzzHab" and FuzzMember as "Vemo" in the world.
void registerClasses(sim::World &world);

// A fresh world in the scratch root, with the module-wide crew state reset and the classes
// above registered: what every crew target starts each input from.
std::unique_ptr<sim::World> newCrewWorld();

// The FuzzHab instance of a live vessel.
FuzzHab &hab(OBJHANDLE vessel);

// True when the text, read within size bytes, is terminated and holds at most maxLength
// characters.
bool terminatedWithin(const char *text, std::size_t size, std::size_t maxLength);

// Checks what every roster must hold, whatever it was fed: count within the seat limit,
// names of at most 25 letters, digits and blanks, mission ids of at most 4 characters without
// "-" or control characters, values inside their windows, whole weights, and a crew mass
// equal to the weights aboard.
void checkRoster(const CrewManager &crew);

}  // namespace fuzzsupport

#endif  // VEMO_FUZZ_FUZZ_SUPPORT_H
