// Class config files, config/vessels/<Class>.cfg, as an add-on's installer or a user leaves
// them: the input is the whole file of a class the host is asked for.
//
// Beyond "no crash, no undefined behaviour, no leak": the host either refuses the class with
// a message or makes its vessels, and such a vessel saves into a scenario that writes as
// text. The host's reader of class configs (ClassConfig.h) is checked too: a Module item's
// value holds no comment, line break, NUL byte or surrounding blank, and written back as
// "Module = NAME" it reads as the same name.
#include <filesystem>
#include <string>
#include <string_view>

#include "ClassConfig.h"
#include "ScenarioText.h"
#include "fuzz_support.h"

namespace {

constexpr char kClass[] = "FuzzClass";
constexpr char kConfigFolder[] = "config/vessels";
constexpr char kConfigFile[] = "config/vessels/FuzzClass.cfg";

void checkReader(std::string_view text) {
    const sim::ClassConfig config = sim::parseClassConfig(text);
    const std::string &module = config.module;
    FUZZ_CHECK(module.find_first_of(std::string_view(";\n\0", 3)) == std::string::npos,
               "module value '%s' holds a comment, line break or NUL byte", module.c_str());
    if (module.empty()) {
        return;
    }
    constexpr std::string_view kEnds = " \t\r";
    FUZZ_CHECK(kEnds.find(module.front()) == std::string_view::npos &&
                   kEnds.find(module.back()) == std::string_view::npos,
               "module value '%s' keeps its blanks", module.c_str());
    FUZZ_CHECK(sim::parseClassConfig("Module = " + module + "\n").module == module,
               "module '%s' does not read back", module.c_str());
}

// A carriage return is a blank wherever it stands: the file reads as the same with every one
// of them made a blank (the line breaks stay as they are).
void checkCarriageReturns(std::string_view text) {
    std::string blanked(text);
    for (char &c : blanked) {
        c = c == '\r' ? ' ' : c;
    }
    const sim::ClassConfig asWritten = sim::parseClassConfig(text);
    const sim::ClassConfig asBlanks = sim::parseClassConfig(blanked);
    FUZZ_CHECK(asWritten.module == asBlanks.module && asWritten.enableFocus == asBlanks.enableFocus,
               "carriage returns read otherwise than blanks: module '%s' against '%s'",
               asWritten.module.c_str(), asBlanks.module.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::unique_ptr<sim::World> world = fuzzsupport::newCrewWorld();
    std::error_code ignored;
    std::filesystem::create_directories(kConfigFolder, ignored);
    fuzzsupport::writeFile(kConfigFile, data, size);
    checkReader(std::string_view(reinterpret_cast<const char *>(data), size));
    checkCarriageReturns(std::string_view(reinterpret_cast<const char *>(data), size));

    std::string why;
    if (!world->checkClass(kClass, &why)) {
        FUZZ_CHECK(!why.empty(), "a class refused without a reason");
        return 0;
    }
    OBJHANDLE vessel = world->createVessel("F", kClass, sim::makeStatus(), &why);
    if (!vessel) {
        FUZZ_CHECK(!why.empty(), "a vessel refused without a reason");
        return 0;
    }
    world->step(2);
    std::string text;
    FUZZ_CHECK(sim::formatScenarioText(world->save(), {}, false, text, why),
               "a vessel of the class cannot be saved: %s", why.c_str());
    return 0;
}
