#include "Bases.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "ScenarioText.h"
#include "Text.h"
#include "TextFile.h"

namespace sim {

namespace {

constexpr double kRadPerDeg = M_PI / 180.0;

// Reads exactly `count` finite numbers from text.
bool readExactly(std::string_view text, double *out, int count) {
    const std::string s(text);
    const char *p = s.c_str();
    for (int i = 0; i < count; ++i) {
        char *end = nullptr;
        out[i] = std::strtod(p, &end);
        if (end == p || !std::isfinite(out[i]))
            return false;
        p = end;
    }
    return stripBlanks(p).empty();
}

// "Key = value" with the key matched regardless of letter case; value is what follows '='.
bool keyValue(std::string_view line, std::string_view key, std::string_view &value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || !equalNoCase(stripBlanks(line.substr(0, eq)), key))
        return false;
    value = stripBlanks(line.substr(eq + 1));
    return true;
}

std::string_view firstWord(std::string_view line) {
    return line.substr(0, std::min(line.find_first_of(kBlanks), line.size()));
}

}  // namespace

bool parseBaseFile(std::string_view text, const std::string &fileName, SurfaceBase &out,
                   std::string &error) {
    out = SurfaceBase();
    out.file = fileName;
    LineReader reader(text);
    std::string_view raw;
    bool inList = false, inObject = false, isPad = false, located = false;
    auto fail = [&](const std::string &why) {
        error = fileName + ":" + std::to_string(reader.number()) + ": " + why;
        return false;
    };
    while (reader.next(raw)) {
        const std::string_view line = scenarioLineText(raw);
        const std::string_view word = firstWord(line);
        std::string_view value;
        double x[3];
        if (line.empty())
            continue;
        if (!inList) {
            if (line == "BEGIN_OBJECTLIST") {
                inList = true;
            } else if (keyValue(line, "Name", value)) {
                out.name = std::string(value);
            } else if (keyValue(line, "Location", value)) {
                if (!readExactly(value, x, 2) || std::fabs(x[1]) > 90.0)
                    return fail("'Location' needs a longitude and a latitude in degrees");
                out.lng = x[0];
                out.lat = x[1];
                located = true;
            }
        } else if (!inObject) {
            if (line == "END_OBJECTLIST") {
                inList = false;
                continue;
            }
            inObject = true;
            isPad = word == "LPAD1" || word == "LPAD2";
            if (isPad)
                out.pads.emplace_back();
        } else if (equalNoCase(line, "END")) {
            inObject = false;
        } else if (isPad && word == "POS") {
            if (!readExactly(line.substr(word.size()), x, 3))
                return fail("a pad's 'POS' needs three numbers, metres east, up and north");
            out.pads.back().east = x[0];
            out.pads.back().north = x[2];
        } else if (isPad && word == "ROT") {
            if (!readExactly(line.substr(word.size()), x, 1))
                return fail("a pad's 'ROT' needs one angle in degrees");
            out.pads.back().rotation = x[0];
        }
    }
    if (inList)
        return fail("BEGIN_OBJECTLIST has no END_OBJECTLIST");
    if (out.name.empty() || !located)
        return fail("a base needs a 'Name' and a 'Location'");
    return true;
}

const std::vector<SurfaceBase> *BaseDirectory::basesOf(const CelestialBody &body,
                                                       std::string &error) {
    const auto known = bodies_.find(body.name);
    if (known != bodies_.end())
        return &known->second;
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(root_) / "config" / body.name / "Base";
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".cfg" && it->is_regular_file(ec))
            files.push_back(it->path());
    std::sort(files.begin(), files.end());  // the same order on every machine
    std::vector<SurfaceBase> bases;
    for (const fs::path &f : files) {
        std::string text, why;
        SurfaceBase base;
        if (!readWholeFile(f.string(), text, why)) {
            error = f.string() + ": " + why;
            return nullptr;
        }
        if (!parseBaseFile(text, f.string(), base, error))
            return nullptr;
        bases.push_back(std::move(base));
    }
    return &(bodies_[body.name] = std::move(bases));
}

bool BaseDirectory::padSpot(const CelestialBody &body, std::string_view base, int pad, PadSpot &out,
                            std::string &error) {
    const std::vector<SurfaceBase> *bases = basesOf(body, error);
    if (!bases)
        return false;
    for (const SurfaceBase &b : *bases) {
        if (!equalNoCase(b.name, base))
            continue;
        if (pad < 1 || static_cast<std::size_t>(pad) > b.pads.size()) {
            error = "base '" + b.name + "' (" + b.file + ") has no pad " + std::to_string(pad) +
                    "; it has " + std::to_string(b.pads.size());
            return false;
        }
        // Metres on the ground turned into degrees at the base's latitude.
        const LandingPad &p = b.pads[static_cast<std::size_t>(pad) - 1];
        const double coslat = std::max(std::cos(b.lat * kRadPerDeg), 1e-9);
        out.lng = b.lng + p.east / (body.radius * coslat) / kRadPerDeg;
        out.lat = std::clamp(b.lat + p.north / body.radius / kRadPerDeg, -90.0, 90.0);
        out.base = &b;
        out.index = pad - 1;
        return true;
    }
    error = "no base '" + std::string(base) + "' on " + body.inText + " (bases are read from " +
            "config/" + body.name + "/Base/*.cfg in the root)";
    return false;
}

const SurfaceBase *BaseDirectory::baseOfHandle(const void *h) const {
    // The bases of a body stay where they were read: their addresses do not change.
    for (const auto &[name, bases] : bodies_)
        for (const SurfaceBase &b : bases)
            if (h == &b)
                return &b;
    return nullptr;
}

}  // namespace sim
