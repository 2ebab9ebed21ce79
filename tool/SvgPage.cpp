#include "SvgPage.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char **environ;

namespace vemosim {

namespace {

constexpr const char *kPngRenderer = "rsvg-convert";

using namespace style;

double cross(const SvgPoint &o, const SvgPoint &a, const SvgPoint &b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

}  // namespace

std::string svgNumber(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::isfinite(x) ? x : 0.0);
    const std::string s = buffer;
    return s == "-0.00" ? "0.00" : s;
}

std::string svgEscape(const std::string &s) {
    std::string out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += u < 0x20 || u >= 0x7f ? '?' : c;
        }
    }
    return out;
}

std::string svgPoints(const std::vector<SvgPoint> &points) {
    std::string text;
    for (const SvgPoint &p : points) {
        text += (text.empty() ? "" : " ") + svgNumber(p.x) + "," + svgNumber(p.y);
    }
    return text;
}

std::vector<SvgPoint> convexHull(std::vector<SvgPoint> p) {
    std::sort(p.begin(), p.end(), [](const SvgPoint &a, const SvgPoint &b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    if (p.size() < 3) {
        return p;
    }
    std::vector<SvgPoint> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0.0) {
            --k;
        }
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, lower = k + 1; i > 0; --i) {
        while (k >= lower && cross(h[k - 2], h[k - 1], p[i - 1]) <= 0.0) {
            --k;
        }
        h[k++] = p[i - 1];
    }
    h.resize(k - 1);
    return h;
}

SvgElement &SvgElement::attr(const char *name, const std::string &value) {
    attributes_ += std::string(" ") + name + "=\"" + svgEscape(value) + "\"";
    return *this;
}

SvgElement &SvgElement::attr(const char *name, double value) {
    return attr(name, svgNumber(value));
}

SvgElement &SvgElement::dash(const char *pattern) {
    return pattern[0] == '\0' ? *this : attr("stroke-dasharray", pattern);
}

SvgElement &SvgElement::text(const std::string &text) {
    inner_ += svgEscape(text);
    return *this;
}

SvgElement &SvgElement::title(const std::string &text) {
    inner_ += "<title>" + svgEscape(text) + "</title>";
    return *this;
}

SvgElement &SvgElement::desc(const std::string &text) {
    inner_ += "<desc>" + svgEscape(text) + "</desc>";
    return *this;
}

SvgElement &SvgElement::child(const SvgElement &e) {
    inner_ += e.str();
    return *this;
}

std::string SvgElement::str() const {
    return inner_.empty() ? "<" + tag_ + attributes_ + "/>" : opening() + "</" + tag_ + ">";
}

std::string SvgElement::opening() const {
    return "<" + tag_ + attributes_ + ">" + inner_;
}

SvgElement SvgPage::textAt(double x, double y, const std::string &text, int size,
                           const char *anchor) {
    SvgElement e("text");
    e.attr("x", x).attr("y", y).attr("font-size", std::to_string(size));
    e.attr("text-anchor", anchor).text(text);
    return e;
}

SvgElement svgCircle(double x, double y, double r, const std::string &fill) {
    SvgElement e("circle");
    e.attr("cx", x).attr("cy", y).attr("r", r).attr("fill", fill);
    return e;
}

SvgElement svgLineSwatch(const std::string &colour, double width, const char *dash,
                         double opacity) {
    SvgElement e("line");
    e.attr("x1", 0.0).attr("y1", 0.0).attr("x2", kSwatchLength).attr("y2", 0.0);
    e.attr("stroke", colour).attr("stroke-width", width).dash(dash);
    return opacity < 1.0 ? e.attr("stroke-opacity", opacity) : e;
}

void SvgPage::upwardText(double x, double y, const std::string &text) {
    SvgElement e = textAt(0.0, 0.0, text, kTextType, "middle");
    add(e.attr("transform", "translate(" + svgNumber(x) + "," + svgNumber(y) + ") rotate(-90)"));
}

void SvgPage::line(double x1, double y1, double x2, double y2, const char *stroke, double width,
                   const char *dash) {
    SvgElement e("line");
    e.attr("x1", x1).attr("y1", y1).attr("x2", x2).attr("y2", y2);
    add(e.attr("stroke", stroke).attr("stroke-width", width).dash(dash));
}

void SvgPage::rect(double x, double y, double w, double h, const char *fill, const char *stroke) {
    SvgElement e("rect");
    e.attr("x", x).attr("y", y).attr("width", w).attr("height", h);
    add(e.attr("fill", fill).attr("stroke", stroke));
}

double SvgPage::legend(double left, double right, double top,
                       const std::vector<SvgLegendEntry> &entries) {
    double x = left, y = top;
    for (const SvgLegendEntry &e : entries) {
        const double width = kSwatch + kCharWidth * static_cast<double>(e.text.size());
        if (x > left && x + width > right) {
            x = left;
            y += kLegendRow;
        }
        SvgElement group("g");
        group.attr("transform", "translate(" + svgNumber(x) + "," + svgNumber(y - kBaseline) + ")");
        add(group.child(e.swatch));
        text(x + kSwatch, y, e.text, kSmallType);
        x += width + kLegendGap;
    }
    return entries.empty() ? 0.0 : y - top + kLegendRow;
}

std::string SvgPage::document(double width, double height, const std::string &title,
                              const char *font) const {
    SvgElement svg("svg");
    svg.attr("xmlns", "http://www.w3.org/2000/svg").attr("version", "1.1");
    svg.attr("width", std::to_string(static_cast<int>(width)));
    svg.attr("height", std::to_string(static_cast<int>(height)));
    svg.attr("viewBox", "0 0 " + std::to_string(static_cast<int>(width)) + " " +
                            std::to_string(static_cast<int>(height)));
    svg.attr("font-family", font);
    SvgElement ground("rect");
    ground.attr("x", 0.0).attr("y", 0.0).attr("width", width).attr("height", height);
    ground.attr("fill", kPaper);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + svg.opening() + "\n<title>" +
           svgEscape(title) + "</title>\n" + ground.str() + "\n" + body_ + "</svg>\n";
}

double niceStep(double x) {
    const double power = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= x * (1.0 - 1e-9)) {
            return m * power;
        }
    }
    return 10.0 * power;
}

std::string axisLabel(double x) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", x);
    return buffer;
}

bool wantsPng(const std::string &path) {
    if (path.size() < 4) {
        return false;
    }
    std::string ext = path.substr(path.size() - 4);
    for (char &c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext == ".png";
}

bool pngRendererFound() {
    const char *path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    for (std::size_t at = 0; at <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', at), folders.size());
        const std::string folder = end > at ? folders.substr(at, end - at) : ".";
        if (access((folder + "/" + kPngRenderer).c_str(), X_OK) == 0) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

bool renderPng(const std::string &svg, std::string &png, std::string &why) {
    char folder[] = "/tmp/vemosim-png-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        why = std::string("cannot make a scratch folder: ") + std::strerror(errno);
        return false;
    }
    const std::string in = std::string(folder) + "/run.svg";
    const std::string out = std::string(folder) + "/run.png";
    bool ok = false;
    {
        std::ofstream f(in, std::ios::binary);
        ok = static_cast<bool>(f << svg) && static_cast<bool>(f.flush());
    }
    if (!ok) {
        why = "cannot write the picture to render it";
    } else {
        // Spawned, not through a shell: no path is ever read as a command.
        const char *argv[] = {kPngRenderer, "-o", out.c_str(), in.c_str(), nullptr};
        pid_t pid = 0;
        int status = 0;
        ok = posix_spawnp(&pid, kPngRenderer, nullptr, nullptr, const_cast<char **>(argv),
                          environ) == 0 &&
             waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::ifstream f(out, std::ios::binary);
        std::stringstream bytes;
        ok = ok && static_cast<bool>(f) && static_cast<bool>(bytes << f.rdbuf());
        png = ok ? bytes.str() : std::string();
        if (!ok) {
            why = std::string(kPngRenderer) + " could not render the picture";
        }
    }
    std::remove(out.c_str());
    std::remove(in.c_str());
    rmdir(folder);
    return ok;
}

}  // namespace vemosim
