// The add-on as a user installs it (cmake --install into a fresh folder) and the headless
// host's runtime root laid out from the same rules: every file in place, class config files
// that name their modules, and a mesh the simulator can read that has the groups the
// capsule's deployment animation moves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "World.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Trim(const std::string &s) {
    const char *blanks = " \t\r";
    const std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

std::string Lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every file under root, relative to it, sorted.
std::set<std::string> FilesUnder(const fs::path &root) {
    std::set<std::string> out;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            out.insert(fs::relative(entry.path(), root).generic_string());
    return out;
}

// A class config file as the simulator reads it: "Key = Value" items, ";" to the end of the
// line a comment, keys without regard to letter case. An item given twice is an error here.
struct ClassConfig {
    std::map<std::string, std::string> items;  // lower-case key -> value
    std::string error;
};

ClassConfig ReadClassConfig(const fs::path &path) {
    ClassConfig cfg;
    std::istringstream in(ReadText(path));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = Trim(line.substr(0, line.find(';')));
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? "" : Lower(Trim(line.substr(0, eq)));
        if (key.empty()) {
            cfg.error = "line " + std::to_string(n) + " is no item: " + line;
            return cfg;
        }
        if (!cfg.items.emplace(key, Trim(line.substr(eq + 1))).second) {
            cfg.error = "line " + std::to_string(n) + " repeats " + key;
            return cfg;
        }
    }
    return cfg;
}

// A mesh in the simulator's text format, read strictly: any departure is an error naming
// the place. Only what the tests look at is kept.
struct Mesh {
    std::vector<std::string> labels;  // one per group, "" when unlabelled
    std::string error;
};

class MeshReader {
public:
    explicit MeshReader(const std::string &text) : in_(text) {}

    Mesh Read() {
        Mesh m;
        int groups = 0;
        if (!Line("MSHX1") || !Count("GROUPS", groups))
            return Fail(m);
        std::vector<int> materialOf, textureOf;
        for (int g = 0; g < groups; ++g) {
            std::string label;
            if (!Group(label, materialOf, textureOf))
                return Fail(m, "group " + std::to_string(g));
            m.labels.push_back(label);
        }
        int materials = 0;
        if (!Count("MATERIALS", materials))
            return Fail(m);
        std::vector<std::string> names(materials);
        for (std::string &name : names)
            if (!Next(name))
                return Fail(m, "material names");
        for (const std::string &name : names)
            if (!Line("MATERIAL " + name) || !Numbers(4) || !Numbers(4) || !Numbers(4, 5) ||
                !Numbers(4))
                return Fail(m, "material " + name);
        int textures = 0;
        if (!Count("TEXTURES", textures))
            return Fail(m);
        for (int t = 0; t < textures; ++t)
            if (std::string name; !Next(name))
                return Fail(m, "texture names");
        for (std::size_t g = 0; g < materialOf.size(); ++g)
            if (materialOf[g] > materials || textureOf[g] > textures)
                return Fail(m, "group " + std::to_string(g) +
                                   " names a material or texture "
                                   "that is not there");
        std::string rest;
        if (Next(rest))
            return Fail(m, "text after the texture list: " + rest);
        return m;
    }

private:
    bool Group(std::string &label, std::vector<int> &materialOf, std::vector<int> &textureOf) {
        int material = -1, texture = -1;
        int nv = -1, nt = -1;
        std::string line;
        while (Next(line)) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "LABEL") {
                label = Trim(line.substr(5));
            } else if (word == "MATERIAL") {
                words >> material;
            } else if (word == "TEXTURE") {
                words >> texture;
            } else if (word == "GEOM") {
                words >> nv >> nt;
                break;
            } else if (word != "NONORMAL" && word != "TEXWRAP" && word != "FLAG" &&
                       word != "ZBIAS") {
                why_ = "unknown line " + line;
                return false;
            }
        }
        if (material < 0 || texture < 0 || nv <= 0 || nt <= 0) {
            why_ = "MATERIAL, TEXTURE or GEOM missing";
            return false;
        }
        materialOf.push_back(material);
        textureOf.push_back(texture);
        const int perVertex = texture > 0 ? 8 : 6;
        for (int v = 0; v < nv; ++v) {
            std::vector<double> x;
            if (!Numbers(perVertex, perVertex, &x))
                return false;
            const double length = std::sqrt(x[3] * x[3] + x[4] * x[4] + x[5] * x[5]);
            if (std::abs(length - 1.0) > 1e-3) {
                why_ = "vertex " + std::to_string(v) + " has a normal of length " +
                       std::to_string(length);
                return false;
            }
        }
        for (int t = 0; t < nt; ++t) {
            std::vector<double> i;
            if (!Numbers(3, 3, &i))
                return false;
            for (double index : i)
                if (index < 0 || index >= nv || index != std::floor(index)) {
                    why_ = "triangle " + std::to_string(t) + " names vertex " +
                           std::to_string(index) + " of " + std::to_string(nv);
                    return false;
                }
        }
        return true;
    }

    // The next line that is not blank.
    bool Next(std::string &line) {
        while (std::getline(in_, line)) {
            ++lineNumber_;
            line = Trim(line);
            if (!line.empty())
                return true;
        }
        return false;
    }
    bool Line(const std::string &expected) {
        std::string line;
        if (Next(line) && line == expected)
            return true;
        why_ = "expected " + expected;
        return false;
    }
    bool Count(const std::string &keyword, int &n) {
        std::string line, word;
        if (Next(line)) {
            std::istringstream words(line);
            if (words >> word >> n && word == keyword && n >= 0)
                return true;
        }
        why_ = "expected " + keyword + " and a count";
        return false;
    }
    // A line of min..max numbers and nothing else.
    bool Numbers(int min, int max = -1, std::vector<double> *out = nullptr) {
        if (max < 0)
            max = min;
        std::string line;
        if (!Next(line)) {
            why_ = "the file ends early";
            return false;
        }
        std::istringstream words(line);
        std::vector<double> x;
        double v;
        while (words >> v)
            x.push_back(v);
        if (!words.eof() || int(x.size()) < min || int(x.size()) > max) {
            why_ = "expected " + std::to_string(min) + " numbers: " + line;
            return false;
        }
        if (out)
            *out = x;
        return true;
    }
    Mesh Fail(Mesh &m, const std::string &where = "") {
        m.error = "line " + std::to_string(lineNumber_) + (where.empty() ? "" : ", " + where) +
                  ": " + why_;
        return m;
    }

    std::istringstream in_;
    std::string why_;
    int lineNumber_ = 0;
};

// The add-on installed as a user would, into a temporary folder.
class UserInstall : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "vemoinstall-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        prefix_ = templ;
        const std::string command = std::string("\"") + VEMO_CMAKE_COMMAND + "\" --install \"" +
                                    VEMO_BINARY_DIR + "\" --prefix \"" + prefix_.string() +
                                    "\" > \"" + (prefix_ / "install.log").string() + "\" 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(prefix_ / "install.log");
        fs::remove(prefix_ / "install.log");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(prefix_, ec);
    }

    fs::path prefix_;
};

const std::set<std::string> kAddonFiles = {
    "modules/vemopod.dll",
    "config/vessels/vemopod.cfg",
    "meshes/vemopod.msh",
    "scenarios/vemopod/roundtrip.scn",
    "scenarios/vemopod/two_pods.scn",
    "doc/vemopod.md",
    "doc/vemopod-mesh.svg",
    "doc/vemopod-LICENSE.txt",
    "Images/vemopod.bmp",
};
// The sample for module authors, a component of its own: its vessels have no mesh.
const std::set<std::string> kSampleFiles = {
    "modules/crewhab.dll",
    "config/vessels/crewhab.cfg",
    "scenarios/vemopod/transfer.scn",
};
const std::set<std::string> kStandInFiles = {"modules/Vemo.dll", "config/vessels/Vemo.cfg",
                                             "meshes/Vemo/ver.dtf", "modules/glider.dll",
                                             "config/vessels/glider.cfg"};

// Each class config in the tree names its own class and a module the tree holds.
void ExpectClassConfigsNameTheirModules(const fs::path &tree,
                                        const std::set<std::string> &classes) {
    std::set<std::string> found;
    for (const auto &entry : fs::directory_iterator(tree / "config" / "vessels")) {
        const std::string cls = entry.path().stem().string();
        found.insert(cls);
        const ClassConfig cfg = ReadClassConfig(entry.path());
        ASSERT_EQ(cfg.error, "") << entry.path();
        ASSERT_EQ(cfg.items.count("classname"), 1u) << entry.path();
        EXPECT_EQ(cfg.items.at("classname"), cls) << entry.path();
        ASSERT_EQ(cfg.items.count("module"), 1u) << entry.path();
        const std::string module = cfg.items.at("module");
        EXPECT_EQ(module, cls) << entry.path();
        EXPECT_TRUE(fs::is_regular_file(tree / "modules" / (module + ".dll"))) << module;
        // The module sets up its meshes itself; a mesh named here would be loaded twice.
        EXPECT_EQ(cfg.items.count("meshname"), 0u) << entry.path();
    }
    EXPECT_EQ(found, classes) << tree;
}

}  // namespace

TEST_F(UserInstall, HoldsTheAddonButNeitherTheSampleNorTheCompanionStandIn) {
    // The stand-in would take the place of the real companion module in the simulator.
    EXPECT_EQ(FilesUnder(prefix_), kAddonFiles);
    ExpectClassConfigsNameTheirModules(prefix_, {"vemopod"});
    // The launchpad's picture is where the class config says, a 24-bit BMP.
    const ClassConfig cfg = ReadClassConfig(prefix_ / "config" / "vessels" / "vemopod.cfg");
    ASSERT_EQ(cfg.items.count("imagebmp"), 1u);
    std::string image = cfg.items.at("imagebmp");
    std::replace(image.begin(), image.end(), '\\', '/');
    const std::string bmp = ReadText(prefix_ / image);
    ASSERT_GE(bmp.size(), 54u) << image;
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24u) << "bits per pixel";
}

TEST_F(UserInstall, TheSampleIsAComponentOfItsOwn) {
    const fs::path sample = prefix_ / "sample";
    const std::string command = std::string("\"") + VEMO_CMAKE_COMMAND + "\" --install \"" +
                                VEMO_BINARY_DIR + "\" --component crewhab --prefix \"" +
                                sample.string() + "\" > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(FilesUnder(sample), kSampleFiles);
}

TEST_F(UserInstall, TheRuntimeRootHoldsTheSameFilesAndTheStandIn) {
    const fs::path root = testsupport::buildRoot();
    std::set<std::string> expected = kAddonFiles;
    expected.insert(kSampleFiles.begin(), kSampleFiles.end());
    expected.insert(kStandInFiles.begin(), kStandInFiles.end());
    // The root also gets the hand-over files of runs made from it; those are not looked at.
    std::set<std::string> rootFiles = FilesUnder(root);
    for (auto it = rootFiles.begin(); it != rootFiles.end();)
        it = it->rfind("config/vessels/", 0) != 0 && it->rfind("config/", 0) == 0
                 ? rootFiles.erase(it)
                 : std::next(it);
    EXPECT_EQ(rootFiles, expected);
    for (const std::string &file : kAddonFiles)
        EXPECT_EQ(ReadText(root / file), ReadText(prefix_ / file)) << file << " differs";
    ExpectClassConfigsNameTheirModules(root, {"vemopod", "crewhab", "Vemo", "glider"});
}

TEST_F(UserInstall, MeshIsReadableAndHasTheGroupsTheDeploymentMoves) {
    const Mesh mesh = MeshReader(ReadText(prefix_ / "meshes" / "vemopod.msh")).Read();
    ASSERT_EQ(mesh.error, "");
    ASSERT_GE(mesh.labels.size(), 4u);

    // Every group the capsule's animations move in its own mesh (mesh 0) is in the file.
    testsupport::TempRoot root;
    sim::WorldOptions options;
    options.root = root.path();
    sim::World world(options);
    const sim::VesselRecord &pod =
        testsupport::rec(world, testsupport::create(world, "Pod", "vemopod"));
    std::set<UINT> moved;
    for (const sim::Animation &a : pod.animations)
        for (const sim::AnimationComponent *c : a.components)
            if (c->transform->mesh == 0)
                moved.insert(c->transform->grp, c->transform->grp + c->transform->ngrp);
    EXPECT_EQ(moved, (std::set<UINT>{0, 1, 2, 3}));
    for (UINT g : moved)
        EXPECT_LT(g, mesh.labels.size());
}

// The reader itself: a mesh that breaks the format is refused, not half read.
TEST(MeshReader, RefusesBrokenMeshes) {
    const std::string good =
        "MSHX1\nGROUPS 1\nMATERIAL 1\nTEXTURE 0\nGEOM 3 1\n"
        "0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n0 2 1\n"
        "MATERIALS 1\nm\nMATERIAL m\n1 1 1 1\n1 1 1 1\n1 1 1 1 5\n0 0 0 1\nTEXTURES 0\n";
    EXPECT_EQ(MeshReader(good).Read().error, "");
    const std::vector<std::pair<std::string, std::string>> broken = {
        {"GROUPS 1", "GROUPS 2"},             // fewer groups than announced
        {"0 2 1", "0 3 1"},                   // a triangle past the group's vertices
        {"0 1 0 0 0 1", "0 1 0 0 0 2"},       // a normal that is not a unit vector
        {"MATERIAL 1", "MATERIAL 2"},         // a material that is not listed
        {"TEXTURES 0\n", "TEXTURES 0\nx\n"},  // text after the end
    };
    for (const auto &[from, to] : broken) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        EXPECT_NE(MeshReader(text).Read().error, "") << "read without complaint: " << to;
    }
}
