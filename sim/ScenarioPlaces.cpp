// Where a scenario puts its vessels: the reference bodies its STATUS lines name and the
// bases and pads its BASE lines name, checked before any vessel is made; then, vessel by
// vessel, its body, its orbit given as elements and its pad applied.
#include <cstdlib>

#include "ScenarioStateBlock.h"
#include "Text.h"

namespace sim {

namespace {

// The keyword of a block line and what follows it.
std::string_view keywordOf(std::string_view text, std::string_view &rest) {
    const std::string_view keyword = text.substr(0, text.find_first_of(kBlanks));
    rest = text.substr(keyword.size());
    return keyword;
}

}  // namespace

bool World::basePad(const CelestialBody &b, std::string_view words, PadSpot &spot,
                    std::string &error) {
    words = stripBlanks(words);
    const std::size_t colon = words.rfind(':');
    const std::string base(stripBlanks(words.substr(0, colon)));
    const std::string pad =
        colon == std::string_view::npos ? std::string() : std::string(words.substr(colon + 1));
    char *end = nullptr;
    const long n = std::strtol(pad.c_str(), &end, 10);
    if (base.empty() || pad.empty() || *end != '\0' || n < 1 || n > 1000) {
        error = "'BASE " + std::string(words) + "' needs '<base>:<pad>', pads counted from 1";
        return false;
    }
    return bases_.padSpot(b, base, static_cast<int>(n), spot, error);
}

void World::placeFromBlock(VesselRecord &v, const BlockState &st) {
    if (st.body)
        v.body = st.body;
    // An orbit given as elements, where it is now: at the world's date, or else at the
    // elements' own epoch.
    if (st.hasElements && !st.hasRpos)
        stateFromElements(bodyOf(v), st.elements,
                          hasScenarioMjd_ ? dateAt(frameTime()) : st.elements.mjd, v.rpos, v.rvel);
    if (v.status == kLanded && st.hasBase && !st.hasPos) {
        PadSpot pad;
        std::string why;
        if (basePad(bodyOf(v), st.base, pad, why)) {
            v.spot.lng = pad.lng;
            v.spot.lat = pad.lat;
            v.pad = {pad.base, pad.index, pad.lng, pad.lat};
        } else {
            log(&v, ev::kError, why);
        }
    }
    v.keptLines = st.kept;
}

bool World::chooseBody(const ScenarioFile &scenario, std::string *error) {
    auto fail = [&](const ShipBlock &b, const std::string &why) {
        if (error)
            *error = b.firstLine > 0 ? "line " + std::to_string(b.firstLine) + ": " + why : why;
        return false;
    };
    const CelestialBody *first = nullptr;
    for (const ShipBlock &b : scenario.ships) {
        const CelestialBody *at = nullptr;
        bool landed = false, hasPos = false;
        std::string_view base;
        for (const std::string &line : b.lines) {
            std::string_view rest;
            const std::string_view keyword = keywordOf(stripLeadingBlanks(line), rest);
            std::string name;
            hasPos = hasPos || keyword == "POS";
            if (keyword == "BASE")
                base = rest;
            if (keyword != "STATUS" || !readStatusWords(rest, landed, name) || name.empty())
                continue;
            at = findBody(name);
            if (!at)
                return fail(b, "vessel \"" + b.name + "\" is at " + name +
                                   ", a body the host does not know (it knows " + knownBodyNames() +
                                   ")");
        }
        PadSpot spot;
        std::string why;
        if (landed && !hasPos && !base.empty() && !basePad(at ? *at : *body_, base, spot, why))
            return fail(b, "vessel \"" + b.name + "\": " + why);
        first = first ? first : at;
    }
    if (first && list_.empty())
        body_ = first;
    return true;
}

}  // namespace sim
