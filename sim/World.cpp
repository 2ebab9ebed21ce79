#include "World.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace sim {

namespace {

// Specific impulse used for a thruster created without one, m/s.
constexpr double kDefaultIsp = 5e4;
// Step length used when the options give none that can advance time, s.
constexpr double kDefaultStep = 0.1;
constexpr double kDegPerRad = 180.0 / M_PI;

std::map<std::string, std::unique_ptr<ClassInfo>> &builtinClasses() {
    static std::map<std::string, std::unique_ptr<ClassInfo>> classes;
    return classes;
}

// Shortest text that reads back as the same double.
std::string num(double x) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

std::string vecText(const VECTOR3 &v) {
    return num(v.x) + " " + num(v.y) + " " + num(v.z);
}

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

bool finite(const VECTOR3 &v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool onlySpace(const char *p) {
    while (*p && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return *p == 0;
}

bool fileExists(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Scenario handles
// ---------------------------------------------------------------------------------------
struct World::ScnReader {
    const std::vector<std::string> *lines = nullptr;
    size_t next = 0;
    std::deque<std::string> copies;  // handed-out lines stay valid while the block loads
};

struct World::ScnWriter {
    std::vector<std::string> *lines = nullptr;
};

struct World::Module {
    void *dl = nullptr;
    std::string path;
    void (*initModule)(HINSTANCE) = nullptr;
    void (*exitModule)(HINSTANCE) = nullptr;
    VESSEL *(*ovcInit)(OBJHANDLE, int) = nullptr;
    void (*ovcExit)(VESSEL *) = nullptr;
};

// Marks a loop of callbacks into modules. Deletions requested inside are finished (ovcExit)
// when the outermost one ends.
class World::Dispatch {
public:
    Dispatch(World &w, VesselRecord *v) : w_(w), saved_(w.callbackVessel_) {
        ++w_.dispatchDepth_;
        w_.callbackVessel_ = v;
    }
    void enter(VesselRecord *v) { w_.callbackVessel_ = v; }
    ~Dispatch() {
        w_.callbackVessel_ = saved_;
        if (--w_.dispatchDepth_ == 0)
            w_.finishDeletes();
    }

private:
    World &w_;
    VesselRecord *saved_;
};

// ---------------------------------------------------------------------------------------
double VesselRecord::mass() const {
    double m = emptyMass;
    for (const Tank &t : tanks)
        m += t.mass;
    return m;
}

bool VesselRecord::thrusting() const {
    for (const Thruster &th : thrusters)
        if (th.level > 0.0)
            return true;
    return false;
}

World::World(WorldOptions options) : options_(std::move(options)) {
    // A step that is not a positive time would never advance the clock.
    if (!(options_.step > 0.0) || !std::isfinite(options_.step))
        options_.step = kDefaultStep;
    rng_ = options_.seed;
    keyAccepted_.fill(-std::numeric_limits<double>::infinity());
    for (auto &kv : builtinClasses())
        classes_[kv.first] = std::make_unique<ClassInfo>(*kv.second);
    previous_ = current_;
    current_ = this;
}

World::~World() {
    // Instances go first, in list order, then the modules in the order they were loaded.
    {
        std::vector<VesselRecord *> live = list_;
        for (VesselRecord *v : live) {
            v->alive = false;
            releaseInstance(*v);
        }
        list_.clear();
        byName_.clear();
        finishDeletes();
    }
    for (Module *m : moduleOrder_) {
        if (m->exitModule)
            m->exitModule(reinterpret_cast<HINSTANCE>(m->dl));
    }
    for (Module *m : moduleOrder_)
        dlclose(m->dl);
    if (current_ == this)
        current_ = previous_;
}

World *World::current_ = nullptr;

void World::traceCall(VesselRecord *v, const char *call) {
    if (v && v->traceOn)
        v->trace.emplace_back(call);
}

// ---------------------------------------------------------------------------------------
// Classes
// ---------------------------------------------------------------------------------------
void World::registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                          std::function<void(VESSEL *)> exit) {
    auto info = std::make_unique<ClassInfo>();
    info->name = name;
    info->init = std::move(init);
    info->exit = std::move(exit);
    classes_[name] = std::move(info);
}

void World::registerBuiltinClass(const std::string &name,
                                 std::function<VESSEL *(OBJHANDLE, int)> init,
                                 std::function<void(VESSEL *)> exit) {
    auto info = std::make_unique<ClassInfo>();
    info->name = name;
    info->init = std::move(init);
    info->exit = std::move(exit);
    builtinClasses()[name] = std::move(info);
}

const ClassInfo *World::findClass(const std::string &name, std::string *error) {
    auto it = classes_.find(name);
    if (it != classes_.end())
        return it->second.get();

    std::string folder = options_.root + "/modules";
    // A class name comes from a scenario file: it must name a file in the modules folder and
    // nothing else.
    bool safe = !name.empty() && name.size() <= 64 && name.find("..") == std::string::npos;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            safe = false;
    if (!safe) {
        if (error)
            *error = "vessel class \"" + name + "\" is not a valid class name";
        return nullptr;
    }
    std::string path = folder + "/" + name + ".dll";
    if (!fileExists(path)) {
        if (error)
            *error = "no vessel class \"" + name + "\": no module " + name + ".dll in " + folder;
        return nullptr;
    }
    void *dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char *why = dlerror();
        if (error)
            *error = "vessel class \"" + name + "\": cannot load " + path + ": " +
                     (why ? why : "unknown error");
        return nullptr;
    }
    auto m = std::make_unique<Module>();
    m->dl = dl;
    m->path = path;
    m->initModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "InitModule"));
    m->exitModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "ExitModule"));
    m->ovcInit = reinterpret_cast<VESSEL *(*)(OBJHANDLE, int)>(dlsym(dl, "ovcInit"));
    m->ovcExit = reinterpret_cast<void (*)(VESSEL *)>(dlsym(dl, "ovcExit"));
    if (!m->ovcInit || !m->ovcExit) {
        dlclose(dl);
        if (error)
            *error = "vessel class \"" + name + "\": module " + path +
                     " does not export ovcInit and ovcExit";
        return nullptr;
    }
    Module *mp = m.get();
    modules_[name] = std::move(m);
    moduleOrder_.push_back(mp);
    if (mp->initModule)
        mp->initModule(reinterpret_cast<HINSTANCE>(dl));

    auto info = std::make_unique<ClassInfo>();
    info->name = name;
    info->modulePath = path;
    info->init = [mp](OBJHANDLE h, int fm) { return mp->ovcInit(h, fm); };
    info->exit = [mp](VESSEL *v) { mp->ovcExit(v); };
    const ClassInfo *result = info.get();
    classes_[name] = std::move(info);
    return result;
}

// ---------------------------------------------------------------------------------------
// Vessels
// ---------------------------------------------------------------------------------------
std::string World::validName(const std::string &name, std::string *error) const {
    std::string why;
    if (name.empty())
        why = "a vessel needs a name";
    else if (name.size() > 255)
        why = "vessel name \"" + name.substr(0, 40) + "...\" is too long";
    else {
        for (char c : name) {
            unsigned char u = static_cast<unsigned char>(c);
            if (std::isspace(u) || std::iscntrl(u) || c == ':') {
                why =
                    "vessel name \"" + name + "\" contains a blank, a colon or a control character";
                break;
            }
        }
    }
    if (why.empty() && byName_.count(name))
        why = "a vessel named \"" + name + "\" already exists";
    if (!why.empty() && error)
        *error = why;
    return why;
}

VesselRecord *World::makeRecord(const std::string &name, const std::string &className) {
    records_.emplace_back();
    VesselRecord *v = &records_.back();
    v->serial = nextSerial_++;
    v->name = name;
    v->className = className;
    v->alive = true;
    v->traceOn = traceNew_;
    registerHandle(v, kVessel);
    list_.push_back(v);
    byName_[name] = v;
    return v;
}

void World::listRemove(VesselRecord *v) {
    list_.erase(std::find(list_.begin(), list_.end(), v));
}

bool World::instantiate(VesselRecord &v, std::string *error) {
    Dispatch d(*this, &v);
    VESSEL *inst = v.cls->init(v.handle(), 1);
    if (!inst) {
        if (error)
            *error = "vessel class \"" + v.className + "\" made no instance for \"" + v.name + "\"";
        v.alive = false;
        listRemove(&v);
        byName_.erase(v.name);
        return false;
    }
    v.instance = inst;
    // Every class the host loads is a VESSEL2; VESSEL alone has no callbacks.
    v.callbacks = static_cast<VESSEL2 *>(inst);
    log(&v, ev::Created, "vessel " + v.name + " of class " + v.className + " created");
    v.callbacks->clbkSetClassCaps(static_cast<FILEHANDLE>(&configToken_));
    return true;
}

void World::applyStatus(VesselRecord &v, const VESSELSTATUS &s, bool withLevels) {
    if (!withLevels) {
        // A status with values that are not numbers places the vessel at rest at the body.
        const VECTOR3 zero = vec(0, 0, 0);
        v.rpos = finite(s.rpos) ? s.rpos : zero;
        v.rvel = finite(s.rvel) ? s.rvel : zero;
        v.avel = finite(s.vrot) ? s.vrot : zero;
        v.rot = rotationFromEuler(finite(s.arot) ? s.arot : zero);
        v.status = s.status == 1 ? 1 : 0;
        return;
    }
    if (v.defaultTank && std::isfinite(s.fuel)) {
        double f = std::clamp(s.fuel, 0.0, 1.0);
        v.defaultTank->mass = f * v.defaultTank->maxMass;
    }
    auto setType = [&](THGROUP_TYPE t, double level) {
        ThrusterGroup *g = v.groupByType[t];
        if (g && std::isfinite(level))
            setGroupLevel(v, *g, level);
    };
    if (s.eng_main > 0)
        setType(THGROUP_MAIN, s.eng_main);
    else if (s.eng_main < 0)
        setType(THGROUP_RETRO, -s.eng_main);
    if (s.eng_hovr > 0)
        setType(THGROUP_HOVER, s.eng_hovr);
}

void World::fillStatus(const VesselRecord &v, VESSELSTATUS &s) const {
    std::memset(&s, 0, sizeof s);
    s.rpos = v.rpos;
    s.rvel = v.rvel;
    s.vrot = v.avel;
    s.arot = eulerFromRotation(v.rot);
    if (v.defaultTank && v.defaultTank->maxMass > 0)
        s.fuel = v.defaultTank->mass / v.defaultTank->maxMass;
    double main = v.groupByType[THGROUP_MAIN] ? v.groupByType[THGROUP_MAIN]->level : 0.0;
    double retro = v.groupByType[THGROUP_RETRO] ? v.groupByType[THGROUP_RETRO]->level : 0.0;
    s.eng_main = main - retro;
    s.eng_hovr = v.groupByType[THGROUP_HOVER] ? v.groupByType[THGROUP_HOVER]->level : 0.0;
    s.rbody = bodyHandle();
    for (const DockPort &d : v.docks)
        if (d.mate) {
            s.base = d.mate->handle();
            s.port = static_cast<int>(d.index);
            break;
        }
    s.status = v.status;
}

OBJHANDLE World::createVessel(const std::string &name, const std::string &className,
                              const VESSELSTATUS &status, std::string *error) {
    if (!validName(name, error).empty())
        return nullptr;
    const ClassInfo *cls = findClass(className, error);
    if (!cls)
        return nullptr;
    VesselRecord *v = makeRecord(name, className);
    v->cls = cls;
    applyStatus(*v, status, false);
    if (!instantiate(*v, error))
        return nullptr;
    {
        Dispatch d(*this, v);
        applyStatus(*v, status, true);
        if (v->alive && v->callbacks)
            v->callbacks->clbkSetStateEx(&status);
        if (v->alive && v->callbacks)
            v->callbacks->clbkPostCreation();
    }
    for (Animation &a : v->animations)
        a.lastStepState = a.state;
    return v->alive ? v->handle() : nullptr;
}

bool World::deleteVessel(OBJHANDLE h, OBJHANDLE focusAlternative) {
    VesselRecord *v = resolve(h);
    if (!v)
        return false;
    // Release whatever is docked to it first, so no mate points at a vanished vessel.
    for (DockPort &d : v->docks)
        if (d.mate)
            undock(v->handle(), d.index);
    v->alive = false;
    listRemove(v);
    byName_.erase(v->name);
    log(v, ev::Deleted, "vessel " + v->name + " deleted");
    if (focus_ == v) {
        focus_ = nullptr;
        VesselRecord *next = resolve(focusAlternative);
        if (!next && !list_.empty())
            next = list_.front();
        if (next)
            setFocus(next->handle());
    }
    pendingExit_.push_back(v);
    if (dispatchDepth_ == 0)
        finishDeletes();
    return true;
}

void World::releaseInstance(VesselRecord &v) {
    VESSEL *inst = v.instance;
    v.instance = nullptr;
    v.callbacks = nullptr;
    if (inst && v.cls && v.cls->exit) {
        Dispatch d(*this, &v);
        v.cls->exit(inst);
    }
}

void World::finishDeletes() {
    while (!pendingExit_.empty()) {
        std::vector<VesselRecord *> batch;
        batch.swap(pendingExit_);
        for (VesselRecord *v : batch)
            releaseInstance(*v);
    }
}

// ---------------------------------------------------------------------------------------
// Scenarios
// ---------------------------------------------------------------------------------------
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
            log(nullptr, ev::Error, why);
            continue;
        }
        made.push_back(v);
        ScnReader reader;
        reader.lines = &b.lines;
        auto saved = std::move(reader_);
        reader_ = std::make_unique<ScnReader>(std::move(reader));
        VESSELSTATUS st;
        fillStatus(*v, st);
        {
            Dispatch d(*this, v);
            if (v->alive && v->callbacks)
                v->callbacks->clbkLoadStateEx(static_cast<FILEHANDLE>(reader_.get()), &st);
        }
        reader_ = std::move(saved);
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
        auto saved = std::move(writer_);
        writer_ = std::make_unique<ScnWriter>(w);
        {
            Dispatch d(*this, v);
            v->callbacks->clbkSaveState(static_cast<FILEHANDLE>(writer_.get()));
        }
        writer_ = std::move(saved);
        out.ships.push_back(std::move(b));
    }
    if (focus_)
        out.focus = focus_->name;
    log(nullptr, ev::Saved,
        "scenario saved with " + std::to_string(out.ships.size()) + " vessel(s)");
    return out;
}

bool World::readLine(FILEHANDLE scn, char *&line) {
    ScnReader *r = reader_.get();
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
    ScnWriter *w = writer_.get();
    if (!w || scn != static_cast<FILEHANDLE>(w) || !w->lines)
        return;
    w->lines->push_back(line);
}

bool World::isConfigHandle(FILEHANDLE h) const {
    return h == &configToken_;
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
    writeLine(scn, "RPOS " + vecText(v.rpos));
    writeLine(scn, "RVEL " + vecText(v.rvel));
    writeLine(scn, "AROT " + vecText(eulerFromRotation(v.rot) * kDegPerRad));
    writeLine(scn, "VROT " + vecText(v.avel * kDegPerRad));
    if (!v.tanks.empty()) {
        std::string s = "PRPLEVEL";
        size_t i = 0;
        for (const Tank &t : v.tanks) {
            double f = t.maxMass > 0 ? t.mass / t.maxMass : 0.0;
            s += " " + std::to_string(i++) + ":" + num(f);
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
        unsigned p = 0, q = 0;
        int used = 0;
        if (std::sscanf(tok.c_str(), "%u:%u,%n", &p, &q, &used) != 2 || used <= 0) {
            log(&v, ev::Error, "cannot read docking entry \"" + tok + "\"");
            continue;
        }
        VesselRecord *mate = resolve(find(tok.substr(static_cast<size_t>(used))));
        if (!mate) {
            log(&v, ev::Error, "docking entry \"" + tok + "\" names no vessel");
            continue;
        }
        if (p < v.docks.size() && v.docks[p].mate == mate && v.docks[p].matePort == q)
            continue;
        if (!dock(v.handle(), p, mate->handle(), q, false))
            log(&v, ev::Error, "docking entry \"" + tok + "\" cannot be made");
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
        log(&v, ev::ScenarioLine, std::string("default parser got \"") + line + "\"");
}

// ---------------------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------------------
void World::step(int n) {
    for (int i = 0; i < n; ++i) {
        double dt = options_.step;
        lastStep_ = dt;
        double tNew = simt_ + dt;
        applyPilotInputs();
        stepSnapshot_.assign(list_.begin(), list_.end());
        {
            Dispatch d(*this, nullptr);
            for (VesselRecord *v : stepSnapshot_) {
                if (!v->alive || !v->callbacks)
                    continue;
                d.enter(v);
                v->callbacks->clbkPreStep(tNew, dt, 0.0);
            }
        }
        for (VesselRecord *v : stepSnapshot_)
            if (v->alive)
                moveVessel(*v, dt);
        simt_ = tNew;
        ++steps_;
        {
            Dispatch d(*this, nullptr);
            for (VesselRecord *v : stepSnapshot_) {
                if (!v->alive || !v->callbacks)
                    continue;
                d.enter(v);
                v->callbacks->clbkPostStep(simt_, dt, 0.0);
            }
        }
        trackAnimations();
    }
}

void World::runUntil(double t) {
    // A little slack so that a time that is a whole number of steps is not overshot by one
    // step through rounding.
    while (simt_ + options_.step * 1e-9 < t)
        step(1);
}

void World::moveVessel(VesselRecord &v, double dt) {
    if (v.thrusting()) {
        VECTOR3 vNew = v.rvel + applyThrust(v, dt);
        v.rpos += (v.rvel + vNew) * (0.5 * dt);
        v.rvel = vNew;
    } else {
        v.rpos += v.rvel * dt;  // the same sum as above with no velocity change, to the bit
    }
    if (v.avel.x != 0.0 || v.avel.y != 0.0 || v.avel.z != 0.0) {
        double w = length(v.avel);
        if (w > 0.0)
            v.rot = mul(v.rot, rotationAboutAxis(v.avel / w, w * dt));
    }
}

VECTOR3 World::applyThrust(VesselRecord &v, double dt) {
    double m0 = v.mass();
    VECTOR3 force = vec(0, 0, 0);
    VECTOR3 torque = vec(0, 0, 0);
    double used = 0.0;
    for (Thruster &th : v.thrusters) {
        Tank *tank = th.tank;
        if (th.level <= 0.0 || th.maxThrust <= 0.0 || !tank || tank->mass <= 0.0)
            continue;
        double isp = th.isp > 0.0 ? th.isp : kDefaultIsp;
        double eff = tank->efficiency > 0.0 ? tank->efficiency : 1.0;
        double thrust = th.level * th.maxThrust;
        double dm = thrust / (isp * eff) * dt;
        if (dm > tank->mass) {
            thrust *= tank->mass / dm;
            dm = tank->mass;
        }
        tank->mass -= dm;
        if (tank->mass <= 0.0) {
            tank->mass = 0.0;
            if (!tank->emptyReported) {
                tank->emptyReported = true;
                size_t idx = 0;
                for (const Tank &t : v.tanks) {
                    if (&t == tank)
                        break;
                    ++idx;
                }
                log(&v, ev::TankEmpty, "tank " + std::to_string(idx) + " ran empty");
            }
        }
        used += dm;
        VECTOR3 f = th.dir * thrust;
        force += f;
        torque += cross(th.pos, f);
    }
    double m1 = v.mass();
    // A couple (a pitch, yaw or bank pair) turns the vessel with no net force at all, so the
    // torque is applied whatever the force comes to.
    if (m1 > 0.0) {
        VECTOR3 alpha = vec(0, 0, 0);
        for (int k = 0; k < 3; ++k)
            if (v.caps.pmi.data[k] > 0.0)
                alpha.data[k] = torque.data[k] / (m1 * v.caps.pmi.data[k]);
        v.avel += alpha * dt;
    }
    VECTOR3 dv = vec(0, 0, 0);
    if (force != vec(0, 0, 0)) {
        VECTOR3 fg = mul(v.rot, force);
        if (used > 0.0 && m1 > 0.0 && m0 > m1)
            dv = fg * (dt / used * std::log(m0 / m1));  // rocket equation over the step
        else if (m0 > 0.0)
            dv = fg * (dt / m0);
    }
    return dv;
}

void World::applyPilotInputs() {
    if (pilotInputs_.empty())
        return;
    std::vector<PilotInput> inputs;
    inputs.swap(pilotInputs_);
    for (const PilotInput &in : inputs) {
        VesselRecord *v = resolve(in.vessel);
        if (!v)
            continue;
        ThrusterGroup *g = nullptr;
        int t = static_cast<int>(in.type);
        if (t >= 0 && t < 15)
            g = v->groupByType[t];
        else
            for (ThrusterGroup &cand : v->groups)
                if (cand.type == in.type)
                    g = &cand;
        if (!g) {
            log(v, ev::Pilot,
                std::string("no ") + groupTypeName(in.type) + " thruster group to command");
            continue;
        }
        setGroupLevel(*v, *g, in.level);
    }
}

void World::setGroupLevel(VesselRecord &v, ThrusterGroup &g, double level) {
    if (!std::isfinite(level))
        return;
    level = std::clamp(level, 0.0, 1.0);
    for (Thruster *th : g.thrusters)
        th->level = level;
    if (level != g.level) {
        g.level = level;
        log(&v, ev::Level,
            std::string(groupTypeName(g.type)) + " thruster group level " + num(level));
    }
}

void World::trackAnimations() {
    for (VesselRecord *v : list_) {
        for (std::size_t i = 0; i < v->animations.size(); ++i) {
            Animation &a = v->animations[i];
            const bool moved = a.state != a.lastStepState;
            a.lastStepState = a.state;
            if (moved == a.moving)
                continue;
            a.moving = moved;
            const std::string which = "animation " + std::to_string(i);
            log(v, ev::Animation,
                moved ? which + " starts moving" : which + " comes to rest at state " + num(a.state));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Pilot and outside actions
// ---------------------------------------------------------------------------------------
bool World::keyEvent(int key, bool down, const std::vector<int> &held) {
    char kstate[256];
    std::memset(kstate, 0, sizeof kstate);
    if (key >= 0 && key < 256 && down)
        kstate[key] = static_cast<char>(0x80);
    for (int k : held)
        if (k >= 0 && k < 256)
            kstate[k] = static_cast<char>(0x80);
    const char *nm = keyName(key);
    std::string keyText = nm ? std::string(nm) : "code " + std::to_string(key);
    for (int k : held) {
        const char *hn = keyName(k);
        keyText += "+" + (hn ? std::string(hn) : "code " + std::to_string(k));
    }
    VesselRecord *f = focus_;
    if (!f || !f->alive || !f->callbacks) {
        log(nullptr, ev::Key,
            "key " + keyText + (down ? " pressed" : " released") + ": no vessel has the focus");
        return false;
    }
    int r;
    std::string name = f->name;
    {
        Dispatch d(*this, f);
        r = f->callbacks->clbkConsumeBufferedKey(static_cast<DWORD>(key), down, kstate);
    }
    log(f, ev::Key,
        "key " + keyText + (down ? " pressed" : " released") + " on " + name +
            (r ? ": consumed" : ": not consumed"));
    return r != 0;
}

void World::commandGroupLevel(OBJHANDLE vessel, THGROUP_TYPE type, double level) {
    pilotInputs_.push_back({vessel, type, level});
}

void World::setPosition(OBJHANDLE h, const VECTOR3 &rpos) {
    if (!finite(rpos))
        return;
    if (VesselRecord *v = resolve(h)) {
        v->rpos = rpos;
        log(v, ev::Moved, "position set to (" + vecText(rpos) + ")");
    }
}

void World::setVelocity(OBJHANDLE h, const VECTOR3 &rvel) {
    if (!finite(rvel))
        return;
    if (VesselRecord *v = resolve(h)) {
        v->rvel = rvel;
        log(v, ev::Moved, "velocity set to (" + vecText(rvel) + ")");
    }
}

void World::placeNear(OBJHANDLE h, OBJHANDLE other, const VECTOR3 &offset, const VECTOR3 &relVel) {
    VesselRecord *v = resolve(h);
    VesselRecord *o = resolve(other);
    if (!v || !o || v == o || !finite(offset) || !finite(relVel))
        return;
    v->rpos = o->rpos + mul(o->rot, offset);
    v->rvel = o->rvel + mul(o->rot, relVel);
    log(v, ev::Moved, "placed at (" + vecText(offset) + ") from " + o->name);
}

void World::setRotation(OBJHANDLE h, const MATRIX3 &R) {
    if (VesselRecord *v = resolve(h))
        v->rot = R;
}

void World::setAngularVelocity(OBJHANDLE h, const VECTOR3 &avel) {
    if (!finite(avel))
        return;
    if (VesselRecord *v = resolve(h))
        v->avel = avel;
}

bool World::dock(OBJHANDLE ha, UINT pa, OBJHANDLE hb, UINT pb, bool align) {
    VesselRecord *a = resolve(ha);
    VesselRecord *b = resolve(hb);
    if (!a || !b || a == b || pa >= a->docks.size() || pb >= b->docks.size())
        return false;
    DockPort &da = a->docks[pa];
    DockPort &db = b->docks[pb];
    if (da.mate || db.mate)
        return false;
    if (align) {
        // b's frame: its port direction against a's, rotation references parallel.
        VECTOR3 dA = mul(a->rot, unit(da.dir));
        VECTOR3 rA = mul(a->rot, unit(da.rot));
        VECTOR3 gx = -dA, gy = rA, gz = cross(-dA, rA);
        VECTOR3 lx = unit(db.dir), ly = unit(db.rot), lz = cross(lx, ly);
        MATRIX3 G = mat(gx.x, gy.x, gz.x, gx.y, gy.y, gz.y, gx.z, gy.z, gz.z);
        MATRIX3 L = mat(lx.x, ly.x, lz.x, lx.y, ly.y, lz.y, lx.z, ly.z, lz.z);
        if (length(gz) > 0.5 && length(lz) > 0.5) {
            b->rot = mul(G, transpose(L));
            b->rpos = a->rpos + mul(a->rot, da.pos) - mul(b->rot, db.pos);
            b->rvel = a->rvel;
            b->avel = vec(0, 0, 0);
        }
    }
    da.mate = b;
    da.matePort = pb;
    db.mate = a;
    db.matePort = pa;
    log(a, ev::Dock,
        a->name + " port " + std::to_string(pa) + " docked with " + b->name + " port " +
            std::to_string(pb));
    Dispatch d(*this, a);
    if (a->alive && a->callbacks)
        a->callbacks->clbkDockEvent(static_cast<int>(pa), b->handle());
    d.enter(b);
    if (b->alive && b->callbacks)
        b->callbacks->clbkDockEvent(static_cast<int>(pb), a->handle());
    return true;
}

bool World::undock(OBJHANDLE h, UINT port) {
    VesselRecord *a = resolveAny(h);
    if (!a || port >= a->docks.size() || !a->docks[port].mate)
        return false;
    DockPort &da = a->docks[port];
    VesselRecord *b = da.mate;
    UINT pb = da.matePort;
    da.mate = nullptr;
    if (pb < b->docks.size() && b->docks[pb].mate == a)
        b->docks[pb].mate = nullptr;
    log(a, ev::Undock, a->name + " port " + std::to_string(port) + " undocked from " + b->name);
    Dispatch d(*this, a);
    if (a->alive && a->callbacks)
        a->callbacks->clbkDockEvent(static_cast<int>(port), nullptr);
    d.enter(b);
    if (b->alive && b->callbacks)
        b->callbacks->clbkDockEvent(static_cast<int>(pb), nullptr);
    return true;
}

OBJHANDLE World::setFocus(OBJHANDLE h) {
    VesselRecord *v = resolve(h);
    if (!v)
        return nullptr;
    VesselRecord *old = focus_;
    if (old == v)
        return old->handle();
    focus_ = v;
    log(v, ev::Focus, "focus on " + v->name);
    Dispatch d(*this, old);
    if (old && old->alive && old->callbacks)
        old->callbacks->clbkFocusChanged(false, v->handle(), old->handle());
    d.enter(v);
    if (v->alive && v->callbacks)
        v->callbacks->clbkFocusChanged(true, v->handle(), old ? old->handle() : nullptr);
    return old ? old->handle() : nullptr;
}

OBJHANDLE World::focus() const {
    return focus_ ? focus_->handle() : nullptr;
}

// ---------------------------------------------------------------------------------------
// Lookup
// ---------------------------------------------------------------------------------------
OBJHANDLE World::find(const std::string &name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second->handle();
}

VesselRecord *World::resolveAny(OBJHANDLE h) const {
    const auto found = handles_.find(h);
    if (found == handles_.end() || found->second != kVessel)
        return nullptr;
    return static_cast<VesselRecord *>(h);
}

VesselRecord *World::resolve(OBJHANDLE h) const {
    VesselRecord *v = resolveAny(h);
    return v && v->alive ? v : nullptr;
}

const VesselRecord *World::record(OBJHANDLE h) const {
    return resolveAny(h);
}
const VesselRecord *World::liveRecord(OBJHANDLE h) const {
    return resolve(h);
}

VESSEL *World::interfaceOf(OBJHANDLE h) const {
    const VesselRecord *v = resolve(h);
    return v ? v->instance : nullptr;
}

OBJHANDLE World::vesselAt(std::size_t index) const {
    return index < list_.size() ? list_[index]->handle() : nullptr;
}

std::vector<Event> World::eventsOfKind(const std::string &kind) const {
    std::vector<Event> out;
    for (const Event &e : events_)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

OBJHANDLE World::bodyHandle() const {
    return const_cast<Body *>(&body_);
}

void World::setTrace(OBJHANDLE h, bool on) {
    if (VesselRecord *v = resolveAny(h))
        v->traceOn = on;
}

void World::log(const VesselRecord *v, const char *kind, std::string text) {
    events_.push_back({simt_, v ? v->name : std::string(), kind, std::move(text)});
}

MESHHANDLE World::loadMesh(const char *name) {
    if (!name)
        return nullptr;
    auto &slot = meshes_[name];
    if (!slot) {
        slot = std::make_unique<MeshRecord>();
        slot->name = name;
        registerHandle(slot.get(), kMesh);
    }
    return slot.get();
}

SURFHANDLE World::registerTexture(const char *name) {
    if (!name)
        return nullptr;
    auto &slot = textures_[name];
    if (!slot) {
        slot = std::make_unique<TextureRecord>();
        slot->name = name;
        registerHandle(slot.get(), kTexture);
    }
    return slot.get();
}

double World::random() {
    // splitmix64: small, fast and the same on every platform.
    std::uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

bool World::acceptDelayedKey(char key, double interval) {
    double &last = keyAccepted_[static_cast<unsigned char>(key)];
    if (simt_ < last + interval)
        return false;
    last = simt_;
    return true;
}

// ---------------------------------------------------------------------------------------
VESSELSTATUS makeStatus(const VECTOR3 &rpos, const VECTOR3 &rvel) {
    VESSELSTATUS s;
    std::memset(&s, 0, sizeof s);
    s.rpos = rpos;
    s.rvel = rvel;
    s.fuel = 1.0;
    return s;
}

namespace {
// The host's key codes of the keys a timeline names.
const struct {
    const char *name;
    int code;
} kKeys[] = {
    {"ESC", 0x01},      {"1", 0x02},        {"2", 0x03},     {"3", 0x04},      {"4", 0x05},
    {"5", 0x06},        {"6", 0x07},        {"7", 0x08},     {"8", 0x09},      {"9", 0x0A},
    {"0", 0x0B},        {"Q", 0x10},        {"W", 0x11},     {"E", 0x12},      {"R", 0x13},
    {"T", 0x14},        {"Y", 0x15},        {"U", 0x16},     {"I", 0x17},      {"O", 0x18},
    {"P", 0x19},        {"A", 0x1E},        {"S", 0x1F},     {"D", 0x20},      {"F", 0x21},
    {"G", 0x22},        {"H", 0x23},        {"J", 0x24},     {"K", 0x25},      {"L", 0x26},
    {"Z", 0x2C},        {"X", 0x2D},        {"C", 0x2E},     {"V", 0x2F},      {"B", 0x30},
    {"N", 0x31},        {"M", 0x32},        {"SPACE", 0x39}, {"LSHIFT", 0x2A}, {"RSHIFT", 0x36},
    {"LCONTROL", 0x1D}, {"RCONTROL", 0x9D}, {"LALT", 0x38},  {"RETURN", 0x1C}};
}  // namespace

const char *groupTypeName(THGROUP_TYPE t) {
    static const char *names[] = {
        "main",           "retro",        "hover",          "pitch up",          "pitch down",
        "yaw left",       "yaw right",    "bank left",      "bank right",        "translate right",
        "translate left", "translate up", "translate down", "translate forward", "translate back"};
    int i = static_cast<int>(t);
    if (i >= 0 && i < 15)
        return names[i];
    return "user";
}

std::string visibilityText(WORD mode) {
    switch (mode) {
        case 0:
            return "never shown";
        case 1:
            return "shown in external views";
        case 2:
            return "shown in the cockpit view";
        case 3:
            return "shown in external and cockpit views";
        default:
            return "in visibility mode " + std::to_string(mode);
    }
}

const char *keyName(int code) {
    for (const auto &k : kKeys)
        if (k.code == code)
            return k.name;
    return nullptr;
}

int keyCode(const std::string &name) {
    std::string up;
    for (char c : name)
        up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto &k : kKeys)
        if (up == k.name)
            return k.code;
    return -1;
}

}  // namespace sim
