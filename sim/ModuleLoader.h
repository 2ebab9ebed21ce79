// Vessel classes: those compiled into the process, and those loaded from vessel modules in
// <root>/modules/<Class>.dll, each through its four entry points (InitModule once when the
// module is loaded, ovcInit per vessel, ovcExit when a vessel goes, ExitModule at the end).
#ifndef VEMO_SIM_MODULELOADER_H
#define VEMO_SIM_MODULELOADER_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Orbitersdk.h"

namespace sim {

// A vessel class: either compiled into the process or loaded from a module.
struct ClassInfo {
    std::string name;
    std::function<VESSEL *(OBJHANDLE, int)> init;
    std::function<void(VESSEL *)> exit;
    std::string modulePath;  // empty for in-process classes
};

class ModuleLoader {
public:
    // Classes from modules in `root`/modules, and every built-in class registered so far.
    explicit ModuleLoader(std::string root);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader &) = delete;
    ModuleLoader &operator=(const ModuleLoader &) = delete;

    // A class compiled into the process. Takes precedence over a module of the same name.
    void registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                       std::function<void(VESSEL *)> exit);
    // A class compiled into the process that every loader made afterwards knows.
    static void registerBuiltinClass(const std::string &name,
                                     std::function<VESSEL *(OBJHANDLE, int)> init,
                                     std::function<void(VESSEL *)> exit);
    // Finds the class, loading <root>/modules/<name>.dll when it is not registered. On
    // failure returns null and puts a message naming the class and the folder in `error`.
    const ClassInfo *findClass(const std::string &name, std::string *error = nullptr);
    // ExitModule of every loaded module, in load order, then the modules are unloaded. Every
    // vessel instance of their classes must be gone by then.
    void unloadAll();

private:
    struct Module;

    std::string root_;
    std::map<std::string, std::unique_ptr<ClassInfo>> classes_;
    std::vector<std::unique_ptr<Module>> modules_;  // in load order
};

}  // namespace sim

#endif
