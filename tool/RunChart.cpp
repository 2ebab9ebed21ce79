#include "RunChart.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "PictureStyle.h"

namespace vemosim {

namespace {

using namespace style;

struct Area {
    double top, bottom, left, right;
};

void frame(SvgPage &page, const Area &a) {
    page.rect(a.left, a.top, a.right - a.left, a.bottom - a.top, kChartPaper, kNeutral);
}

}  // namespace

double drawRunChart(SvgPage &page, const RunRecord &r, const std::vector<const char *> &colours,
                    double top, double left, double right) {
    page.add(SvgPage::textAt(left, top, "Tanks and crew over time").attr("font-weight", "bold"));
    top += kChartTitleGap;
    const Area tanks{top, top + kTankHeight, left, right};
    const Area crew{tanks.bottom + kChartGap, tanks.bottom + kChartGap + kCrewHeight, left, right};
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
    const auto crewAt = [&](double c) {
        return crew.bottom - c / (crewMax + kCrewRoom) * kCrewHeight;
    };

    frame(page, tanks);
    frame(page, crew);
    const double tick = niceStep((t1 - t0) * kGridSpacing / (right - left));
    for (double t = std::ceil(t0 / tick) * tick; t <= t1 + tick * 1e-9; t += tick) {
        page.line(xAt(t), tanks.top, xAt(t), tanks.bottom, kGrid);
        page.line(xAt(t), crew.top, xAt(t), crew.bottom, kGrid);
        page.text(xAt(t), crew.bottom + kLabelBelow, axisLabel(t), kSmallType, "middle");
    }
    for (int p = 0; p <= 100; p += 25) {
        page.line(left, levelAt(p / 100.0), right, levelAt(p / 100.0),
                  p == 100 ? kGridZero : kGrid);
        page.text(left - kLabelGap, levelAt(p / 100.0) + kBaseline, std::to_string(p), kSmallType,
                  "end");
    }
    const double crewTick = std::max(niceStep(crewMax / 3.0), 1.0);
    for (double c = 0.0; c <= crewMax + 1e-9; c += crewTick) {
        page.line(left, crewAt(c), right, crewAt(c), kGrid);
        page.text(left - kLabelGap, crewAt(c) + kBaseline, axisLabel(c), kSmallType, "end");
    }
    page.text((left + right) / 2.0, crew.bottom + kAxisTitleBelow, "time (s)", kTextType, "middle");
    page.upwardText(left - kAxisTitleLeft, (tanks.top + tanks.bottom) / 2.0, "tank level (%)");
    page.upwardText(left - kAxisTitleLeft, (crew.top + crew.bottom) / 2.0, "crew");

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
            level.attr("fill", "none").attr("stroke", colour).attr("stroke-width", kLineText);
            page.add(level.dash(dash));
            entries.push_back(
                {svgLineSwatch(colour, kLine, dash),
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
        page.add(line.attr("stroke-width", kCrewLineText));
        entries.push_back({svgLineSwatch(colour, kCrewLine), t.name + " crew aboard"});
    }
    if (entries.empty()) {
        page.text((left + right) / 2.0, (tanks.top + tanks.bottom) / 2.0,
                  "no tanks and no crew airlocks", kTextType, "middle");
    } else if (!anyCrew) {
        page.text((left + right) / 2.0, (crew.top + crew.bottom) / 2.0 + kBaseline,
                  "no crew airlocks", kSmallType, "middle");
    }
    return crew.bottom + (kChartLegendGap - kBaseline) +
           page.legend(left, right, crew.bottom + kChartLegendGap, entries) + kAfterChart;
}

}  // namespace vemosim
