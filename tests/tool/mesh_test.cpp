// The capsule's mesh against the figures the module gives the simulator: the stowed capsule
// fits its airlock box with room beside it and stands on its touchdown points' height, the
// pilot's eye is inside the hull, the deployed skirt is as wide as the cross-section along z
// says; the faces point out; and the pictures drawn from it are the committed ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "MeshFile.h"
#include "SvgPage.h"
#include "test_support.h"

namespace {

using vemosim::MeshFileData;
using vemosim::MeshVec;

constexpr double kBoxHalf = 2.0;          // m, the airlock box around the origin
constexpr double kRoomBeside = 0.5;       // m, where a member stands beside the stowed hull
constexpr double kBaseZ = -1.0;           // m, the touchdown points' z
constexpr double kCrossSectionZ = 42.15;  // m^2, along z
const MeshVec kEye = {0.0, 0.49, -0.2};   // m, the cockpit camera
constexpr double kTiny = 1e-6;

std::string sourceFile(const std::string &relative) {
    return std::string(VEMO_SOURCE_DIR) + "/" + relative;
}

std::string readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

MeshFileData storedMesh() {
    MeshFileData mesh;
    std::string error;
    EXPECT_TRUE(vemosim::readMeshFile(sourceFile("meshes/vemopod.msh"), mesh, error)) << error;
    return mesh;
}

// Whether a ray from p along +x crosses the group's triangles an odd number of times.
bool inside(const vemosim::MeshGroup &g, const MeshVec &p) {
    int crossings = 0;
    for (const auto &t : g.triangles) {
        const MeshVec &a = g.positions[t[0]], &b = g.positions[t[1]], &c = g.positions[t[2]];
        // Where the triangle's plane meets the ray, by the triangle's (y, z) barycentrics.
        const double d = (b[1] - a[1]) * (c[2] - a[2]) - (c[1] - a[1]) * (b[2] - a[2]);
        if (std::abs(d) < 1e-12)
            continue;
        const double u = ((p[1] - a[1]) * (c[2] - a[2]) - (c[1] - a[1]) * (p[2] - a[2])) / d;
        const double v = ((b[1] - a[1]) * (p[2] - a[2]) - (p[1] - a[1]) * (b[2] - a[2])) / d;
        if (u < 0 || v < 0 || u + v > 1)
            continue;
        if (a[0] + u * (b[0] - a[0]) + v * (c[0] - a[0]) > p[0])
            ++crossings;
    }
    return crossings % 2 == 1;
}

TEST(CapsuleMesh, AgreesWithTheModulesFigures) {
    const MeshFileData stored = storedMesh();
    ASSERT_GE(stored.groups.size(), 5u);
    const vemosim::MeshGroup *hull = nullptr;
    for (const auto &g : stored.groups)
        if (g.label == "HULL")
            hull = &g;
    ASSERT_NE(hull, nullptr) << "no group labelled HULL";
    EXPECT_TRUE(inside(*hull, kEye)) << "the pilot's eye is outside the hull";
    EXPECT_FALSE(inside(*hull, {0.0, 0.0, 1.5})) << "the inside test finds everything inside";

    // Stowed, whichever way the simulator turns groups 0 and 1: within the box, with room to
    // stand beside the hull on x and y, and nothing below the base.
    for (int sense : {1, -1}) {
        const MeshFileData stowed = vemosim::deployedAt(stored, 0.0, sense);
        for (std::size_t g = 0; g < stowed.groups.size(); ++g)
            for (const MeshVec &p : stowed.groups[g].positions) {
                ASSERT_LE(std::max(std::abs(p[0]), std::abs(p[1])), kBoxHalf - kRoomBeside)
                    << "group " << g << " turned " << sense;
                ASSERT_LE(std::abs(p[2]), kBoxHalf) << "group " << g << " turned " << sense;
                ASSERT_GE(p[2], kBaseZ - kTiny) << "group " << g << " turned " << sense;
            }
    }
    // Deployed: nothing below the base either, and the skirt and its ribs (groups 2 and 3)
    // cover at least the cross-section along z.
    std::vector<vemosim::SvgPoint> outline;
    for (std::size_t g = 0; g < stored.groups.size(); ++g)
        for (const MeshVec &p : stored.groups[g].positions) {
            ASSERT_GE(p[2], kBaseZ - kTiny) << "group " << g << " deployed";
            if (g == 2 || g == 3)
                outline.push_back({p[0], p[1]});
        }
    const std::vector<vemosim::SvgPoint> h = vemosim::convexHull(outline);
    double area = 0.0;
    for (std::size_t i = 0; i < h.size(); ++i)
        area += h[i].x * h[(i + 1) % h.size()].y - h[(i + 1) % h.size()].x * h[i].y;
    EXPECT_GE(std::abs(area) / 2, kCrossSectionZ);
}

// Each triangle lists its corners clockwise seen from outside (the frame is left-handed),
// so its cross product points the way its vertex normals do.
TEST(CapsuleMesh, FacesPointOut) {
    const MeshFileData stored = storedMesh();
    for (const auto &g : stored.groups)
        for (const auto &t : g.triangles) {
            const MeshVec &a = g.positions[t[0]], &b = g.positions[t[1]], &c = g.positions[t[2]];
            const MeshVec e1 = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const MeshVec e2 = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const MeshVec n = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                               e1[0] * e2[1] - e1[1] * e2[0]};
            const MeshVec &vn = g.normals[t[0]];
            ASSERT_GT(n[0] * vn[0] + n[1] * vn[1] + n[2] * vn[2], 0.0)
                << g.label << " has a triangle facing inwards";
        }
}

// A broken mesh is refused with the file and line of the fault.
TEST(CapsuleMesh, ReaderNamesTheLineOfAFault) {
    const std::string good =
        "MSHX1\nGROUPS 1\nMATERIAL 1\nTEXTURE 0\nGEOM 3 1\n"
        "0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n0 2 1\n"
        "MATERIALS 1\nm\nMATERIAL m\n1 1 1 1\n1 1 1 1\n1 1 1 1 5\n0 0 0 1\nTEXTURES 0\n";
    MeshFileData mesh;
    std::string error;
    ASSERT_TRUE(vemosim::parseMeshText(good, "m.msh", mesh, error)) << error;
    const struct {
        const char *from, *to, *error;
    } broken[] = {
        {"GROUPS 1", "GROUPS 2", "m.msh:10: "},  // fewer groups than announced
        {"0 2 1", "0 3 1", "m.msh:9: "},         // a triangle past the group's vertices
        {"1 0 0 0 0 1", "1 0 x 0 0 1", "m.msh:7: "},
        {"MATERIAL 1", "MATERIAL 2", "m.msh:3: "},  // a material that is not listed
    };
    for (const auto &b : broken) {
        std::string text = good;
        text.replace(text.find(b.from), std::string(b.from).size(), b.to);
        MeshFileData m;
        EXPECT_FALSE(vemosim::parseMeshText(text, "m.msh", m, error)) << b.to;
        EXPECT_EQ(error.rfind(b.error, 0), 0u) << b.to << ": " << error;
    }
}

// The committed pictures are what `cmake --build build --target mesh-picture` draws now.
TEST(CapsuleMesh, PicturesAreFresh) {
    testsupport::TempRoot dir;
    const std::string command = std::string("\"") + VEMOMESH_PATH + "\" \"" +
                                sourceFile("meshes/vemopod.msh") + "\" \"" + dir.file("mesh.svg") +
                                "\" \"" + dir.file("mesh.bmp") + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(dir.read("mesh.svg"), readBytes(sourceFile("doc/vemopod-mesh.svg")))
        << "doc/vemopod-mesh.svg is stale: cmake --build build --target mesh-picture";
    EXPECT_EQ(readBytes(dir.file("mesh.bmp")), readBytes(sourceFile("meshes/vemopod.bmp")))
        << "meshes/vemopod.bmp is stale: cmake --build build --target mesh-picture";
}

}  // namespace
