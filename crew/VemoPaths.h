// File names the crew library opens, relative to the simulator's working folder.
//
// The names are the simulator's own ("modules\Vemo.dll"); only the folder separator follows
// the platform, so a build for the simulator on Windows uses them exactly as written there.
#ifndef VEMO_CREW_VEMOPATHS_H
#define VEMO_CREW_VEMOPATHS_H

#if defined(_WIN32)
#define VEMO_DIR_SEP "\\"
#else
#define VEMO_DIR_SEP "/"
#endif

// The companion crew-member module; only its presence is checked.
inline constexpr char COMPANION_MODULE_PATH[] = "modules" VEMO_DIR_SEP "Vemo.dll";
// Hand-over record for a crew member leaving on EVA; read by the companion module.
inline constexpr char EVA_RECORD_PATH[] = "config" VEMO_DIR_SEP "Vemotmp.cfg";
// Hand-over record for a crew member moving to a docked vessel; read and removed by it.
inline constexpr char TRANSFER_RECORD_PATH[] = "config" VEMO_DIR_SEP "VemotmpT.cfg";
// Version text of the installed crew-member system, such as "1.5".
inline constexpr char COMPANION_VERSION_PATH[] =
    "meshes" VEMO_DIR_SEP "Vemo" VEMO_DIR_SEP "ver.dtf";

#endif  // VEMO_CREW_VEMOPATHS_H
