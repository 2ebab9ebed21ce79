#include "RunChart.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vemosim {

namespace {

// In px.
constexpr double kTankHeight = 170.0;
constexpr double kCrewHeight = 60.0;
constexpr double kGap = 10.0;  // between the tanks and the crew
constexpr double kGridSpacing = 70.0;
// The tanks' axis reaches this far above full, so a full tank's line is not the frame's.
constexpr double kTankTop = 1.1;
// Tanks of one vessel differ by dash.
const char *const kTankDashes[] = {"", "7 3", "2 2", "9 3 2 3"};

struct Area {
    double top, bottom, left, right;
};

void frame(SvgPage &page, const Area &a) {
    page.rect(a.left, a.top, a.right - a.left, a.bottom - a.top, "#fbfbfb", "#888888");
}

}  // namespace

double drawRunChart(SvgPage &page, const RunRecord &r, const std::vector<const char *> &colours,
                    double top, double left, double right) {
    page.add(SvgPage::textAt(left, top, "Tanks and crew over time").attr("font-weight", "bold"));
    top += 12.0;
    const Area tanks{top, top + kTankHeight, left, right};
    const Area crew{tanks.bottom + kGap, tanks.bottom + kGap + kCrewHeight, left, right};
    const double t0 = r.startTime;
    const double t1 = r.endTime > t0 ? r.endTime : t0 + 1.0;
    double crewMax = 1.0;
    bool anyCrew = false;
    for (const Track &t : r.tracks) {
        anyCrew = anyCrew || (t.crewCapable && !t.crew.times.empty());
        for (double c : t.crew.values) {
            crewMax = std::max(crewMax, c);
        }
    }
    const auto xAt = [&](double t) { return left + (t - t0) / (t1 - t0) * (right - left); };
    const auto levelAt = [&](double f) { return tanks.bottom - f / kTankTop * kTankHeight; };
    // Whole members only, with half a member of room above the most aboard.
    const auto crewAt = [&](double c) { return crew.bottom - c / (crewMax + 0.5) * kCrewHeight; };

    frame(page, tanks);
    frame(page, crew);
    const double tick = niceStep((t1 - t0) * kGridSpacing / (right - left));
    for (double t = std::ceil(t0 / tick) * tick; t <= t1 + tick * 1e-9; t += tick) {
        page.line(xAt(t), tanks.top, xAt(t), tanks.bottom, "#e4e4e4");
        page.line(xAt(t), crew.top, xAt(t), crew.bottom, "#e4e4e4");
        page.text(xAt(t), crew.bottom + 16.0, axisLabel(t), 11, "middle");
    }
    for (int p = 0; p <= 100; p += 25) {
        page.line(left, levelAt(p / 100.0), right, levelAt(p / 100.0),
                  p == 100 ? "#bbbbbb" : "#e4e4e4");
        page.text(left - 6.0, levelAt(p / 100.0) + 4.0, std::to_string(p), 11, "end");
    }
    const double crewTick = std::max(niceStep(crewMax / 3.0), 1.0);
    for (double c = 0.0; c <= crewMax + 1e-9; c += crewTick) {
        page.line(left, crewAt(c), right, crewAt(c), "#e4e4e4");
        page.text(left - 6.0, crewAt(c) + 4.0, axisLabel(c), 11, "end");
    }
    page.text((left + right) / 2.0, crew.bottom + 32.0, "time (s)", 12, "middle");
    page.upwardText(left - 36.0, (tanks.top + tanks.bottom) / 2.0, "tank level (%)");
    page.upwardText(left - 36.0, (crew.top + crew.bottom) / 2.0, "crew");

    std::vector<SvgLegendEntry> entries;
    for (std::size_t i = 0; i < r.tracks.size(); ++i) {
        const Track &t = r.tracks[i];
        const std::string colour = colours[i];
        for (std::size_t k = 0; k < t.tanks.size(); ++k) {
            const TankTrack &tank = t.tanks[k];
            if (tank.maxMass <= 0.0 || tank.mass.times.empty()) {
                continue;
            }
            const char *dash = kTankDashes[k % (sizeof kTankDashes / sizeof kTankDashes[0])];
            std::vector<SvgPoint> points;
            for (std::size_t s = 0; s < tank.mass.times.size(); ++s) {
                points.push_back(
                    {xAt(tank.mass.times[s]), levelAt(tank.mass.values[s] / tank.maxMass)});
            }
            SvgElement level("polyline");
            level.attr("class", "tank").attr("points", svgPoints(points));
            level.attr("fill", "none").attr("stroke", colour).attr("stroke-width", "1.5");
            page.add(level.dash(dash));
            entries.push_back(
                {svgLineSwatch(colour, 1.5, dash),
                 t.name + " tank " + std::to_string(k) + " (" + axisLabel(tank.maxMass) + " kg)"});
        }
        if (!t.crewCapable || t.crew.times.empty()) {
            continue;
        }
        // Crew aboard changes at a moment: drawn as steps.
        std::string d;
        for (std::size_t s = 0; s < t.crew.times.size(); ++s) {
            const double x = xAt(t.crew.times[s]), y = crewAt(t.crew.values[s]);
            d += s == 0 ? "M" + svgNumber(x) + "," + svgNumber(y)
                        : " H" + svgNumber(x) + " V" + svgNumber(y);
        }
        SvgElement line("path");
        line.attr("class", "crew").attr("d", d).attr("fill", "none").attr("stroke", colour);
        page.add(line.attr("stroke-width", "3"));
        entries.push_back({svgLineSwatch(colour, 3.0), t.name + " crew aboard"});
    }
    if (entries.empty()) {
        page.text((left + right) / 2.0, (tanks.top + tanks.bottom) / 2.0,
                  "no tanks and no crew airlocks", 12, "middle");
    } else if (!anyCrew) {
        page.text((left + right) / 2.0, (crew.top + crew.bottom) / 2.0 + 4.0, "no crew airlocks",
                  11, "middle");
    }
    return crew.bottom + 48.0 + page.legend(left, right, crew.bottom + 52.0, entries) + 12.0;
}

}  // namespace vemosim
