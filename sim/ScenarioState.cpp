// Scenario state: the world's vessels loaded from and saved into scenario blocks, through the
// handles a module's clbkLoadStateEx and clbkSaveState receive, and the default state lines
// the host itself reads and writes for a vessel.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "ScenarioText.h"
#include "Text.h"
#include "World.h"

namespace sim {

namespace {

constexpr double kDegPerRad = 180.0 / M_PI;

// Reads `count` numbers from text; all must be present and finite.
bool readNumbers(const char *text, double *out, int count, char **rest = nullptr) {
    const char *p = text;
    for (int i = 0; i < count; ++i) {
        char *end = nullptr;
        double x = std::strtod(p, &end);
        if (end == p || !std::isfinite(x))
            return false;
        out[i] = x;
        p = end;
    }
    if (rest)
        *rest = const_cast<char *>(p);
    return true;
}

bool onlySpace(const char *p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return *p == 0;
}

// Reads the digits at text[pos] as a port number, and leaves pos after them. Only digits:
// no sign, no blank, and nothing beyond UINT's range (which sscanf's %u would wrap or leave
// undefined).
bool readPort(std::string_view text, std::size_t &pos, UINT &port) {
    const char *first = text.data() + pos;
    const char *last = text.data() + text.size();
    if (first == last || *first < '0' || *first > '9')
        return false;
    UINT value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc())
        return false;
    pos += static_cast<std::size_t>(end - first);
    port = value;
    return true;
}

// "p:q,Name": own port p, the mate's port q, and the mate's name, which must be a name a
// vessel can have.
bool parseDockEntry(std::string_view entry, UINT &port, UINT &matePort, std::string &mate) {
    std::size_t pos = 0;
    if (!readPort(entry, pos, port) || pos >= entry.size() || entry[pos++] != ':' ||
        !readPort(entry, pos, matePort) || pos >= entry.size() || entry[pos++] != ',')
        return false;
    const std::string_view name = entry.substr(pos);
    if (!isValidVesselName(name))
        return false;
    mate = std::string(name);
    return true;
}

}  // namespace

// The handle clbkLoadStateEx reads a block's lines through.
struct World::ScnReader {
    const std::vector<std::string> *lines = nullptr;
    size_t next = 0;
    std::deque<std::string> copies;  // handed-out lines stay valid while the block loads
};

// The handle clbkSaveState writes a vessel's lines through.
struct World::ScnWriter {
    std::vector<std::string> *lines = nullptr;
};

bool World::load(const ScenarioFile &scenario, std::string *error) {
    auto fail = [&](const ShipBlock &b, const std::string &why) {
        if (error) {
            *error = b.firstLine > 0 ? "line " + std::to_string(b.firstLine) + ": " + why : why;
        }
        return false;
    };
    // Check everything first: nothing is created unless every ship can be.
    std::unordered_map<std::string, int> seen;
    for (const ShipBlock &b : scenario.ships) {
        std::string why;
        if (!validName(b.name, &why).empty())
            return fail(b, why);
        if (seen[b.name]++)
            return fail(b, "vessel name \"" + b.name + "\" appears twice");
        if (!findClass(b.className, &why))
            return fail(b, why);
    }

    description_ = scenario.description;
    std::vector<VesselRecord *> made;
    for (const ShipBlock &b : scenario.ships) {
        VesselRecord *v = makeRecord(b.name, b.className);
        v->cls = findClass(b.className);
        std::string why;
        if (!instantiate(*v, &why)) {
            log(nullptr, ev::kError, why);
            continue;
        }
        made.push_back(v);
        ScnReader reader;
        reader.lines = &b.lines;
        ScnReader *saved = reader_;
        reader_ = &reader;
        VESSELSTATUS st;
        fillStatus(*v, st);
        {
            Dispatch d(*this, v);
            if (v->alive && v->callbacks)
                v->callbacks->clbkLoadStateEx(static_cast<FILEHANDLE>(reader_), &st);
        }
        reader_ = saved;
    }
    // Docking recorded in the vessels' lines is made once every mate exists.
    for (VesselRecord *v : made) {
        if (v->alive && !v->dockInfo.empty())
            makeDockInfo(*v);
    }
    for (VesselRecord *v : made) {
        Dispatch d(*this, v);
        if (v->alive && v->callbacks)
            v->callbacks->clbkPostCreation();
    }
    for (VesselRecord *v : made) {
        for (Animation &a : v->animations)
            a.lastStepState = a.state;
    }
    VesselRecord *f = nullptr;
    if (!scenario.focus.empty()) {
        auto it = byName_.find(scenario.focus);
        if (it != byName_.end())
            f = it->second;
    }
    if (!f && !made.empty() && made.front()->alive)
        f = made.front();
    if (f && f != focus_)
        setFocus(f->handle());
    return true;
}

ScenarioFile World::save() {
    ScenarioFile out;
    out.description = description_;
    std::vector<VesselRecord *> live = list_;
    for (VesselRecord *v : live) {
        if (!v->alive || !v->callbacks)
            continue;
        ShipBlock b;
        b.name = v->name;
        b.className = v->className;
        ScnWriter w;
        w.lines = &b.lines;
        ScnWriter *saved = writer_;
        writer_ = &w;
        {
            Dispatch d(*this, v);
            v->callbacks->clbkSaveState(static_cast<FILEHANDLE>(writer_));
        }
        writer_ = saved;
        out.ships.push_back(std::move(b));
    }
    if (focus_)
        out.focus = focus_->name;
    return out;
}

bool World::readLine(FILEHANDLE scn, char *&line) {
    ScnReader *r = reader_;
    if (!r || scn != static_cast<FILEHANDLE>(r) || !r->lines)
        return false;
    if (r->next >= r->lines->size())
        return false;
    const std::string &src = (*r->lines)[r->next++];
    size_t i = 0;
    while (i < src.size() && std::isspace(static_cast<unsigned char>(src[i])))
        ++i;
    r->copies.emplace_back(src.substr(i));
    line = r->copies.back().data();
    return true;
}

void World::writeLine(FILEHANDLE scn, const std::string &line) {
    ScnWriter *w = writer_;
    if (!w || scn != static_cast<FILEHANDLE>(w) || !w->lines)
        return;
    w->lines->push_back(line);
}

// The default state lines, written by SaveDefaultState and read by ParseScenarioLineEx:
//   STATUS Orbiting <body> | STATUS Landed <body>
//   RPOS x y z            position relative to the reference body, m
//   RVEL x y z            velocity relative to the reference body, m/s
//   AROT a b c            orientation, Euler angles in degrees (convention in Math3.h)
//   VROT x y z            angular velocity in the vessel frame, degrees/s
//   PRPLEVEL i:f j:g ...  tank index : fraction of its maximum mass, for every tank
//   DOCKINFO p:q,Name ... own port p docked to port q of vessel Name
// Numbers are written as the shortest text that reads back as the same value.
void World::saveDefaultState(const VesselRecord &v, FILEHANDLE scn) {
    writeLine(scn, std::string("STATUS ") + (v.status == 1 ? "Landed " : "Orbiting ") +
                       options_.bodyName);
    writeLine(scn, "RPOS " + vectorText(v.rpos));
    writeLine(scn, "RVEL " + vectorText(v.rvel));
    writeLine(scn, "AROT " + vectorText(eulerFromRotation(v.rot) * kDegPerRad));
    writeLine(scn, "VROT " + vectorText(v.avel * kDegPerRad));
    if (!v.tanks.empty()) {
        std::string s = "PRPLEVEL";
        size_t i = 0;
        for (const Tank &t : v.tanks) {
            double f = t.maxMass > 0 ? t.mass / t.maxMass : 0.0;
            s += " " + std::to_string(i++) + ":" + numberText(f);
        }
        writeLine(scn, s);
    }
    std::string dock;
    for (const DockPort &d : v.docks)
        if (d.mate)
            dock += " " + std::to_string(d.index) + ":" + std::to_string(d.matePort) + "," +
                    d.mate->name;
    if (!dock.empty())
        writeLine(scn, "DOCKINFO" + dock);
}

void World::makeDockInfo(VesselRecord &v) {
    // " p:q,Name p:q,Name ..."; pairs already docked (from the mate's own line) are skipped.
    std::string text;
    text.swap(v.dockInfo);
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
        size_t end = pos;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        if (end == pos)
            break;
        std::string tok = text.substr(pos, end - pos);
        pos = end;
        UINT p = 0, q = 0;
        std::string mateName;
        if (!parseDockEntry(tok, p, q, mateName)) {
            log(&v, ev::kError, "cannot read docking entry \"" + tok + "\"");
            continue;
        }
        VesselRecord *mate = resolve(find(mateName));
        if (!mate) {
            log(&v, ev::kError, "docking entry \"" + tok + "\" names no vessel");
            continue;
        }
        if (p < v.docks.size() && v.docks[p].mate == mate && v.docks[p].matePort == q)
            continue;
        if (!dock(v.handle(), p, mate->handle(), q, false))
            log(&v, ev::kError, "docking entry \"" + tok + "\" cannot be made");
    }
}

void World::parseDefaultLine(VesselRecord &v, char *line) {
    if (!line)
        return;
    auto keyIs = [&](const char *key, const char *&rest) {
        size_t n = std::strlen(key);
        if (std::strncmp(line, key, n) != 0)
            return false;
        if (line[n] != 0 && !std::isspace(static_cast<unsigned char>(line[n])))
            return false;
        rest = line + n;
        return true;
    };
    const char *rest = nullptr;
    double x[3];
    char *after = nullptr;
    bool understood = false;
    if (keyIs("STATUS", rest)) {
        while (*rest == ' ' || *rest == '\t')
            ++rest;
        if (std::strncmp(rest, "Landed", 6) == 0) {
            v.status = 1;
            understood = true;
        } else if (std::strncmp(rest, "Orbiting", 8) == 0) {
            v.status = 0;
            understood = true;
        }
    } else if (keyIs("RPOS", rest) && readNumbers(rest, x, 3, &after) && onlySpace(after)) {
        v.rpos = vec(x[0], x[1], x[2]);
        understood = true;
    } else if (keyIs("RVEL", rest) && readNumbers(rest, x, 3, &after) && onlySpace(after)) {
        v.rvel = vec(x[0], x[1], x[2]);
        understood = true;
    } else if (keyIs("AROT", rest) && readNumbers(rest, x, 3, &after) && onlySpace(after)) {
        v.rot = rotationFromEuler(vec(x[0], x[1], x[2]) / kDegPerRad);
        understood = true;
    } else if (keyIs("VROT", rest) && readNumbers(rest, x, 3, &after) && onlySpace(after)) {
        v.avel = vec(x[0], x[1], x[2]) / kDegPerRad;
        understood = true;
    } else if (keyIs("PRPLEVEL", rest)) {
        // Every pair must read; a bad pair leaves all tanks as they were.
        std::vector<std::pair<size_t, double>> levels;
        const char *p = rest;
        bool ok = true;
        while (ok) {
            while (*p == ' ' || *p == '\t')
                ++p;
            if (!*p)
                break;
            char *end = nullptr;
            unsigned long idx = std::strtoul(p, &end, 10);
            if (end == p || *end != ':') {
                ok = false;
                break;
            }
            p = end + 1;
            double f = std::strtod(p, &end);
            if (end == p || !std::isfinite(f) || idx >= v.tanks.size()) {
                ok = false;
                break;
            }
            levels.emplace_back(idx, std::clamp(f, 0.0, 1.0));
            p = end;
        }
        if (ok) {
            for (auto &[i, f] : levels)
                v.tanks[i].mass = f * v.tanks[i].maxMass;
            understood = true;
        }
    } else if (keyIs("DOCKINFO", rest)) {
        // Docking is re-made by load() once all vessels exist; remember the line.
        v.dockInfo = rest;
        understood = true;
    }
    if (!understood)
        log(&v, ev::kScenarioLine, std::string("default parser got \"") + line + "\"");
}

}  // namespace sim
