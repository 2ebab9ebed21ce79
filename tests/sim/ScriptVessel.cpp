#include "ScriptVessel.h"

ScriptVessel::Hooks ScriptVessel::hooks;
std::vector<std::string> ScriptVessel::journal;
