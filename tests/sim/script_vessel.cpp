#include "script_vessel.h"

ScriptVessel::Hooks ScriptVessel::hooks;
std::vector<std::string> ScriptVessel::journal;
