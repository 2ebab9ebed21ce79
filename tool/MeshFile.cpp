#include "MeshFile.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace vemosim {

namespace {

// The deployment animation's transforms, as the capsule module defines them.
constexpr double kDeployTurnDeg = 68.0;
constexpr double kHingeY = 0.0, kHingeZ = -0.45;  // m
constexpr double kStowedScaleXY = 1.0 / 1000.0, kStowedScaleZ = 1.0 / 10.0;
constexpr double kPi = 3.14159265358979323846;

// Reads the lines of a mesh one by one, keeping count for the error message.
class MeshLines {
public:
    MeshLines(const std::string &text, const std::string &name) : in_(text), name_(name) {}

    bool next(std::string &line) {
        while (std::getline(in_, line)) {
            ++number_;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.find_first_not_of(" \t") != std::string::npos)
                return true;
        }
        return false;
    }
    // The next line's words after `keyword`, which it must start with.
    bool keyword(const char *word, std::istringstream &rest) {
        std::string line, first;
        if (!next(line))
            return fail(std::string("the file ends where ") + word + " was expected");
        rest.clear();
        rest.str(line);
        if (!(rest >> first) || first != word)
            return fail(std::string(word) + " expected, found \"" + line + "\"");
        return true;
    }
    bool numbers(std::size_t count, double *out) {
        std::string line;
        if (!next(line))
            return fail("the file ends inside a group");
        std::istringstream words(line);
        for (std::size_t i = 0; i < count; ++i)
            if (!(words >> out[i]) || !std::isfinite(out[i]))
                return fail("expected " + std::to_string(count) + " numbers, found \"" + line +
                            "\"");
        return true;
    }
    bool fail(const std::string &why) { return failAt(number_, why); }
    bool failAt(int line, const std::string &why) {
        if (error_.empty())
            error_ = name_ + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    int line() const { return number_; }
    const std::string &error() const { return error_; }

private:
    std::istringstream in_;
    std::string name_, error_;
    int number_ = 0;
};

bool readGroup(MeshLines &lines, MeshGroup &g, int &materialLine) {
    std::string line;
    while (lines.next(line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "LABEL") {
            const std::size_t at = line.find_first_not_of(" \t", line.find("LABEL") + 5);
            g.label = at == std::string::npos ? "" : line.substr(at);
        } else if (word == "MATERIAL") {
            words >> g.material;
            materialLine = lines.line();
        } else if (word == "TEXTURE") {
            int texture = 0;
            words >> texture;
            if (texture != 0)
                return lines.fail("textured groups are not drawn");
        } else if (word == "GEOM") {
            int nv = -1, nt = -1;
            if (!(words >> nv >> nt) || nv < 0 || nt < 0)
                return lines.fail("GEOM needs the counts of vertices and triangles");
            for (int v = 0; v < nv; ++v) {
                double x[6];
                if (!lines.numbers(6, x))
                    return false;
                g.positions.push_back({x[0], x[1], x[2]});
                g.normals.push_back({x[3], x[4], x[5]});
            }
            for (int t = 0; t < nt; ++t) {
                double i[3];
                if (!lines.numbers(3, i))
                    return false;
                for (double index : i)
                    if (index < 0 || index >= nv || index != std::floor(index))
                        return lines.fail("a triangle names vertex " + std::to_string(index) +
                                          " of " + std::to_string(nv));
                g.triangles.push_back({int(i[0]), int(i[1]), int(i[2])});
            }
            return true;
        } else if (word != "NONORMAL" && word != "FLAG" && word != "ZBIAS") {
            return lines.fail("unknown line \"" + line + "\" in a group");
        }
    }
    return lines.fail("the file ends before the group's GEOM");
}

}  // namespace

bool parseMeshText(const std::string &text, const std::string &name, MeshFileData &mesh,
                   std::string &error) {
    MeshLines lines(text, name);
    std::string first;
    std::istringstream words;
    int groups = -1, materials = -1;
    bool ok = lines.next(first) && first.rfind("MSHX1", 0) == 0;
    if (!ok)
        lines.fail("MSHX1 expected on the first line");
    if (ok && (!lines.keyword("GROUPS", words) || !(words >> groups) || groups < 0))
        ok = lines.fail("GROUPS needs a count");
    std::vector<int> materialLines;
    for (int g = 0; ok && g < groups; ++g) {
        mesh.groups.emplace_back();
        materialLines.push_back(0);
        ok = readGroup(lines, mesh.groups.back(), materialLines.back());
    }
    if (ok && (!lines.keyword("MATERIALS", words) || !(words >> materials) || materials < 0))
        ok = lines.fail("MATERIALS needs a count");
    for (int m = 0; ok && m < materials; ++m) {
        std::string materialName;
        ok = lines.next(materialName) || lines.fail("a material name is missing");
        mesh.materialNames.push_back(materialName);
    }
    for (int m = 0; ok && m < materials; ++m) {
        double rgba[4 * 4 + 1];
        ok = lines.keyword("MATERIAL", words) && lines.numbers(4, rgba) &&
             lines.numbers(4, rgba + 4) && lines.numbers(4, rgba + 8) &&
             lines.numbers(4, rgba + 12);
        if (ok)
            mesh.diffuse.push_back({rgba[0], rgba[1], rgba[2]});
    }
    int textures = -1;
    if (ok && (!lines.keyword("TEXTURES", words) || !(words >> textures) || textures < 0))
        ok = lines.fail("TEXTURES needs a count");
    for (std::size_t g = 0; ok && g < mesh.groups.size(); ++g)
        if (mesh.groups[g].material < 0 || mesh.groups[g].material > materials)
            ok = lines.failAt(materialLines[g], "group " + std::to_string(g) + " names material " +
                                                    std::to_string(mesh.groups[g].material) +
                                                    " of " + std::to_string(materials));
    error = lines.error();
    return ok;
}

bool readMeshFile(const std::string &path, MeshFileData &mesh, std::string &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return parseMeshText(text.str(), path, mesh, error);
}

MeshFileData deployedAt(const MeshFileData &stored, double state, int turnSign) {
    MeshFileData out = stored;
    const double angle = turnSign * kDeployTurnDeg * (1.0 - state) * kPi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const double shrink = 1.0 - state;  // the scale runs from the stored size to the stowed
    const double sxy = 1.0 + (kStowedScaleXY - 1.0) * shrink;
    const double sz = 1.0 + (kStowedScaleZ - 1.0) * shrink;
    for (std::size_t g = 0; g < out.groups.size() && g < 4; ++g) {
        MeshGroup &group = out.groups[g];
        for (std::size_t v = 0; v < group.positions.size(); ++v) {
            MeshVec &p = group.positions[v];
            MeshVec &n = group.normals[v];
            if (g < 2) {
                const double y = p[1] - kHingeY, z = p[2] - kHingeZ;
                p = {p[0], kHingeY + c * y - s * z, kHingeZ + s * y + c * z};
                n = {n[0], c * n[1] - s * n[2], s * n[1] + c * n[2]};
            } else {
                p = {p[0] * sxy, p[1] * sxy, p[2] * sz};
            }
        }
    }
    return out;
}

}  // namespace vemosim
