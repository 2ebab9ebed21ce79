// SVG 1.1 written as text, for the run's picture: elements with their attributes in the order
// given, numbers with two decimals, and every piece of text escaped, since names come from
// scenario files and vessel modules.
#ifndef VEMO_TOOL_SVGPAGE_H
#define VEMO_TOOL_SVGPAGE_H

#include <string>
#include <vector>

#include "PictureStyle.h"

namespace vemosim {

// "12.50"; never "-0.00".
std::string svgNumber(double x);
// Safe inside an element or a double-quoted attribute: markup characters as entities, control
// characters and bytes outside ASCII as '?'.
std::string svgEscape(const std::string &s);

// 1, 2 or 5 times a power of ten, at least x: the step between an axis's grid lines.
double niceStep(double x);
// A length or time on an axis as a user reads it: "2", "0.5", "20".
std::string axisLabel(double x);

// A point of the page, in px from its top left corner.
struct SvgPoint {
    double x = 0.0, y = 0.0;
};
// "x1,y1 x2,y2 ...", for a polyline or polygon.
std::string svgPoints(const std::vector<SvgPoint> &points);
// The convex hull of the points, counter-clockwise: a box's outline as drawn.
std::vector<SvgPoint> convexHull(std::vector<SvgPoint> points);

// One element: `<tag a="1" b="2"/>`, or `<tag a="1">what it holds</tag>`.
class SvgElement {
public:
    explicit SvgElement(const char *tag) : tag_(tag) {}

    SvgElement &attr(const char *name, const std::string &value);  // escaped
    SvgElement &attr(const char *name, double value);              // as svgNumber
    // stroke-dasharray, left out for an empty pattern (a solid stroke).
    SvgElement &dash(const char *pattern);
    // Text inside, escaped; a <title> or <desc> child, which readers show as a tooltip.
    SvgElement &text(const std::string &text);
    SvgElement &title(const std::string &text);
    SvgElement &desc(const std::string &text);
    // An element inside, written as it stands.
    SvgElement &child(const SvgElement &e);

    std::string str() const;
    // The start tag and what it holds so far, without the end tag: for a group that goes on.
    std::string opening() const;

private:
    std::string tag_;
    std::string attributes_;
    std::string inner_;
};

SvgElement svgCircle(double x, double y, double r, const std::string &fill);
// A legend's swatch of a line, from (0, 0) to (24, 0).
SvgElement svgLineSwatch(const std::string &colour, double width, const char *dash = "",
                         double opacity = 1.0);

struct SvgLegendEntry {
    SvgElement swatch;  // drawn about (0, 0) to (24, 0)
    std::string text;
};

// The elements of a page, one per line, in drawing order: later ones are drawn on top.
class SvgPage {
public:
    void add(const SvgElement &e) { body_ += e.str() + "\n"; }
    // A group that holds what is added until close().
    void open(const SvgElement &group) { body_ += group.opening() + "\n"; }
    void close(const char *tag) { body_ += std::string("</") + tag + ">\n"; }

    // Text with its anchor ("start", "middle", "end") at (x, y).
    static SvgElement textAt(double x, double y, const std::string &text,
                             int size = style::kTextType, const char *anchor = "start");
    void text(double x, double y, const std::string &text, int size = style::kTextType,
              const char *anchor = "start") {
        add(textAt(x, y, text, size, anchor));
    }
    // Text that reads upwards, centred on (x, y).
    void upwardText(double x, double y, const std::string &text);
    void line(double x1, double y1, double x2, double y2, const char *stroke,
              double width = style::kHairline,
              const char *dash = "");
    void rect(double x, double y, double w, double h, const char *fill, const char *stroke);
    // Entries one after the other between `left` and `right`, on as many rows as they need
    // from `top` down; returns the height used.
    double legend(double left, double right, double top,
                  const std::vector<SvgLegendEntry> &entries);

    // The whole document, `width` by `height` px on a white ground.
    std::string document(double width, double height, const std::string &title,
                         const char *font) const;

private:
    std::string body_;
};

// A picture asked for as PNG: the SVG rendered by rsvg-convert, the SVG renderer the
// project's picture tests use. The path names a PNG when it ends in ".png", in any case.
bool wantsPng(const std::string &path);
// Whether rsvg-convert is on PATH.
bool pngRendererFound();
// The PNG rendering of `svg`, or false with `why`.
bool renderPng(const std::string &svg, std::string &png, std::string &why);

}  // namespace vemosim

#endif
