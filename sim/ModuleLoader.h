// Vessel classes and the modules behind them, as the simulator finds them: a class is a
// class config file, config/vessels/<Class>.cfg (ClassConfig.h), whose Module item names
// the vessel module modules/<Module>.dll; a class without one gives plain vessels. Tests may
// also register classes compiled into the process; those need no file and take precedence.
//
// Each vessel loads its module for itself, and the operating system counts the loads: the
// module's InitModule runs when the first vessel loads it, its ExitModule when the last
// vessel using it goes, and the module is then unloaded. A later vessel loads it afresh, so
// every static variable of the module starts from its first value again, as in the
// simulator.
#ifndef VEMO_SIM_MODULELOADER_H
#define VEMO_SIM_MODULELOADER_H

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Orbitersdk.h"

namespace sim {

// A class compiled into the process.
struct ClassInfo {
    std::string name;
    std::function<VESSEL *(OBJHANDLE, int)> init;
    std::function<void(VESSEL *)> exit;
};

// What a vessel's class gives it.
struct VesselClass {
    std::string name;
    const ClassInfo *builtin = nullptr;  // compiled into the process
    std::string modulePath;              // the module file; empty for plain vessels
    bool enableFocus = true;             // the vessels may take the keyboard focus
    std::string missingModule;           // why the module named is not there, if it is not
};

// A module loaded for one or more vessels, with its four entry points.
struct LoadedModule {
    std::string path;
    void *dl = nullptr;
    int vessels = 0;  // vessels that loaded it and are not gone yet
    void (*initModule)(HINSTANCE) = nullptr;
    void (*exitModule)(HINSTANCE) = nullptr;
    VESSEL *(*ovcInit)(OBJHANDLE, int) = nullptr;
    void (*ovcExit)(VESSEL *) = nullptr;
};

class ModuleLoader {
public:
    // Classes from the class config files and modules under `root`, and every class
    // compiled in so far (registerBuiltinClass).
    explicit ModuleLoader(std::string root);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader &) = delete;
    ModuleLoader &operator=(const ModuleLoader &) = delete;

    // A class compiled into the process, for this loader only.
    void registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                       std::function<void(VESSEL *)> exit);
    // A class compiled into the process that every loader made afterwards knows.
    static void registerBuiltinClass(const std::string &name,
                                     std::function<VESSEL *(OBJHANDLE, int)> init,
                                     std::function<void(VESSEL *)> exit);

    // Finds the class: compiled in, or its class config file (read afresh each time, as the
    // simulator does for each vessel, unless held). False with a message naming the class and
    // the file when there is no such class, or the name could name a file elsewhere. A config
    // naming a module that is not there gives a class all the same (missingModule says so):
    // its vessels are plain ones, as in the simulator.
    bool findClass(const std::string &name, VesselClass &out, std::string *error = nullptr);
    // While held (more hold() than release() calls), each class's config file is read once
    // and its answer kept: a scenario's vessels of one class read it once between them.
    void hold() { ++held_; }
    void release();

    // Loads a module for one more vessel; InitModule on the first load. Null with a message
    // when it cannot be loaded or lacks ovcInit or ovcExit.
    LoadedModule *load(const std::string &path, std::string *error = nullptr);
    // One vessel fewer; with the last one, ExitModule and the module is unloaded.
    void unload(LoadedModule *module);
    // Modules loaded now.
    std::size_t loadedCount() const { return modules_.size(); }
    // Class config files read so far.
    std::size_t configReads() const { return configReads_; }

private:
    // What findClass answered for a class from its config file.
    struct Found {
        bool ok = false;
        VesselClass cls;
        std::string error;
    };
    bool readClass(const std::string &name, VesselClass &out, std::string *error) const;

    std::string root_;
    int held_ = 0;
    mutable std::size_t configReads_ = 0;
    std::map<std::string, Found> found_;                            // while held, by class name
    std::map<std::string, std::unique_ptr<ClassInfo>> classes_;     // compiled in
    std::map<std::string, std::unique_ptr<LoadedModule>> modules_;  // by path
};

}  // namespace sim

#endif
