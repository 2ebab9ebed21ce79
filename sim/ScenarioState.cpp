// Scenario state: the world's vessels loaded from and saved into scenario blocks, through the
// handles a module's clbkLoadStateEx and clbkSaveState receive, and the default state lines
// the host itself reads and writes for a vessel.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "ScenarioStateBlock.h"
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

// "i:x j:y ..." with every index below `count` and every value a number, clamped to 0..1,
// added to `levels`. A line with any pair that does not read adds nothing.
bool readLevels(const char *text, size_t count, std::vector<std::pair<size_t, double>> &levels) {
    std::vector<std::pair<size_t, double>> read;
    const char *p = text;
    while (true) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        char *end = nullptr;
        const unsigned long idx = std::strtoul(p, &end, 10);
        if (end == p || *end != ':' || !std::isdigit(static_cast<unsigned char>(*p)))
            return false;
        p = end + 1;
        const double level = std::strtod(p, &end);
        if (end == p || !std::isfinite(level) || idx >= count)
            return false;
        read.emplace_back(idx, std::clamp(level, 0.0, 1.0));
        p = end;
    }
    levels.insert(levels.end(), read.begin(), read.end());
    return true;
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
// scenario can give a vessel.
bool parseDockEntry(std::string_view entry, UINT &port, UINT &matePort, std::string &mate) {
    std::size_t pos = 0;
    if (!readPort(entry, pos, port) || pos >= entry.size() || entry[pos++] != ':' ||
        !readPort(entry, pos, matePort) || pos >= entry.size() || entry[pos++] != ',')
        return false;
    const std::string_view name = entry.substr(pos);
    if (!isScenarioVesselName(name))
        return false;
    mate = std::string(name);
    return true;
}

// The entries of a DOCKINFO line, "p:q,Name" each, separated by blanks. A name may hold
// blanks too: a word without ':' or ',' continues the name before it.
std::vector<std::string> dockEntries(std::string_view text) {
    std::vector<std::string> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        pos = text.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(" \t", pos), text.size());
        const std::string_view word = text.substr(pos, end - pos);
        // Only a word with a ':' or ',' is an entry (or a malformed one) of its own.
        const bool starts = word.find_first_of(":,") != std::string_view::npos;
        if (starts || entries.empty())
            entries.emplace_back(word);
        else
            entries.back() += " " + std::string(word);
        pos = end;
    }
    return entries;
}


}  // namespace


// The handle clbkLoadStateEx reads a block's lines through.
struct World::ScnReader {
    const std::vector<std::string> *lines = nullptr;
    size_t next = 0;
    std::deque<std::string> copies;  // handed-out lines stay valid while the block loads
    VesselRecord *vessel = nullptr;
    BlockState state;
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
    HeldClasses held(*this);
    std::vector<VesselClass> classes(scenario.ships.size());
    for (std::size_t i = 0; i < scenario.ships.size(); ++i) {
        const ShipBlock &b = scenario.ships[i];
        std::string why;
        if (!classes_.findClass(b.className, classes[i], &why))
            return fail(b, why);
    }
    if (!chooseBody(scenario, error))
        return false;
    if (scenario.hasSurfaceElevation)
        surfaceElevation_ = scenario.surfaceElevation;

    description_ = scenario.description;
    keptSections_ = scenario.kept;
    hasScenarioMjd_ = scenario.hasMjd;
    setStartDate(scenario.hasMjd ? scenario.mjd : kTurnEpochMjd);
    std::vector<VesselRecord *> made;
    for (std::size_t i = 0; i < scenario.ships.size(); ++i) {
        const ShipBlock &b = scenario.ships[i];
        VesselRecord *v = makeRecord(b.name, classes[i]);
        instantiate(*v, classes[i]);
        made.push_back(v);
        loadBlock(*v, b);
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
    VesselRecord *f = scenario.focus.empty() ? nullptr : table_.find(find(scenario.focus));
    if (!f && !made.empty() && made.front()->alive)
        f = made.front();
    if (f && f != focus_)
        setFocus(f->handle());
    return true;
}

void World::loadBlock(VesselRecord &v, const ShipBlock &block) {
    // The simulator's reset before a block is read: no propellant, no thrust.
    for (Tank &t : v.tanks)
        t.mass = 0.0;
    for (Thruster &th : v.thrusters)
        th.level = 0.0;
    for (ThrusterGroup &g : v.groups)
        g.level = 0.0;

    ScnReader reader;
    reader.lines = &block.lines;
    reader.vessel = &v;
    ScnReader *saved = reader_;
    reader_ = &reader;
    {
        Dispatch d(*this, &v);
        v.callbacks->clbkLoadStateEx(static_cast<FILEHANDLE>(reader_), &reader.state.status);
    }
    reader_ = saved;

    const BlockState &st = reader.state;
    if (st.hasStatus)
        v.status = st.statusValue;
    if (st.hasRpos)
        v.rpos = st.rpos;
    if (st.hasRvel)
        v.rvel = st.rvel;
    if (st.hasRot)
        v.rot = st.rot;
    if (st.hasAvel)
        v.avel = st.avel;
    if (st.hasPos) {
        v.spot.lng = st.lng;
        v.spot.lat = st.lat;
    }
    if (st.hasHeading)
        v.spot.heading = st.heading;
    placeFromBlock(v, st);
    // A landed vessel stands on the surface; a free one inside the body is moved out.
    settle(v);
    for (const auto &[i, f] : st.tankLevels)
        if (i < v.tanks.size())
            v.tanks[i].mass = f * v.tanks[i].maxMass;
    if (st.thrusterLevels.empty())
        return;
    for (const auto &[i, level] : st.thrusterLevels)
        if (i < v.thrusters.size())
            v.thrusters[i].level = level;
    // A group's level is its thrusters' mean, as they were left.
    for (ThrusterGroup &g : v.groups) {
        double sum = 0.0;
        for (const Thruster *th : g.thrusters)
            sum += th->level;
        g.level = g.thrusters.empty() ? 0.0 : sum / static_cast<double>(g.thrusters.size());
    }
}

ScenarioFile World::save() {
    ScenarioFile out;
    out.description = description_;
    out.kept = keptSections_;
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
    out.hasMjd = hasScenarioMjd_;
    out.mjd = dateAt(simt_);
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
// and for a vessel in free flight
//   RPOS x y z            position relative to the reference body, m
//   RVEL x y z            velocity relative to the reference body, m/s
//   AROT a b c            orientation, angles in degrees (convention in Math3.h)
//   VROT x y z            angular velocity in the vessel frame, degrees/s
// or for a landed one, as the simulator writes it
//   POS lng lat           where it stands, degrees
//   HEADING h             degrees from north towards east
// then
//   PRPLEVEL i:f j:g ...  tank index : fraction of its maximum mass, for every tank
//   THLEVEL i:l j:m ...   thruster index : level, for every thruster with a level above 0
//   DOCKINFO p:q,Name ... own port p docked to port q of vessel Name
// Numbers are written as the shortest text that reads back as the same value, so a saved
// state loads back exactly, and zero is always "0", never "-0". Tank and thruster levels,
// fractions of 1, are written to 6 decimals at most ("0.478", not "0.4779999999999996"), as
// the simulator writes them: a millionth of a tank is below anything a pilot can see.
namespace {

constexpr int kLevelDecimals = 6;

std::string savedNumber(double x) {
    return x == 0.0 ? "0" : numberText(x);
}

std::string savedVector(const VECTOR3 &v) {
    return savedNumber(v.x) + " " + savedNumber(v.y) + " " + savedNumber(v.z);
}

std::string savedLevel(double x) {
    if (!std::isfinite(x))
        return numberText(x);
    char buf[48];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, kLevelDecimals);
    std::string text(buf, res.ptr);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

}  // namespace

void World::saveDefaultState(const VesselRecord &v, FILEHANDLE scn) {
    const CelestialBody &at = bodyOf(v);
    if (v.status == kLanded) {
        writeLine(scn, std::string("STATUS Landed ") + at.name);
        writeLine(scn, "POS " + savedNumber(v.spot.lng) + " " + savedNumber(v.spot.lat));
        writeLine(scn, "HEADING " + savedNumber(v.spot.heading));
    } else {
        writeLine(scn, std::string("STATUS Orbiting ") + at.name);
        writeLine(scn, "RPOS " + savedVector(v.rpos));
        writeLine(scn, "RVEL " + savedVector(v.rvel));
        writeLine(scn, "AROT " + savedVector(eulerFromRotation(v.rot) * kDegPerRad));
        writeLine(scn, "VROT " + savedVector(v.avel * kDegPerRad));
    }
    if (!v.tanks.empty()) {
        std::string s = "PRPLEVEL";
        size_t i = 0;
        for (const Tank &t : v.tanks) {
            double f = t.maxMass > 0 ? t.mass / t.maxMass : 0.0;
            s += " " + std::to_string(i++) + ":" + savedLevel(f);
        }
        writeLine(scn, s);
    }
    std::string levels;
    size_t index = 0;
    for (const Thruster &th : v.thrusters) {
        if (th.level != 0.0)
            levels += " " + std::to_string(index) + ":" + savedLevel(th.level);
        ++index;
    }
    if (!levels.empty())
        writeLine(scn, "THLEVEL" + levels);
    std::string dock;
    for (const DockPort &d : v.docks)
        if (d.mate)
            dock += " " + std::to_string(d.index) + ":" + std::to_string(d.matePort) + "," +
                    d.mate->name;
    if (!dock.empty())
        writeLine(scn, "DOCKINFO" + dock);
    for (const std::string &line : v.keptLines)
        writeLine(scn, line);
}

void World::makeDockInfo(VesselRecord &v) {
    // " p:q,Name p:q,Name ..."; pairs already docked (from the mate's own line) are skipped.
    std::string text;
    text.swap(v.dockInfo);
    for (const std::string &tok : dockEntries(text)) {
        UINT p = 0, q = 0;
        std::string mateName;
        if (!parseDockEntry(tok, p, q, mateName)) {
            log(&v, ev::kError, "cannot read docking entry \"" + tok + "\"");
            continue;
        }
        VesselRecord *mate = table_.find(find(mateName));
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

namespace {

// The text after a line's keyword, or null when the line has another keyword.
const char *afterKey(const char *line, const char *key) {
    const size_t n = std::strlen(key);
    if (std::strncmp(line, key, n) != 0)
        return nullptr;
    if (line[n] != 0 && !std::isspace(static_cast<unsigned char>(line[n])))
        return nullptr;
    return line + n;
}

// Three numbers and nothing else.
bool readVector(const char *rest, double (&x)[3]) {
    char *after = nullptr;
    return rest && readNumbers(rest, x, 3, &after) && onlySpace(after);
}

}  // namespace

// A line of where the vessel is and how it moves: STATUS, POS, HEADING, RPOS, RVEL, AROT,
// VROT. False when the line is none of these or cannot be read.
bool World::readMotionLine(BlockState &st, const char *line) {
    double x[3];
    char *after = nullptr;
    if (const char *rest = afterKey(line, "STATUS")) {
        // The body, when named, is one load() checked the host knows.
        bool landed = false;
        std::string bodyName;
        const CelestialBody *named = nullptr;
        if (!readStatusWords(rest, landed, bodyName) ||
            (!bodyName.empty() && (named = findBody(bodyName)) == nullptr))
            return false;
        st.body = named ? named : st.body;
        st.statusValue = landed ? kLanded : kFreeFlight;
        st.status.status = st.statusValue;
        return st.hasStatus = true;
    }
    if (const char *rest = afterKey(line, "POS")) {
        if (!readNumbers(rest, x, 2, &after) || !onlySpace(after) || std::fabs(x[1]) > 90.0)
            return false;
        st.lng = x[0];
        st.lat = x[1];
        st.status.surf_lng = x[0] / kDegPerRad;
        st.status.surf_lat = x[1] / kDegPerRad;
        return st.hasPos = true;
    }
    if (const char *rest = afterKey(line, "HEADING")) {
        if (!readNumbers(rest, x, 1, &after) || !onlySpace(after))
            return false;
        st.heading = x[0];
        st.status.surf_hdg = x[0] / kDegPerRad;
        return st.hasHeading = true;
    }
    if (readVector(afterKey(line, "RPOS"), x) && isWithin(vec(x[0], x[1], x[2]), kMaxDistance)) {
        st.rpos = st.status.rpos = vec(x[0], x[1], x[2]);
        return st.hasRpos = true;
    }
    if (readVector(afterKey(line, "RVEL"), x) && isWithin(vec(x[0], x[1], x[2]), kMaxSpeed)) {
        st.rvel = st.status.rvel = vec(x[0], x[1], x[2]);
        return st.hasRvel = true;
    }
    if (readVector(afterKey(line, "AROT"), x)) {
        st.status.arot = vec(x[0], x[1], x[2]) / kDegPerRad;
        st.rot = rotationFromEuler(st.status.arot);
        return st.hasRot = true;
    }
    if (readVector(afterKey(line, "VROT"), x) &&
        isWithin(vec(x[0], x[1], x[2]) / kDegPerRad, kMaxAngularRate)) {
        st.avel = st.status.vrot = vec(x[0], x[1], x[2]) / kDegPerRad;
        return st.hasAvel = true;
    }
    return false;
}

// The other lines the default parser knows: levels, docking, orbit elements, the base, and
// the lines it keeps without modelling them.
bool World::readOtherLine(VesselRecord &v, BlockState &st, const char *line) {
    if (const char *rest = afterKey(line, "PRPLEVEL"))
        return readLevels(rest, v.tanks.size(), st.tankLevels);
    if (const char *rest = afterKey(line, "THLEVEL"))
        return readLevels(rest, v.thrusters.size(), st.thrusterLevels);
    if (const char *rest = afterKey(line, "DOCKINFO")) {
        // Docking is re-made by load() once all vessels exist; remember the line.
        v.dockInfo = rest;
        return true;
    }
    if (const char *rest = afterKey(line, "ELEMENTS"))
        return readElements(rest, st.elements) && (st.hasElements = true);
    if (const char *rest = afterKey(line, "BASE")) {
        st.base = std::string(stripBlanks(rest));
        return st.hasBase = true;
    }
    if (isKeptDefaultLine(line)) {
        st.kept.emplace_back(line);
        return true;
    }
    return false;
}

void World::parseDefaultLine(VesselRecord &v, char *line, void *status) {
    if (!line)
        return;
    // The state goes into the status the vessel's clbkLoadStateEx was handed, and nowhere
    // else: in the simulator a line parsed into any other record is lost for the vessel.
    BlockState *st = reader_ && reader_->vessel == &v && status == &reader_->state.status
                         ? &reader_->state
                         : nullptr;
    if (!st) {
        log(&v, ev::kError,
            std::string("ParseScenarioLineEx was not given the status clbkLoadStateEx received: "
                        "\"") +
                line + "\" is lost");
        return;
    }
    if (!readMotionLine(*st, line) && !readOtherLine(v, *st, line))
        log(&v, ev::kScenarioLine, std::string("default parser got \"") + line + "\"");
}

}  // namespace sim
