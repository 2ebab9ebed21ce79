#include "ModuleLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cctype>
#include <iterator>
#include <utility>

namespace sim {

namespace {

// Longest class name the loader turns into a module file name.
constexpr std::size_t kMaxClassNameLength = 64;

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

// A class name comes from a scenario file: it must name a file in the modules folder and
// nothing else.
bool safeClassName(const std::string &name) {
    if (name.empty() || name.size() > kMaxClassNameLength || name.find("..") != std::string::npos)
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

}  // namespace

struct ModuleLoader::Module {
    void *dl = nullptr;
    std::string path;
    void (*initModule)(HINSTANCE) = nullptr;
    void (*exitModule)(HINSTANCE) = nullptr;
    VESSEL *(*ovcInit)(OBJHANDLE, int) = nullptr;
    void (*ovcExit)(VESSEL *) = nullptr;
};

ModuleLoader::ModuleLoader(std::string root) : root_(std::move(root)) {
    for (auto &kv : builtinClasses())
        classes_[kv.first] = std::make_unique<ClassInfo>(*kv.second);
}

ModuleLoader::~ModuleLoader() {
    unloadAll();
}

void ModuleLoader::unloadAll() {
    for (const auto &m : modules_)
        if (m->exitModule)
            m->exitModule(reinterpret_cast<HINSTANCE>(m->dl));
    for (const auto &m : modules_)
        dlclose(m->dl);
    modules_.clear();
    // The classes of unloaded modules are gone with them; built-in ones stay.
    for (auto it = classes_.begin(); it != classes_.end();)
        it = it->second->modulePath.empty() ? std::next(it) : classes_.erase(it);
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

const ClassInfo *ModuleLoader::findClass(const std::string &name, std::string *error) {
    auto it = classes_.find(name);
    if (it != classes_.end())
        return it->second.get();

    const std::string folder = root_ + "/modules";
    if (!safeClassName(name)) {
        if (error)
            *error = "vessel class \"" + name + "\" is not a valid class name";
        return nullptr;
    }
    const std::string path = folder + "/" + name + ".dll";
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
    modules_.push_back(std::move(m));
    if (mp->initModule)
        mp->initModule(reinterpret_cast<HINSTANCE>(dl));

    auto info = makeClass(
        name, [mp](OBJHANDLE h, int fm) { return mp->ovcInit(h, fm); },
        [mp](VESSEL *v) { mp->ovcExit(v); });
    info->modulePath = path;
    const ClassInfo *result = info.get();
    classes_[name] = std::move(info);
    return result;
}

}  // namespace sim
