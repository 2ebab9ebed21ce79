// The companion's version file, meshes/Vemo/ver.dtf, holding whatever bytes an installer, an
// editor or a broken disk left there. Only its first three characters count; the result is
// either -1 or a number made of at most three characters of text.
#include <algorithm>
#include <cmath>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzzsupport::enterScratchRoot();
    fuzzsupport::writeFile(fuzzsupport::kVersionFile, data, size);

    CrewManager manager;
    std::memset(&manager, 0, sizeof manager);  // the version needs no set-up
    const float version = manager.ReadCompanionVersion();

    FUZZ_CHECK(std::isfinite(version), "version %g", version);
    // The text that counts ends at the first NUL or after three characters.
    const std::size_t counted = std::min<std::size_t>(size, 3);
    const void *nul = std::memchr(data, '\0', counted);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const std::uint8_t *>(nul) - data) : counted;
    const bool hasPoint = std::memchr(data, '.', length) != nullptr;
    if (!hasPoint) {
        FUZZ_CHECK(version == -1.0f, "no point among '%.*s', yet %g", static_cast<int>(length),
                   reinterpret_cast<const char *>(data), version);
    } else {
        // At most two digits before the point, one after: -9.x .. 99.9, or a minor number that
        // reads as none (-1 added).
        FUZZ_CHECK(version >= -10.0f && version <= 100.0f, "version %g", version);
    }
    // Reading twice gives the same: nothing of one read stays for the next.
    FUZZ_CHECK(manager.ReadCompanionVersion() == version);
    return 0;
}
