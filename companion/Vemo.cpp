// Stand-in for the companion crew-member module: the vessel class "Vemo".
//
// A crew member outside a vessel is a vessel of this class. Crew-capable vessels create it
// in two ways:
//  - EVA: the object name is "Vemo_" followed by the member's text (blanks as underscores),
//    and the member's record waits in config\Vemotmp.cfg. This class takes the record when
//    its vessel is set up and, once the member has stepped out, publishes age, pulse and
//    weight on a to-parent point "V-em", which is how a crew-capable vessel recognises a
//    member that walks back into its airlock box.
//  - Transfer: the object name is "VemoT" followed by the receiving vessel's name. The
//    sending vessel's crew library adds the "V-em" point itself; this class only brings the
//    to-parent point of its own that must come before it.
//
// Stepping out before stepping back in: a member leaves at the vessel's exit offset, which
// may lie inside that vessel's own airlock box (the capsule's does). With "V-em" published at
// once, the member would be taken straight back at the vessel's next scan. So an EVA vessel
// publishes "V-em" only after it has stood outside every airlock box it can read - the
// to-child points "Vemo" of all other vessels - at the end of a step. From then on the point
// stays, and walking into any airlock box brings the member aboard.
//
// The member's values and whether the member has stepped out are kept in the vessel's own
// scenario lines ("MEMBER age pulse weight", "OUTSIDE 1"), so a saved EVA, or a transfer
// waiting to be taken, survives a reload.
//
// The record file comes from another module and is not trusted: it is used only when it is
// a regular file inside the simulator's folder (no link, pipe or device, and no linked
// folder on the way), exactly one record long, its name field is terminated, names this
// very vessel, and its values lie within the crew roster's limits. Otherwise the member
// keeps default values.

#include <Orbitersdk.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "AirlockMap.h"

namespace {

// In the simulator this module is another vendor's and shares no code with the crew library:
// only the conventions below. So it keeps its own copy of them, and includes nothing from
// crew/.

// Physical parameters of a crew member in a suit.
constexpr double MEMBER_EMPTY_MASS = 120.0;  // kg
constexpr double MEMBER_SIZE = 1.0;          // m

// Object-name prefixes and attachment ids of the crew convention.
constexpr char EVA_PREFIX[] = "Vemo_";
constexpr std::size_t EVA_PREFIX_LENGTH = 5;
constexpr char MEMBER_ID[] = "V-em";  // to-parent point: the member's values
constexpr char GRIP_ID[] = "GRIP";    // the class's own to-parent point

// Values for a member whose record could not be used.
constexpr int DEFAULT_AGE = 41;     // years
constexpr int DEFAULT_PULSE = 60;   // beats per minute
constexpr int DEFAULT_WEIGHT = 75;  // kg

// Limits of the crew roster that receives the member; a record outside them is not used.
constexpr int MIN_AGE = 0, MAX_AGE = 140;
constexpr int MIN_PULSE = 0, MAX_PULSE = 180;
constexpr int MIN_WEIGHT = 5, MAX_WEIGHT = 300;

// The EVA hand-over record: one record of 104 bytes, little-endian, in a file relative to
// the simulator's working folder.
#if defined(_WIN32)
constexpr char EVA_RECORD_PATH[] = "config\\Vemotmp.cfg";
#else
constexpr char EVA_RECORD_PATH[] = "config/Vemotmp.cfg";
#endif
constexpr std::size_t RECORD_SIZE = 104;
constexpr std::size_t NAME_FIELD_SIZE = 40;
constexpr std::size_t AGE_OFFSET = 80;
constexpr std::size_t PULSE_OFFSET = 84;
constexpr std::size_t WEIGHT_OFFSET = 92;

// Scenario lines of this class.
constexpr char MEMBER_LINE[] = "MEMBER";
constexpr char OUTSIDE_LINE[] = "OUTSIDE";

struct Member {
    int age = DEFAULT_AGE;
    int pulse = DEFAULT_PULSE;
    int weight = DEFAULT_WEIGHT;
};

bool InRange(long v, int lo, int hi) {
    return v >= lo && v <= hi;
}

std::int32_t ReadLe32(const unsigned char *p) {
    std::uint32_t u = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(u);
}

bool StartsWith(const std::string &s, const char *prefix, std::size_t n) {
    return s.size() >= n && s.compare(0, n, prefix, n) == 0;
}

// A value another vessel published on an attachment point, as a whole number: NaN and values
// beyond int stop at 0 and the ends (converting them as they are is undefined).
int PointValue(double v) {
    if (!(v == v))
        return 0;
    if (v >= double(INT_MAX))
        return INT_MAX;
    if (v <= double(INT_MIN))
        return INT_MIN;
    return int(v);
}

#if defined(_WIN32)
std::FILE *OpenRecordFile(const char *path) {
    return std::fopen(path, "rb");
}
#else
// Opens a regular file below the current folder for reading without following a link (the
// folders on the way included) and without waiting on a pipe. Anything else there is
// written to the host's log and taken as missing.
std::FILE *OpenRecordFile(const char *path) {
    auto refuse = [path](const std::string &part, const char *what) {
        std::string line =
            std::string("Vemo: ") + part + " is not " + what + ": " + path + " taken as missing";
        oapiWriteLog(line.data());
        return nullptr;
    };
    int dir = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string rest = path;
    std::string walked;
    for (std::size_t slash; dir >= 0 && (slash = rest.find('/')) != std::string::npos;) {
        const std::string name = rest.substr(0, slash);
        walked += (walked.empty() ? "" : "/") + name;
        rest.erase(0, slash + 1);
        struct stat st;
        int next = -1;
        if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                close(dir);
                return refuse(walked, "a folder");
            }
            next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        close(dir);
        dir = next;
    }
    if (dir < 0)
        return nullptr;
    struct stat st;
    int fd = -1;
    if (fstatat(dir, rest.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISREG(st.st_mode))
            fd = openat(dir, rest.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        else {
            close(dir);
            return refuse(path, "a regular file");
        }
    }
    close(dir);
    if (fd < 0)
        return nullptr;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return refuse(path, "a regular file");
    }
    std::FILE *f = fdopen(fd, "rb");
    if (!f)
        close(fd);
    return f;
}
#endif

// Reads the EVA record meant for the vessel named objectName; nothing when the file is
// missing, of another size, or not this member's.
std::optional<Member> ReadEvaRecord(const std::string &objectName) {
    std::FILE *f = OpenRecordFile(EVA_RECORD_PATH);
    if (!f)
        return std::nullopt;
    std::array<unsigned char, RECORD_SIZE + 1> buf{};
    std::size_t n = std::fread(buf.data(), 1, buf.size(), f);
    std::fclose(f);
    if (n != RECORD_SIZE)
        return std::nullopt;

    const char *name = reinterpret_cast<const char *>(buf.data());
    const void *end = std::memchr(name, '\0', NAME_FIELD_SIZE);
    if (!end)
        return std::nullopt;
    std::string recordName(name, static_cast<const char *>(end) - name);
    if (!StartsWith(recordName, EVA_PREFIX, EVA_PREFIX_LENGTH))
        return std::nullopt;
    // The record keeps the blanks that the object name turned into underscores.
    for (char &c : recordName) {
        if (c == ' ')
            c = '_';
    }
    if (recordName != objectName)
        return std::nullopt;

    Member m;
    m.age = ReadLe32(buf.data() + AGE_OFFSET);
    m.pulse = ReadLe32(buf.data() + PULSE_OFFSET);
    m.weight = ReadLe32(buf.data() + WEIGHT_OFFSET);
    if (!InRange(m.age, MIN_AGE, MAX_AGE) || !InRange(m.pulse, MIN_PULSE, MAX_PULSE) ||
        !InRange(m.weight, MIN_WEIGHT, MAX_WEIGHT)) {
        return std::nullopt;
    }
    return m;
}

// Parses "age pulse weight" from a MEMBER line; nothing unless all three are whole numbers
// within the roster's limits and nothing else follows.
std::optional<Member> ParseMemberValues(const char *text) {
    long v[3];
    const char *p = text;
    for (long &x : v) {
        char *end = nullptr;
        x = std::strtol(p, &end, 10);
        if (end == p)
            return std::nullopt;
        p = end;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != '\0')
        return std::nullopt;
    if (!InRange(v[0], MIN_AGE, MAX_AGE) || !InRange(v[1], MIN_PULSE, MAX_PULSE) ||
        !InRange(v[2], MIN_WEIGHT, MAX_WEIGHT)) {
        return std::nullopt;
    }
    return Member{int(v[0]), int(v[1]), int(v[2])};
}

// Matches a scenario line's keyword exactly, followed by the end or white space; returns
// the text after the keyword.
const char *MatchKeyword(const char *line, const char *keyword) {
    std::size_t n = std::strlen(keyword);
    if (std::strncmp(line, keyword, n) != 0)
        return nullptr;
    if (line[n] != '\0' && line[n] != ' ' && line[n] != '\t')
        return nullptr;
    return line + n;
}

class Vemo final : public VESSEL2 {
public:
    Vemo(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) {}

    void clbkSetClassCaps(FILEHANDLE cfg) override {
        SetEmptyMass(MEMBER_EMPTY_MASS);
        SetSize(MEMBER_SIZE);
        const VECTOR3 origin = {{0.0, 0.0, 0.0}};
        const VECTOR3 dir = {{0.0, 0.0, 1.0}};
        const VECTOR3 rot = {{0.0, 1.0, 0.0}};
        CreateAttachment(true, origin, dir, rot, GRIP_ID);

        const char *name = GetName();
        const std::string objectName = name ? name : "";
        isEva_ = StartsWith(objectName, EVA_PREFIX, EVA_PREFIX_LENGTH);
        if (isEva_) {
            hasMember_ = true;
            if (auto m = ReadEvaRecord(objectName))
                member_ = *m;
        }
    }

    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        char *line = nullptr;
        while (oapiReadScenario_nextline(scn, line)) {
            if (const char *rest = MatchKeyword(line, MEMBER_LINE)) {
                if (auto m = ParseMemberValues(rest)) {
                    member_ = *m;
                    hasMember_ = true;
                    continue;
                }
            } else if (const char *flag = MatchKeyword(line, OUTSIDE_LINE)) {
                if (std::strtol(flag, nullptr, 10) == 1) {
                    steppedOut_ = true;
                    continue;
                }
            }
            ParseScenarioLineEx(line, status);
        }
    }

    void clbkSaveState(FILEHANDLE scn) override {
        SaveDefaultState(scn);
        // A transfer vessel's point was made by the sending crew library; save what it
        // carries so that the hand-over survives a reload as well.
        Member m = member_;
        bool published = false;
        if (ATTACHMENTHANDLE a = MemberPoint()) {
            VECTOR3 pos = {}, dir = {}, rot = {};
            GetAttachmentParams(a, pos, dir, rot);
            // Values another module put there are kept only within the roster's limits,
            // like a record's: others would not load back, and the member would be lost.
            const Member onPoint{PointValue(pos.x), PointValue(pos.y), PointValue(pos.z)};
            if (InRange(onPoint.age, MIN_AGE, MAX_AGE) &&
                InRange(onPoint.pulse, MIN_PULSE, MAX_PULSE) &&
                InRange(onPoint.weight, MIN_WEIGHT, MAX_WEIGHT)) {
                m = onPoint;
            }
            published = true;
        } else if (!hasMember_) {
            return;
        }
        char values[64];
        std::snprintf(values, sizeof values, "%d %d %d", m.age, m.pulse, m.weight);
        char item[sizeof MEMBER_LINE];
        std::snprintf(item, sizeof item, "%s", MEMBER_LINE);
        oapiWriteScenario_string(scn, item, values);
        // Loaded as stepped out but not yet stepped since: still out. Left unsaved, a transfer
        // vessel saved twice would never show its member again.
        if (published || steppedOut_) {
            char outside[sizeof OUTSIDE_LINE];
            std::snprintf(outside, sizeof outside, "%s", OUTSIDE_LINE);
            char one[] = "1";
            oapiWriteScenario_string(scn, outside, one);
        }
    }

    void clbkPostStep(double simt, double simdt, double mjd) override {
        if (published_ || !hasMember_)
            return;
        if (MemberPoint()) {  // made by a crew library (transfer vessel)
            published_ = true;
            return;
        }
        if (!steppedOut_) {
            if (!isEva_ || !OutsideEveryAirlock())
                return;
            steppedOut_ = true;
        }
        const VECTOR3 values = {
            {double(member_.age), double(member_.pulse), double(member_.weight)}};
        const VECTOR3 zero = {{0.0, 0.0, 0.0}};
        if (CreateAttachment(true, values, zero, zero, MEMBER_ID))
            published_ = true;
    }

private:
    // The last to-parent point, when its id is "V-em": where crew libraries read a member.
    ATTACHMENTHANDLE MemberPoint() const {
        DWORD n = AttachmentCount(true);
        if (n == 0)
            return nullptr;
        ATTACHMENTHANDLE a = GetAttachmentHandle(true, n - 1);
        if (!a)
            return nullptr;
        const char *id = GetAttachmentId(a);
        return id && std::strcmp(id, MEMBER_ID) == 0 ? a : nullptr;
    }

    // True when this vessel lies in no airlock box published by another vessel (see
    // AirlockMap.h).
    bool OutsideEveryAirlock() const {
        VECTOR3 self = {};
        oapiGetGlobalPos(GetHandle(), &self);
        return !AirlocksOfThisFrame().Contains(self, GetHandle());
    }

    Member member_;
    bool isEva_ = false;       // named "Vemo_...": an EVA vessel waiting to step out
    bool hasMember_ = false;   // member_ holds a member (EVA, or from the scenario)
    bool steppedOut_ = false;  // has stood outside every airlock box
    bool published_ = false;   // the "V-em" point exists
};

}  // namespace

DLLCLBK void InitModule(HINSTANCE) {}
DLLCLBK void ExitModule(HINSTANCE) {}

DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {
    return new Vemo(hvessel, flightmodel);
}

// Only an instance of ours: the plain VESSEL the host makes itself (Version() 0) is its own.
DLLCLBK void ovcExit(VESSEL *vessel) {
    if (vessel && vessel->Version() != 0) {
        delete static_cast<Vemo *>(vessel);
    }
}
