// vemosim --plot as a user runs it: the picture renders in a real SVG renderer, the drawn
// crew member's path passes through the airlock box when he is taken aboard, the moments
// that matter are marked, and the README's picture is what the documented command draws now.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "test_support.h"
#include "vemosim_runner.h"

namespace {

using e2e::VemosimCase;
using e2e::VemosimResult;

// Copies an example's scenario and timeline into the case's work folder and draws it.
VemosimResult drawExample(const VemosimCase &c, const std::string &name, const std::string &until,
                          std::vector<std::string> extra = {}) {
    for (const char *ext : {".scn", ".tl"}) {
        std::string text, why;
        EXPECT_TRUE(
            sim::readWholeFile(VemosimCase::sourceFile("examples/" + name + ext), text, why))
            << why;
        c.write(name + ext, text);
    }
    std::vector<std::string> args = {"--quiet", "--timeline", name + ".tl", "--until",
                                     until,     "--plot",     "run.svg",    name + ".scn"};
    args.insert(args.end(), extra.begin(), extra.end());
    return c.run(args);
}

// --- Reading the picture back ------------------------------------------------------------
struct Point {
    double x = 0.0, y = 0.0;
};

// Every element `<tag ...>...</tag>` (or self-closed) of the text, whole.
std::vector<std::string> elements(const std::string &svg, const std::string &tag) {
    std::vector<std::string> found;
    for (std::size_t at = svg.find("<" + tag + " "); at != std::string::npos;
         at = svg.find("<" + tag + " ", at + 1)) {
        const std::size_t open = svg.find('>', at);
        const std::size_t end =
            svg[open - 1] == '/' ? open + 1 : svg.find("</" + tag + ">", at) + tag.size() + 3;
        found.push_back(svg.substr(at, end - at));
    }
    return found;
}

std::string between(const std::string &s, const std::string &open, const std::string &close) {
    const std::size_t a = s.find(open);
    if (a == std::string::npos) {
        return std::string();
    }
    const std::size_t b = s.find(close, a + open.size());
    return s.substr(a + open.size(), b - a - open.size());
}

std::vector<Point> pointsOf(const std::string &element) {
    std::vector<Point> points;
    std::istringstream in(between(element, "points=\"", "\""));
    Point p;
    char comma = 0;
    while (in >> p.x >> comma >> p.y) {
        points.push_back(p);
    }
    return points;
}

std::vector<double> numbers(const std::string &text) {
    std::vector<double> numbers;
    std::istringstream in(text);
    double x = 0.0;
    while (in >> x) {
        numbers.push_back(x);
    }
    return numbers;
}

// Inside a polygon or on its edge (to a hundredth of a pixel, as the picture is written).
bool inside(const std::vector<Point> &polygon, const Point &p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point &a = polygon[i], &b = polygon[j];
        const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        const bool between = std::min(a.x, b.x) - 0.01 <= p.x && p.x <= std::max(a.x, b.x) + 0.01 &&
                             std::min(a.y, b.y) - 0.01 <= p.y && p.y <= std::max(a.y, b.y) + 0.01;
        if (between && std::abs(cross) < 0.01 * std::hypot(b.x - a.x, b.y - a.y)) {
            return true;
        }
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            in = !in;
        }
    }
    return in;
}

// A vessel's drawn path: every point with its time.
struct TimedPoint {
    double time;
    Point at;
};
std::vector<TimedPoint> drawnPath(const std::string &svg, const std::string &vessel) {
    std::vector<TimedPoint> path;
    const std::size_t group = svg.find("<g class=\"path\"><title>" + vessel + "</title>");
    if (group == std::string::npos) {
        return path;
    }
    const std::string body = svg.substr(group, svg.find("</g>", group) - group);
    for (const std::string &line : elements(body, "polyline")) {
        const std::vector<Point> points = pointsOf(line);
        const std::vector<double> times =
            numbers(between(line, "<desc>times of the points in s: ", "</desc>"));
        EXPECT_EQ(points.size(), times.size()) << line;
        for (std::size_t i = 0; i < points.size() && i < times.size(); ++i) {
            path.push_back({times[i], points[i]});
        }
    }
    return path;
}

// The time of the first marked event whose text holds `what`, or -1.
double markedAt(const std::string &svg, const std::string &what) {
    for (const std::string &marker : elements(svg, "circle")) {
        std::string title = between(marker, "<title>", "</title>");
        for (std::size_t from = 0; from < title.size();) {
            std::size_t end = title.find("; ", from);
            end = end == std::string::npos ? title.size() : end;
            const std::string event = title.substr(from, end - from);
            if (event.find(what) != std::string::npos) {
                return std::atof(event.c_str());
            }
            from = end + 2;
        }
    }
    return -1.0;
}

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::uint32_t bigEndian(const std::string &s, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v = v << 8 | static_cast<unsigned char>(s[at + i]);
    }
    return v;
}

}  // namespace

TEST(RunPicture, RendersInARealRenderer) {
    if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "rsvg-convert (Debian: librsvg2-bin) is not installed";
    }
    VemosimCase c;
    const VemosimResult r = drawExample(c, "roundtrip", "10");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = c.read("run.svg").value_or("");
    const std::string png = c.work() + "/run.png";
    const std::string command = "rsvg-convert --output '" + png + "' '" + c.work() + "/run.svg'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    // The PNG's signature and header: as wide and as tall as the picture says it is, and a
    // file the size of a drawing rather than of a blank page.
    const std::string image = slurp(png);
    ASSERT_GT(image.size(), 33u);
    EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(image.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian(image, 16), 960u);
    const double height = std::atof(between(svg, "height=\"", "\"").c_str());
    EXPECT_EQ(bigEndian(image, 20), static_cast<std::uint32_t>(height));
    EXPECT_GT(height, 600.0);
    EXPECT_GT(image.size(), 30000u);
}

namespace {

// The member's drawn path, at the point nearest the moment he is marked taken aboard, lies in
// the receiver's airlock box as drawn for that moment; and not all of it does.
void expectBoardsInsideTheBox(const std::string &svg, const std::string &member,
                              const std::string &receiver) {
    const double aboard = markedAt(svg, member + " taken aboard " + receiver);
    ASSERT_GT(aboard, 0.0) << svg;
    std::vector<Point> box;
    char when[32];
    std::snprintf(when, sizeof when, "%.2f s", aboard);
    for (const std::string &polygon : elements(svg, "polygon")) {
        const std::string title = between(polygon, "<title>", "</title>");
        if (title.rfind(receiver + "'s airlock box", 0) == 0 &&
            title.find(when) != std::string::npos) {
            box = pointsOf(polygon);
        }
    }
    ASSERT_GE(box.size(), 3u) << "no airlock box of " << receiver << " drawn for " << when;

    const std::vector<TimedPoint> path = drawnPath(svg, member);
    ASSERT_FALSE(path.empty());
    const TimedPoint *nearest = &path.front();
    bool wentOut = false;
    for (const TimedPoint &p : path) {
        // At a jump two points share a time; the later one is where the member then stood.
        nearest = std::abs(p.time - aboard) <= std::abs(nearest->time - aboard) ? &p : nearest;
        wentOut = wentOut || !inside(box, p.at);
    }
    EXPECT_LE(std::abs(nearest->time - aboard), 0.05 + 1e-9);
    EXPECT_TRUE(inside(box, nearest->at)) << nearest->at.x << "," << nearest->at.y;
    EXPECT_TRUE(wentOut);
}

}  // namespace

TEST(RunPicture, PathPassesThroughTheAirlockBoxWhenTakenAboard) {
    // Into the frame vessel's own box: the member stepped 6 m out and walked back in.
    VemosimCase c;
    ASSERT_EQ(drawExample(c, "roundtrip", "10").exitCode, 0);
    expectBoardsInsideTheBox(c.read("run.svg").value_or(""), "Vemo_A01-John_Doe", "Pod");
    // Into another vessel's box, turned about and 6 m behind the frame vessel: the box is
    // drawn where that vessel's frame puts it, not where the frame vessel's would be.
    VemosimCase d;
    ASSERT_EQ(drawExample(d, "transfer", "8").exitCode, 0);
    expectBoardsInsideTheBox(d.read("run.svg").value_or(""), "Vemo_X1-Pilot_Two", "Beta");
}

TEST(RunPicture, MarksTheMomentsThatMatter) {
    VemosimCase c;
    const VemosimResult r = drawExample(c, "roundtrip", "10");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = c.read("run.svg").value_or("");
    EXPECT_NEAR(markedAt(svg, "Pod: deployment starts"), 1.05, 1e-9);
    EXPECT_NEAR(markedAt(svg, "EVA: Vemo_A01-John_Doe leaves Pod"), 2.0, 1e-9);
    EXPECT_NEAR(markedAt(svg, "Vemo_A01-John_Doe ready to return"), 3.05, 1e-9);
    EXPECT_NEAR(markedAt(svg, "taken aboard Pod"), 4.05, 1e-9);
    EXPECT_NEAR(markedAt(svg, "Pod: deployed"), 5.1, 1e-9);
    EXPECT_NEAR(markedAt(svg, "Pod: retro engine lit"), 6.05, 1e-9);
    // The pilot's 0 at 7 s does not put the latched engine out.
    EXPECT_LT(markedAt(svg, "retro engine out"), 0.0);
    EXPECT_NE(svg.find("Pod crew aboard"), std::string::npos);

    VemosimCase d;
    const VemosimResult burn = drawExample(d, "deploy", "16");
    ASSERT_EQ(burn.exitCode, 0) << burn.err;
    const std::string deploy = d.read("run.svg").value_or("");
    EXPECT_NEAR(markedAt(deploy, "Pod: retro engine out, tank empty"), 13.6, 1e-9);
    // The retro tank's line ends on the chart's floor.
    std::vector<Point> retro;
    for (const std::string &tank : elements(deploy, "polyline")) {
        if (tank.find("class=\"tank\"") != std::string::npos &&
            tank.find("stroke-dasharray") != std::string::npos) {
            retro = pointsOf(tank);
        }
    }
    ASSERT_GE(retro.size(), 2u);
    EXPECT_LT(retro.front().y, retro.back().y);
}

TEST(RunPicture, DrawsInTheFrameAskedForAndMarksTheTransfer) {
    VemosimCase c;
    const VemosimResult r = drawExample(c, "transfer", "8", {"--plot-frame", "Beta"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = c.read("run.svg").value_or("");
    EXPECT_NE(svg.find("paths in Beta's frame"), std::string::npos);
    EXPECT_NEAR(markedAt(svg, "transfer: Alpha hands a crew member over to Beta"), 1.0, 1e-9);
    EXPECT_NEAR(markedAt(svg, "Beta takes the handed-over crew member aboard"), 1.05, 1e-9);
    EXPECT_NEAR(markedAt(svg, "Vemo_X1-Pilot_Two taken aboard Beta"), 5.05, 1e-9);
    // In its own frame Beta stays at its origin: one spot, however long the run.
    const std::vector<TimedPoint> beta = drawnPath(svg, "Beta");
    ASSERT_FALSE(beta.empty());
    for (const TimedPoint &p : beta) {
        EXPECT_NEAR(p.at.x, beta.front().at.x, 0.01);
        EXPECT_NEAR(p.at.y, beta.front().at.y, 0.01);
    }

    const VemosimResult none = drawExample(c, "transfer", "8", {"--plot-frame", "Gamma"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no vessel named 'Gamma'"), std::string::npos) << none.err;
    // A frame without a picture to draw it in is a mistake, not a run.
    const VemosimResult noPlot = c.run({"--plot-frame", "Beta", "transfer.scn"});
    EXPECT_EQ(noPlot.exitCode, 2);
    EXPECT_NE(noPlot.err.find("give --plot FILE"), std::string::npos) << noPlot.err;
}

TEST(RunPicture, WrittenWholeOrNotAtAllAndTheSameEachTime) {
    VemosimCase a, b;
    ASSERT_EQ(drawExample(a, "roundtrip", "10").exitCode, 0);
    ASSERT_EQ(drawExample(b, "roundtrip", "10").exitCode, 0);
    EXPECT_EQ(a.read("run.svg"), b.read("run.svg"));

    // A run stopped by a bad action draws nothing, and leaves no temporary file behind.
    VemosimCase c;
    c.write("bad.tl", "1.0 key K\n2.0 place Nobody at Pod 0 0 1\n");
    c.write("roundtrip.scn", a.read("roundtrip.scn").value_or(""));
    const VemosimResult r =
        c.run({"--quiet", "--timeline", "bad.tl", "--plot", "run.svg", "roundtrip.scn"});
    EXPECT_EQ(r.exitCode, 2);
    for (const std::string &file : c.files()) {
        EXPECT_EQ(file.find("run.svg"), std::string::npos) << file;
    }
    const VemosimResult nowhere =
        c.run({"--quiet", "--plot", "no/such/folder/run.svg", "roundtrip.scn"});
    EXPECT_EQ(nowhere.exitCode, 2);
    EXPECT_NE(nowhere.err.find("--plot no/such/folder/run.svg"), std::string::npos);
}

// Asked for a .png, the picture is a PNG rendered from the SVG, not SVG under that name; the
// capsule itself is drawn, and the way out and back has an arrow each way.
TEST(RunPicture, DrawsThePngAskedForAndTheWayItWent) {
    VemosimCase c;
    ASSERT_EQ(drawExample(c, "roundtrip", "10").exitCode, 0);
    const std::string svg = c.read("run.svg").value_or("");
    EXPECT_EQ(
        elements(svg, "polygon").size() > 0 && svg.find("class=\"body\"") != std::string::npos,
        true)
        << "the capsule's outline";
    std::size_t arrows = 0;
    for (std::size_t at = svg.find("class=\"arrow\""); at != std::string::npos;
         at = svg.find("class=\"arrow\"", at + 1)) {
        ++arrows;
    }
    EXPECT_GE(arrows, 2u) << "out and back";

    std::vector<std::string> args = {"--quiet", "--timeline", "roundtrip.tl", "--until",
                                     "10",      "--plot",     "run.png",      "roundtrip.scn"};
    const VemosimResult r = c.run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(c.read("run.png").value_or("").substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

// The README shows docs/roundtrip.svg; drawing it again with the documented command must give
// the same bytes, or the picture no longer shows what vemosim draws.
TEST(RunPicture, ReadmePictureIsCurrent) {
    VemosimCase c;
    const std::string out = c.work() + "/roundtrip.svg";
    const std::string command = "sh '" + VemosimCase::sourceFile("docs/roundtrip-picture.sh") +
                                "' '" + testsupport::vemosimPath() + "' '" + out + "' '" +
                                c.root() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::optional<std::string> drawn = c.read("roundtrip.svg");
    ASSERT_TRUE(drawn.has_value());
    EXPECT_TRUE(*drawn == slurp(VemosimCase::sourceFile("docs/roundtrip.svg")))
        << "docs/roundtrip.svg is stale: run cmake --build build --target roundtrip-picture";
}

// Drawn in the frame of a crew member who is taken aboard: the paths end when he goes, the
// boarding is still marked, the capsule seems to jump when he is put somewhere, and a member
// the scenario brought is not marked as leaving on EVA.
TEST(RunPicture, FrameThatGoesEndsThePaths) {
    VemosimCase c;
    c.write("jo.scn",
            "BEGIN_SHIPS\nPod:vemopod\n  RPOS 0 0 0\nEND\nVemo_A01-Jo:Vemo\n  RPOS 0 0 10\nEND\n"
            "END_SHIPS\n");
    c.write("jo.tl", "1 place Vemo_A01-Jo at Pod 0 0 6\n2 place Vemo_A01-Jo at Pod 0 0 1\n");
    const VemosimResult r = c.run({"--quiet", "--timeline", "jo.tl", "--until", "4", "--plot-frame",
                                   "Vemo_A01-Jo", "--plot", "run.svg", "jo.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = c.read("run.svg").value_or("");
    EXPECT_NE(svg.find("Vemo_A01-Jo went at 2.05 s, and the paths end there"), std::string::npos);
    EXPECT_NEAR(markedAt(svg, "Vemo_A01-Jo taken aboard Pod"), 2.05, 1e-9);
    EXPECT_LT(markedAt(svg, "EVA"), 0.0);
    const std::vector<TimedPoint> pod = drawnPath(svg, "Pod");
    ASSERT_FALSE(pod.empty());
    EXPECT_LE(pod.back().time, 2.10);
    // Three places in the member's frame (10, 6 and 1 m ahead of him), each reached by a jump:
    // the flown stretches between them stand still.
    const std::size_t group = svg.find("<g class=\"path\"><title>Pod</title>");
    const std::string body = svg.substr(group, svg.find("</g>", group) - group);
    EXPECT_EQ(elements(body, "polyline").size(), 3u);
    EXPECT_EQ(elements(body, "line").size(), 2u);
}
