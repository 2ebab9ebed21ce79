#include "fuzz_support.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "CrewNames.h"
#include "CrewWalk.h"

namespace fs = std::filesystem;

namespace fuzzsupport {

const char *const kTransferFile = TRANSFER_RECORD_PATH;
const char *const kVersionFile = COMPANION_VERSION_PATH;

void checkFailed(const char *file, int line, const char *condition, const std::string &message) {
    std::fprintf(stderr, "%s:%d: check failed: %s", file, line, condition);
    if (!message.empty()) {
        std::fprintf(stderr, " (%s)", message.c_str());
    }
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    std::abort();
}

std::string format(const char *format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

namespace {

std::string g_root;

void removeScratchRoot() {
    if (g_root.empty()) {
        return;
    }
    std::error_code ignored;
    fs::current_path(fs::temp_directory_path(), ignored);
    fs::remove_all(g_root, ignored);
}

}  // namespace

const std::string &enterScratchRoot() {
    if (g_root.empty()) {
        // A memory file system where there is one: every input writes and reads a file, and
        // on a disk that costs milliseconds.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "vemofuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("cannot make a scratch folder");
            std::abort();
        }
        g_root = pattern;
        for (const char *dir : {"modules", "config/vessels", "meshes/Vemo"}) {
            fs::create_directories(fs::path(g_root) / dir);
        }
        std::ofstream(fs::path(g_root) / "modules" / "Vemo.dll") << "companion";
        std::ofstream(fs::path(g_root) / "config" / "vessels" / "Vemo.cfg") << "ClassName = Vemo\n";
        std::atexit(removeScratchRoot);
    }
    // Cheap enough per input, and it keeps an input that left the folder from spoiling the
    // next one.
    if (chdir(g_root.c_str()) != 0) {
        std::perror("cannot enter the scratch folder");
        std::abort();
    }
    return g_root;
}

void writeFile(const char *relative, const std::uint8_t *data, std::size_t size) {
    std::FILE *file = std::fopen(relative, "wb");
    FUZZ_CHECK(file != nullptr, "cannot write %s", relative);
    if (size > 0) {
        FUZZ_CHECK(std::fwrite(data, 1, size, file) == size, "short write to %s", relative);
    }
    std::fclose(file);
}

bool fileExists(const char *relative) {
    std::error_code ignored;
    return fs::exists(relative, ignored);
}

void FuzzHab::clbkSetClassCaps(FILEHANDLE) {
    SetEmptyMass(kEmptyMass);
    crew.InitCrewManager(GetHandle());
    crew.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2);
}

void FuzzHab::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    char *line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        if (crew.LoadCrewLine(line) != 1) {
            ParseScenarioLineEx(line, status);
        }
    }
}

void FuzzHab::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
    crew.SaveCrewLines(scn);
}

void FuzzMember::clbkSetClassCaps(FILEHANDLE) {
    const VECTOR3 origin = {{0.0, 0.0, 0.0}};
    const VECTOR3 dir = {{0.0, 0.0, 1.0}};
    const VECTOR3 rot = {{0.0, 1.0, 0.0}};
    CreateAttachment(true, origin, dir, rot, "GRIP");
}

void registerClasses(sim::World &world) {
    world.registerClass(
        "FuzzHab", [](OBJHANDLE h, int fm) -> VESSEL * { return new FuzzHab(h, fm); },
        [](VESSEL *v) { delete static_cast<FuzzHab *>(v); });
    world.registerClass(
        "Vemo", [](OBJHANDLE h, int fm) -> VESSEL * { return new FuzzMember(h, fm); },
        [](VESSEL *v) { delete static_cast<FuzzMember *>(v); });
}

std::unique_ptr<sim::World> newCrewWorld() {
    sim::WorldOptions options;
    options.root = enterScratchRoot();
    ResetCrewModuleStateForTesting();
    auto world = std::make_unique<sim::World>(options);
    registerClasses(*world);
    return world;
}

FuzzHab &hab(OBJHANDLE vessel) {
    VESSEL *v = oapiGetVesselInterface(vessel);
    FUZZ_CHECK(v != nullptr, "no such vessel");
    return *static_cast<FuzzHab *>(v);
}

bool terminatedWithin(const char *text, std::size_t size, std::size_t maxLength) {
    const void *end = std::memchr(text, '\0', size);
    return end != nullptr &&
           static_cast<std::size_t>(static_cast<const char *>(end) - text) <= maxLength;
}

void checkRoster(const CrewManager &crew) {
    // The free seats published are the seat limit less the crew aboard.
    FUZZ_CHECK(crew.GetCrewCount() >= 0 && crew.GetAirlock().freeSeats >= 0 &&
                   crew.GetCrewCount() <= ROSTER_SIZE,
               "crewCount %d, free seats %d", crew.GetCrewCount(), crew.GetAirlock().freeSeats);
    double weights = 0.0;
    for (int i = 0; i < crew.GetCrewCount(); ++i) {
        const CrewMember &m = *crew.GetCrewMember(i);
        FUZZ_CHECK(terminatedWithin(m.name, sizeof m.name, CREW_NAME_MAX_LENGTH), "member %d", i);
        for (const char *p = m.name; *p; ++p) {
            const char c = *p;
            FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           c == ' ',
                       "member %d name byte 0x%02x", i, static_cast<unsigned char>(c));
        }
        FUZZ_CHECK(terminatedWithin(m.missionId, sizeof m.missionId, MISSION_ID_MAX_LENGTH),
                   "member %d", i);
        for (const char *p = m.missionId; *p; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            FUZZ_CHECK(c != '-' && c >= 0x20 && c != 0x7f, "member %d mission id byte 0x%02x", i,
                       c);
        }
        FUZZ_CHECK(m.age >= 1 && m.age <= 140, "member %d age %d", i, m.age);
        FUZZ_CHECK(m.pulse >= 0 && m.pulse <= 180, "member %d pulse %d", i, m.pulse);
        FUZZ_CHECK(m.weight >= 5.0 && m.weight <= 300.0 && m.weight == static_cast<int>(m.weight),
                   "member %d weight %g", i, m.weight);
        weights += m.weight;
    }
    FUZZ_CHECK(crew.GetCrewMass() == weights, "crew mass %g, weights aboard %g", crew.GetCrewMass(),
               weights);
}

}  // namespace fuzzsupport
