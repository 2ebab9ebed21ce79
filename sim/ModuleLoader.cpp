#include "ModuleLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <utility>

#include "ClassConfig.h"
#include "TextFile.h"

namespace sim {

namespace {

// Longest class or module name the loader turns into a file name.
constexpr std::size_t kMaxFileNameLength = 64;

std::map<std::string, std::unique_ptr<ClassInfo>> &builtinClasses() {
    static std::map<std::string, std::unique_ptr<ClassInfo>> classes;
    return classes;
}

std::unique_ptr<ClassInfo> makeClass(const std::string &name,
                                     std::function<VESSEL *(OBJHANDLE, int)> init,
                                     std::function<void(VESSEL *)> exit) {
    auto info = std::make_unique<ClassInfo>();
    info->name = name;
    info->init = std::move(init);
    info->exit = std::move(exit);
    return info;
}

bool fileExists(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Class names come from scenario files and module names from class config files: each
// must name a file in its own folder and nothing else.
bool safeFileName(const std::string &name) {
    if (name.empty() || name.size() > kMaxFileNameLength || name.find("..") != std::string::npos)
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

}  // namespace

ModuleLoader::ModuleLoader(std::string root) : root_(std::move(root)) {
    for (auto &kv : builtinClasses())
        classes_[kv.first] = std::make_unique<ClassInfo>(*kv.second);
}

ModuleLoader::~ModuleLoader() {
    // Every vessel should be gone by now; whatever a vessel left loaded goes all the same.
    for (auto &kv : modules_) {
        LoadedModule &m = *kv.second;
        if (m.exitModule)
            m.exitModule(reinterpret_cast<HINSTANCE>(m.dl));
        for (int i = 0; i < m.vessels; ++i)
            dlclose(m.dl);
    }
}

void ModuleLoader::registerClass(const std::string &name,
                                 std::function<VESSEL *(OBJHANDLE, int)> init,
                                 std::function<void(VESSEL *)> exit) {
    classes_[name] = makeClass(name, std::move(init), std::move(exit));
}

void ModuleLoader::registerBuiltinClass(const std::string &name,
                                        std::function<VESSEL *(OBJHANDLE, int)> init,
                                        std::function<void(VESSEL *)> exit) {
    builtinClasses()[name] = makeClass(name, std::move(init), std::move(exit));
}

// "the classes there are: Vemo, crewhab, vemopod", compiled in or with a class config file
// in the root, for a message about a class that is not.
template <typename CompiledIn>
std::string classesThere(const std::string &root, const CompiledIn &compiledIn) {
    std::set<std::string> names;
    for (const auto &entry : compiledIn)
        names.insert(entry.first);
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(root + "/config/vessels", ec)) {
        const std::filesystem::path &p = entry.path();
        if (p.extension() == ".cfg" && safeFileName(p.stem().string()))
            names.insert(p.stem().string());
    }
    if (names.empty())
        return "there are no classes";
    std::string list;
    for (const std::string &n : names)
        list += (list.empty() ? "" : ", ") + n;
    return "the classes there are: " + list;
}

bool ModuleLoader::findClass(const std::string &name, VesselClass &out, std::string *error) {
    out = VesselClass();
    out.name = name;
    auto it = classes_.find(name);
    if (it != classes_.end()) {
        out.builtin = it->second.get();
        return true;
    }
    if (held_ == 0)
        return readClass(name, out, error);
    auto known = found_.find(name);
    if (known == found_.end()) {
        Found f;
        f.ok = readClass(name, f.cls, &f.error);
        known = found_.emplace(name, std::move(f)).first;
    }
    out = known->second.cls;
    if (!known->second.ok && error)
        *error = known->second.error;
    return known->second.ok;
}

void ModuleLoader::release() {
    if (held_ > 0 && --held_ == 0)
        found_.clear();
}

bool ModuleLoader::readClass(const std::string &name, VesselClass &out, std::string *error) const {
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        return false;
    };
    out = VesselClass();
    out.name = name;
    if (!safeFileName(name))
        return fail("vessel class \"" + name + "\" is not a valid class name");
    const std::string config = "config/vessels/" + name + ".cfg";
    std::string text;
    std::string why;
    ++configReads_;
    if (!fileExists(root_ + "/" + config) || !readWholeFile(root_ + "/" + config, text, why))
        return fail("no vessel class \"" + name + "\": no class config file " + config + " in " +
                    root_ + (why.empty() ? "" : " (" + why + ")") + "; " +
                    classesThere(root_, classes_));
    const ClassConfig parsed = parseClassConfig(text);
    out.enableFocus = parsed.enableFocus;
    if (parsed.module.empty())
        return true;  // plain vessels
    if (!safeFileName(parsed.module))
        return fail("vessel class \"" + name + "\": " + config + " names module \"" +
                    parsed.module + "\", which is not a valid module name");
    const std::string module = "modules/" + parsed.module + ".dll";
    // The simulator makes plain vessels of a class whose module is missing; the loader says
    // why when it fails to load it.
    if (!fileExists(root_ + "/" + module))
        out.missingModule = "vessel class \"" + name + "\": " + config + " names module " +
                            parsed.module + ", but there is no " + module + " in " + root_;
    out.modulePath = root_ + "/" + module;
    return true;
}

LoadedModule *ModuleLoader::load(const std::string &path, std::string *error) {
    // Every vessel's load counts with the system, as each vessel loads its module itself.
    void *dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char *why = dlerror();
        if (error)
            *error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    std::unique_ptr<LoadedModule> &slot = modules_[path];
    if (slot) {
        ++slot->vessels;
        return slot.get();
    }
    auto m = std::make_unique<LoadedModule>();
    m->path = path;
    m->dl = dl;
    m->initModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "InitModule"));
    m->exitModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "ExitModule"));
    m->ovcInit = reinterpret_cast<VESSEL *(*)(OBJHANDLE, int)>(dlsym(dl, "ovcInit"));
    m->ovcExit = reinterpret_cast<void (*)(VESSEL *)>(dlsym(dl, "ovcExit"));
    if (!m->ovcInit || !m->ovcExit) {
        modules_.erase(path);
        dlclose(dl);
        if (error)
            *error = "module " + path + " does not export ovcInit and ovcExit";
        return nullptr;
    }
    m->vessels = 1;
    slot = std::move(m);
    if (slot->initModule)
        slot->initModule(reinterpret_cast<HINSTANCE>(dl));
    return slot.get();
}

void ModuleLoader::unload(LoadedModule *module) {
    if (!module)
        return;
    void *dl = module->dl;
    if (--module->vessels == 0) {
        if (module->exitModule)
            module->exitModule(reinterpret_cast<HINSTANCE>(dl));
        modules_.erase(module->path);
    }
    dlclose(dl);
}

}  // namespace sim
