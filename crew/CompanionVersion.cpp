// Version of the crew-member system installed beside this module: a short text such as "1.5"
// in its version file. Only the first three characters count.
#include <cstdio>
#include <cstring>

#include "CrewFile.h"
#include "CrewManager.h"
#include "CrewNames.h"

namespace {

constexpr float NO_VERSION = -1.0f;
constexpr std::size_t READ_SIZE = 16;   // bytes read from the file
constexpr std::size_t TEXT_LENGTH = 3;  // characters of them that count
// Fractions for the minor numbers 0 to 9, in single precision.
constexpr float MINOR_FRACTION[] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
constexpr int MINOR_COUNT = sizeof MINOR_FRACTION / sizeof MINOR_FRACTION[0];

}  // namespace

float CrewManager::ReadCompanionVersion() const {
    std::FILE *file = OpenCrewFile(COMPANION_VERSION_PATH, CREW_FILE_READ);
    if (!file) {
        return NO_VERSION;
    }
    char text[READ_SIZE + 1] = {};
    (void)std::fread(text, 1, READ_SIZE, file);
    std::fclose(file);
    text[TEXT_LENGTH] = '\0';

    char *point = std::strchr(text, '.');
    if (!point) {
        return NO_VERSION;
    }
    *point = '\0';
    int major = 0;
    int minor = 0;
    if (std::sscanf(text, "%i", &major) != 1) {
        major = 0;
    }
    if (std::sscanf(point + 1, "%i", &minor) != 1) {
        minor = 0;
    }
    const float fraction = (minor >= 0 && minor < MINOR_COUNT) ? MINOR_FRACTION[minor] : NO_VERSION;
    return static_cast<float>(major) + fraction;
}
