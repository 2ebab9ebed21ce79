#include "MeshPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "PictureStyle.h"
#include "SvgPage.h"

namespace vemosim {

namespace {

using namespace style;

constexpr double kScale = kMeshScale;
constexpr double kBoxHalf = 2.0;   // m, the airlock box around the origin
constexpr double kBaseZ = -1.0;    // m, where the touchdown points are
constexpr double kAmbient = 0.45;  // share of a face's colour that needs no light

MeshVec sub(const MeshVec &a, const MeshVec &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const MeshVec &a, const MeshVec &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
MeshVec cross(const MeshVec &a, const MeshVec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
MeshVec unit(const MeshVec &v) {
    const double n = std::sqrt(dot(v, v));
    return n > 0 ? MeshVec{v[0] / n, v[1] / n, v[2] / n} : v;
}

// Looking along `ahead` with `up` up; right = up x ahead, which in the simulator's
// left-handed frame is the viewer's right.
struct View {
    const char *name;
    MeshVec ahead, up;
    MeshVec right() const { return cross(up, ahead); }
};

const View kViews[] = {
    {"front, from +y", {0, -1, 0}, {0, 0, 1}},
    {"side, from -x", {1, 0, 0}, {0, 0, 1}},
    {"top, from +z", {0, 0, -1}, {0, -1, 0}},
};

struct Shape {
    std::vector<SvgPoint> corners;  // in metres on the view's plane: right, up
    double depth = 0.0;
    MeshVec colour{};
};

// The faces seen from the view, far ones first, each lit by a light over the viewer's
// shoulder.
std::vector<Shape> facesSeen(const MeshFileData &mesh, const View &view) {
    const MeshVec right = view.right();
    const MeshVec light = unit({-view.ahead[0] + 0.4 * view.up[0] - 0.3 * right[0],
                                -view.ahead[1] + 0.4 * view.up[1] - 0.3 * right[1],
                                -view.ahead[2] + 0.4 * view.up[2] - 0.3 * right[2]});
    std::vector<Shape> shapes;
    for (const MeshGroup &g : mesh.groups) {
        const MeshVec base = g.material > 0 && g.material <= int(mesh.diffuse.size())
                                 ? mesh.diffuse[g.material - 1]
                                 : MeshVec{0.6, 0.6, 0.6};
        for (const auto &t : g.triangles) {
            const MeshVec &a = g.positions[t[0]], &b = g.positions[t[1]], &c = g.positions[t[2]];
            const MeshVec normal = unit(cross(sub(b, a), sub(c, a)));  // out of the body
            if (dot(normal, view.ahead) >= 0)
                continue;
            Shape s;
            for (const MeshVec *p : {&a, &b, &c})
                s.corners.push_back({dot(*p, right), dot(*p, view.up)});
            s.depth = (dot(a, view.ahead) + dot(b, view.ahead) + dot(c, view.ahead)) / 3.0;
            const double lit = kAmbient + (1.0 - kAmbient) * std::max(0.0, dot(normal, light));
            s.colour = {base[0] * lit, base[1] * lit, base[2] * lit};
            shapes.push_back(s);
        }
    }
    std::stable_sort(shapes.begin(), shapes.end(),
                     [](const Shape &x, const Shape &y) { return x.depth > y.depth; });
    return shapes;
}

std::string hexColour(const MeshVec &c) {
    char text[8];
    auto byte = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(c[0]), byte(c[1]), byte(c[2]));
    return text;
}

void drawPanel(SvgPage &page, const MeshFileData &mesh, const View &view, double left, double top,
               bool stowed) {
    const double cx = left + kPanel / 2, cy = top + kPanel / 2;
    auto at = [&](double r, double u) { return SvgPoint{cx + r * kScale, cy - u * kScale}; };
    page.rect(left, top, kPanel, kPanel, kPanelPaper, kPanelLine);
    if (stowed) {  // the airlock box the stowed capsule must fit in
        const SvgPoint a = at(-kBoxHalf, kBoxHalf);
        SvgElement box("rect");
        box.attr("x", a.x)
            .attr("y", a.y)
            .attr("width", 2 * kBoxHalf * kScale)
            .attr("height", 2 * kBoxHalf * kScale)
            .attr("fill", "none")
            .attr("stroke", kPanelBox)
            .dash(kJumpDash);
        page.add(box);
    }
    if (view.up[2] > 0.5) {  // the ground the capsule stands on
        const SvgPoint g = at(0, kBaseZ);
        page.line(left, g.y, left + kPanel, g.y, kGround, kLine);
    }
    for (const Shape &s : facesSeen(mesh, view)) {
        std::vector<SvgPoint> points;
        for (const SvgPoint &p : s.corners)
            points.push_back(at(p.x, p.y));
        const std::string colour = hexColour(s.colour);
        SvgElement poly("polygon");
        poly.attr("points", svgPoints(points))
            .attr("fill", colour)
            .attr("stroke", colour)
            .attr("stroke-width", kFaceEdge)
            .attr("stroke-linejoin", "round");
        page.add(poly);
    }
    page.text(left + kPanelLabel, top + kPanel - kPanelLabelUp, view.name, kSmallType);
}

}  // namespace

std::string meshPictureSvg(const MeshFileData &stored) {
    SvgPage page;
    const double width = 2 * kMargin + 3 * kPanel + 2 * kMargin;
    const double rowHeight = kHeading + kPanel + kMargin;
    const char *titles[] = {
        "Stowed (as loaded): inside its airlock box (dashed), standing on "
        "its base",
        "Deployed (K): the skirt open, 7.5 m across; the fins up"};
    for (int row = 0; row < 2; ++row) {
        const MeshFileData mesh = deployedAt(stored, row == 0 ? 0.0 : 1.0);
        const double top = kMargin + row * rowHeight;
        page.text(kMargin, top + kLabelBelow, titles[row], kHeadingType);
        for (int v = 0; v < 3; ++v)
            drawPanel(page, mesh, kViews[v], kMargin + v * (kPanel + kMargin), top + kHeading,
                      row == 0);
    }
    const double height = kMargin + 2 * rowHeight + 20;
    page.text(kMargin, height - 14,
              "1 m is 30 px in every panel; the brown line is the ground "
              "(z = -1 m).",
              kSmallType);
    return page.document(width, height, "The vemopod capsule, stowed and deployed", "sans-serif");
}

std::vector<std::uint8_t> meshPictureBmp(const MeshFileData &stored, int width, int height) {
    const MeshFileData mesh = deployedAt(stored, 1.0);
    const View view{"", unit({-0.55, -0.7, -0.45}), {0, 0, 1}};
    View upright = view;  // up made square to the line of sight
    const MeshVec r = unit(view.right());
    upright.up = unit(cross(view.ahead, r));
    const double scale = width / 8.5;  // px per metre: the skirt fills the width
    std::vector<MeshVec> pixels(std::size_t(width) * height, MeshVec{0.06, 0.07, 0.12});
    for (const Shape &s : facesSeen(mesh, upright)) {
        SvgPoint p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = {width / 2.0 + s.corners[i].x * scale, height / 2.0 - s.corners[i].y * scale};
        const double area =
            (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
        if (std::abs(area) < 1e-9)
            continue;
        const int x0 = std::max(0, int(std::floor(std::min({p[0].x, p[1].x, p[2].x}))));
        const int x1 = std::min(width - 1, int(std::ceil(std::max({p[0].x, p[1].x, p[2].x}))));
        const int y0 = std::max(0, int(std::floor(std::min({p[0].y, p[1].y, p[2].y}))));
        const int y1 = std::min(height - 1, int(std::ceil(std::max({p[0].y, p[1].y, p[2].y}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                double w[3];
                for (int i = 0; i < 3; ++i) {
                    const SvgPoint &a = p[(i + 1) % 3], &b = p[(i + 2) % 3];
                    w[i] = ((b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y)) / area;
                }
                if (w[0] >= 0 && w[1] >= 0 && w[2] >= 0)
                    pixels[std::size_t(y) * width + x] = s.colour;
            }
    }
    // BITMAPFILEHEADER and BITMAPINFOHEADER, then rows bottom-up, blue-green-red, each
    // padded to 4 bytes.
    const int rowBytes = (width * 3 + 3) & ~3;
    const std::uint32_t dataSize = std::uint32_t(rowBytes) * height;
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    out.push_back('B');
    out.push_back('M');
    put(54 + dataSize, 4), put(0, 4), put(54, 4);
    put(40, 4), put(std::uint32_t(width), 4), put(std::uint32_t(height), 4), put(1, 2);
    put(24, 2), put(0, 4), put(dataSize, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const MeshVec &c = pixels[std::size_t(y) * width + x];
            for (int k = 2; k >= 0; --k)
                out.push_back(std::uint8_t(std::lround(std::clamp(c[k], 0.0, 1.0) * 255.0)));
        }
        out.resize(out.size() + (rowBytes - width * 3), 0);
    }
    return out;
}

}  // namespace vemosim
