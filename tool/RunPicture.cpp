#include "RunPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "PictureStyle.h"
#include "RunChart.h"
#include "SvgPage.h"

namespace vemosim {

namespace {

using namespace style;

// Seconds as the event list and the titles give them.
std::string seconds(double t) {
    return svgNumber(t) + " s";
}

std::string label(double x) {
    return axisLabel(x);
}

double axis(const VECTOR3 &v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

const char *axisName(int axis) {
    return axis == 0 ? "x" : axis == 1 ? "y" : "z";
}

class Plotter {
public:
    Plotter(const RunRecord &r, const std::string &title, const std::vector<VECTOR3> &body)
        : r_(r), title_(title), body_(body) {}

    std::string draw() {
        assignColours();
        double y = kTitleTop;
        page_.add(SvgPage::textAt(kLeft, y, "vemosim: " + title_, kTitleType)
                      .attr("font-weight", "bold"));
        y += kAfterTitle;
        chooseAxes();
        std::string sub;
        if (r_.frameName.empty()) {
            sub = "no vessels";
        } else {
            sub = "paths in " + r_.frameName + "'s frame, seen along its " + axisName(3 - h_ - v_) +
                  " axis, from " + seconds(r_.startTime) + " to " + seconds(r_.endTime);
            if (r_.frameLost) {
                sub += "; " + r_.frameName + " went at " + seconds(r_.frameLostAt) +
                       ", and the paths end there";
            }
        }
        page_.text(kLeft, y, sub, kTextType);
        y += kAfterSubtitle;
        y = view(y) + kAfterView;
        y += events(y);
        y += kAfterEvents;
        y = drawRunChart(page_, r_, colours_, y, kLeft, kRight);
        return page_.document(kWidth, y, "vemosim: " + title_, kFont);
    }

private:
    // One colour per vessel name, so a crew member who goes out twice keeps his.
    void assignColours() {
        std::map<std::string, std::size_t> byName;
        for (const Track &t : r_.tracks) {
            if (byName.count(t.name) == 0) {
                const std::size_t n = byName.size();
                byName[t.name] = n;
            }
        }
        // The frame vessel is first seen first: it came with the scenario, ahead of what it
        // made; but a named frame may stand later in the list.
        std::size_t frameIndex = byName.count(r_.frameName) ? byName[r_.frameName] : 0;
        for (const Track &t : r_.tracks) {
            std::size_t n = byName[t.name];
            n = n == frameIndex ? 0 : n < frameIndex ? n + 1 : n;
            colours_.push_back(
                kVesselColours[n % (sizeof kVesselColours / sizeof kVesselColours[0])]);
        }
    }

    // Everything drawn in the view, in the frame's three axes.
    std::vector<VECTOR3> everything() const {
        std::vector<VECTOR3> all;
        for (const Track &t : r_.tracks) {
            for (const PathPoint &p : t.path) {
                all.push_back(p.at);
            }
        }
        for (const BoxView &b : r_.boxes) {
            all.insert(all.end(), b.corners, b.corners + 8);
        }
        all.insert(all.end(), body_.begin(), body_.end());
        return all;
    }

    // The axis the run spread most along goes across, the next one up; ties go to z, then x
    // (a vessel's forward axis, then its side).
    void chooseAxes() {
        const std::vector<VECTOR3> all = everything();
        double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        for (int a = 0; a < 3; ++a) {
            for (std::size_t i = 0; i < all.size(); ++i) {
                const double x = axis(all[i], a);
                lo[a] = i == 0 ? x : std::min(lo[a], x);
                hi[a] = i == 0 ? x : std::max(hi[a], x);
            }
        }
        int order[3] = {2, 0, 1};
        std::stable_sort(order, order + 3,
                         [&](int a, int b) { return hi[a] - lo[a] > hi[b] - lo[b]; });
        h_ = order[0];
        v_ = order[1];
        double spanH = std::max(hi[h_] - lo[h_], kMinimumSpan);
        double spanV = std::max(hi[v_] - lo[v_], kMinimumSpan);
        spanH *= 1.0 + 2.0 * kPadding;
        spanV *= 1.0 + 2.0 * kPadding;
        scale_ = std::min((kRight - kLeft) / spanH, kViewHeight / spanV);
        centreH_ = (lo[h_] + hi[h_]) / 2.0;
        centreV_ = (lo[v_] + hi[v_]) / 2.0;
    }

    SvgPoint at(const VECTOR3 &p) const {
        return {(kLeft + kRight) / 2.0 + (axis(p, h_) - centreH_) * scale_,
                top_ + kViewHeight / 2.0 - (axis(p, v_) - centreV_) * scale_};
    }

    // The path view; returns its bottom.
    double view(double top) {
        top_ = top;
        const double bottom = top + kViewHeight;
        page_.rect(kLeft, top, kRight - kLeft, kViewHeight, kChartPaper, kNeutral);
        const double grid = niceStep(kGridSpacing / scale_);
        // Grid lines and their labels, in metres from the frame vessel's origin.
        const double h0 = centreH_ - (kRight - kLeft) / 2.0 / scale_;
        const double h1 = centreH_ + (kRight - kLeft) / 2.0 / scale_;
        for (double m = std::ceil(h0 / grid) * grid; m <= h1; m += grid) {
            const double x = (kLeft + kRight) / 2.0 + (m - centreH_) * scale_;
            page_.line(x, top, x, bottom, std::abs(m) < grid / 2 ? kGridZero : kGrid);
            page_.text(x, bottom + kLabelBelow, label(std::abs(m) < grid / 2 ? 0.0 : m), kSmallType,
                       "middle");
        }
        const double v0 = centreV_ - kViewHeight / 2.0 / scale_;
        const double v1 = centreV_ + kViewHeight / 2.0 / scale_;
        for (double m = std::ceil(v0 / grid) * grid; m <= v1; m += grid) {
            const double y = top + kViewHeight / 2.0 - (m - centreV_) * scale_;
            page_.line(kLeft, y, kRight, y, std::abs(m) < grid / 2 ? kGridZero : kGrid);
            page_.text(kLeft - kLabelGap, y + kBaseline, label(std::abs(m) < grid / 2 ? 0.0 : m),
                       kSmallType, "end");
        }
        page_.text((kLeft + kRight) / 2.0, bottom + kAxisTitleBelow,
                   std::string(axisName(h_)) + " (m)", kTextType, "middle");
        page_.upwardText(kLeft - kAxisTitleLeft, top + kViewHeight / 2.0,
                         std::string(axisName(v_)) + " (m)");

        boxes();
        outline();
        paths();
        markers();

        // The scale bar, under the view's right corner.
        const double bar = grid * scale_;
        const double bx = kRight - bar, by = bottom + kScaleBarBelow;
        page_.line(bx, by, bx + bar, by, kInk, kPathLine);
        page_.line(bx, by - kScaleBarTick, bx, by + kScaleBarTick, kInk, kLine);
        page_.line(bx + bar, by - kScaleBarTick, bx + bar, by + kScaleBarTick, kInk, kLine);
        page_.text(bx + bar / 2.0, by - kScaleBarLabel, label(grid) + " m", kSmallType, "middle");
        return bottom;
    }

    void boxes() {
        for (const BoxView &b : r_.boxes) {
            std::vector<SvgPoint> corners;
            for (const VECTOR3 &c : b.corners) {
                corners.push_back(at(c));
            }
            std::string when;
            for (double t : b.times) {
                when += (when.empty() ? "" : ", ") + seconds(t);
            }
            const std::string colour = colours_[b.track];
            SvgElement box("polygon");
            box.attr("class", "airlock").attr("points", svgPoints(convexHull(corners)));
            box.attr("fill", colour).attr("fill-opacity", kBoxOpacity).attr("stroke", colour);
            box.attr("stroke-width", kLineText).dash(b.doorOpen ? "" : kClosedDoorDash);
            page_.add(box.title(r_.tracks[b.track].name + "'s airlock box, door " +
                                (b.doorOpen ? "open" : "closed") + ", at " + when));
        }
    }

    // The frame vessel itself, as the outline of its hull seen along the view.
    void outline() {
        std::vector<SvgPoint> points;
        for (const VECTOR3 &p : body_) {
            points.push_back(at(p));
        }
        if (points.size() < 3) {
            return;
        }
        SvgElement hull("polygon");
        hull.attr("class", "body").attr("points", svgPoints(convexHull(points)));
        hull.attr("fill", kHullFill).attr("stroke", kHullLine).attr("stroke-width", kHairlineText);
        page_.add(hull.title(r_.frameName + " itself"));
    }

    // A small arrowhead halfway from a to b, pointing the way the vessel went.
    void arrow(const SvgPoint &a, const SvgPoint &b, const char *colour) {
        const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
        if (length < kArrowRoom) {
            return;
        }
        const double ux = dx / length, uy = dy / length;
        const SvgPoint tip{(a.x + b.x) / 2.0 + ux * kArrowSize / 2.0,
                           (a.y + b.y) / 2.0 + uy * kArrowSize / 2.0};
        const SvgPoint back{tip.x - ux * kArrowSize, tip.y - uy * kArrowSize};
        const std::vector<SvgPoint> head = {
            tip,
            {back.x - uy * kArrowSize / 2.0, back.y + ux * kArrowSize / 2.0},
            {back.x + uy * kArrowSize / 2.0, back.y - ux * kArrowSize / 2.0}};
        SvgElement e("polygon");
        page_.add(e.attr("class", "arrow").attr("points", svgPoints(head)).attr("fill", colour));
    }

    void paths() {
        for (std::size_t i = 0; i < r_.tracks.size(); ++i) {
            const Track &t = r_.tracks[i];
            if (t.path.empty()) {
                continue;
            }
            const char *colour = colours_[i];
            page_.open(SvgElement("g").attr("class", "path").title(t.name));
            const SvgPoint start = at(t.path.front().at);
            page_.add(svgCircle(start.x, start.y, kStartRadius, kPaper)
                          .attr("stroke", colour)
                          .attr("stroke-width", kLineText));
            // Flown stretches are solid; a jump to where the timeline put a vessel is dashed.
            std::size_t from = 0;
            for (std::size_t k = 1; k <= t.path.size(); ++k) {
                if (k < t.path.size() && !t.path[k].jump) {
                    continue;
                }
                polyline(t, from, k, colour);
                if (k < t.path.size()) {
                    const SvgPoint a = at(t.path[k - 1].at), b = at(t.path[k].at);
                    page_.line(a.x, a.y, b.x, b.y, colour, kJumpLine, kJumpDash);
                    arrow(a, b, colour);
                }
                from = k;
            }
            page_.close("g");
        }
    }

    void polyline(const Track &t, std::size_t from, std::size_t to, const char *colour) {
        std::vector<SvgPoint> points;
        std::string times;
        for (std::size_t k = from; k < to; ++k) {
            points.push_back(at(t.path[k].at));
            char time[32];
            std::snprintf(time, sizeof time, "%s%.3f", times.empty() ? "" : " ", t.path[k].time);
            times += time;
        }
        SvgElement line("polyline");
        line.attr("points", svgPoints(points)).attr("fill", "none").attr("stroke", colour);
        line.attr("stroke-width", kPathLineText).attr("stroke-linejoin", "round");
        page_.add(line.desc("times of the points in s: " + times));
        // The arrow goes on the stretch's longest step, where it has room.
        std::size_t longest = 0;
        double most = 0.0;
        for (std::size_t k = 1; k < points.size(); ++k) {
            const double d =
                std::hypot(points[k].x - points[k - 1].x, points[k].y - points[k - 1].y);
            if (d > most) {
                most = d;
                longest = k;
            }
        }
        if (longest > 0) {
            arrow(points[longest - 1], points[longest], colour);
        }
    }

    // Where a marker's label goes: the first of the places round it that no label placed
    // before overlaps, else above the others.
    SvgPoint labelPlace(const SvgPoint &spot, const std::string &text) {
        const double w = kLabelCharWidth * static_cast<double>(text.size()), h = kLabelHeight;
        const double d = kLabelOffset;
        const SvgPoint tries[] = {{spot.x + d, spot.y - d},
                                  {spot.x + d, spot.y + d + h},
                                  {spot.x - d - w, spot.y - d},
                                  {spot.x - d - w, spot.y + d + h}};
        const auto free = [&](const SvgPoint &p) {
            for (const auto &[q, qw] : labels_) {
                if (p.x < q.x + qw && q.x < p.x + w && p.y - h < q.y && q.y - h < p.y) {
                    return false;
                }
            }
            return true;
        };
        SvgPoint chosen = tries[0];
        bool found = false;
        for (const SvgPoint &p : tries) {
            if (!found && free(p)) {
                chosen = p;
                found = true;
            }
        }
        while (!found) {
            chosen.y -= h + kLabelStep;
            found = free(chosen);
        }
        labels_.push_back({chosen, w});
        return chosen;
    }

    // Markers at one spot share a circle; its label lists their numbers.
    void markers() {
        std::vector<std::pair<SvgPoint, std::vector<std::size_t>>> spots;
        for (std::size_t i = 0; i < r_.markers.size(); ++i) {
            const SvgPoint p = at(r_.markers[i].at);
            bool placed = false;
            for (auto &[spot, numbers] : spots) {
                if (!placed && std::abs(spot.x - p.x) < kSameSpot &&
                    std::abs(spot.y - p.y) < kSameSpot) {
                    numbers.push_back(i);
                    placed = true;
                }
            }
            if (!placed) {
                spots.push_back({p, {i}});
            }
        }
        for (const auto &[spot, numbers] : spots) {
            std::string numbered, title;
            for (std::size_t i : numbers) {
                numbered += (numbered.empty() ? "" : ",") + std::to_string(i + 1);
                title += (title.empty() ? "" : "; ") + seconds(r_.markers[i].time) + " " +
                         r_.markers[i].text;
            }
            SvgElement marker("circle");
            marker.attr("class", "marker").attr("cx", spot.x).attr("cy", spot.y);
            marker.attr("r", kMarkerRadius)
                .attr("fill", colours_[r_.markers[numbers.front()].track]);
            page_.add(marker.attr("stroke", kPaper).attr("stroke-width", kLineText).title(title));
            const SvgPoint place = labelPlace(spot, numbered);
            page_.add(SvgPage::textAt(place.x, place.y, numbered, kSmallType)
                          .attr("font-weight", "bold")
                          .attr("fill", kLabelInk));
        }
    }

    // The legend of the view and the numbered list of events; returns the height used.
    double events(double top) {
        std::vector<SvgLegendEntry> entries;
        std::map<std::string, bool> named;
        for (std::size_t i = 0; i < r_.tracks.size(); ++i) {
            const Track &t = r_.tracks[i];
            if (t.path.empty() || named[t.name]) {
                continue;
            }
            named[t.name] = true;
            entries.push_back({svgLineSwatch(colours_[i], kPathLine),
                               t.name + (t.name == r_.frameName ? " (the frame)" : "")});
        }
        bool closed = false, jumps = false;
        for (const BoxView &b : r_.boxes) {
            closed = closed || !b.doorOpen;
        }
        for (const Track &t : r_.tracks) {
            for (const PathPoint &p : t.path) {
                jumps = jumps || p.jump;
            }
        }
        if (!r_.boxes.empty()) {
            SvgElement box("rect");
            box.attr("x", kKeyBoxX).attr("y", kKeyBoxY).attr("width", kKeyBoxWidth);
            box.attr("height", kKeyBoxHeight);
            box.attr("fill", kNeutral)
                .attr("fill-opacity", kLegendBoxOpacity)
                .attr("stroke", kNeutral);
            entries.push_back({box, closed ? "airlock box (dashed: door closed)" : "airlock box"});
        }
        if (jumps) {
            entries.push_back(
                {svgLineSwatch(kKey, kHairline, kJumpDash), "put there by the timeline"});
        }
        SvgElement start = svgCircle(kKeyStartX, 0.0, kStartRadius, kPaper);
        start.attr("stroke", kKey).attr("stroke-width", kLineText);
        entries.push_back({start, "where a path begins"});
        double y = top;
        y += page_.legend(kLeft, kRight, y, entries) + kAfterLegend;

        page_.add(SvgPage::textAt(kLeft, y, r_.markers.empty() ? "No events to mark." : "Events")
                      .attr("font-weight", "bold"));
        y += kRow;
        for (std::size_t i = 0; i < r_.markers.size() && i < kListedEvents; ++i) {
            const Marker &m = r_.markers[i];
            page_.add(
                svgCircle(kLeft + kListDot, y - kBaseline, kListDotRadius, colours_[m.track]));
            page_.add(
                SvgPage::textAt(kLeft + kListNumber, y, std::to_string(i + 1), kSmallType, "end")
                    .attr("font-weight", "bold"));
            page_.text(kLeft + kListTime, y, seconds(m.time), kSmallType, "end");
            page_.text(kLeft + kListText, y, m.text, kSmallType);
            y += kRow;
        }
        if (r_.markers.size() > kListedEvents) {
            page_.text(kLeft + kListText, y,
                       "... and " + std::to_string(r_.markers.size() - kListedEvents) +
                           " more, marked above but not listed",
                       kSmallType);
            y += kRow;
        }
        return y - top;
    }

    const RunRecord &r_;
    const std::string title_;
    const std::vector<VECTOR3> &body_;
    std::vector<std::pair<SvgPoint, double>>
        labels_;  // marker labels placed: baseline start, width
    SvgPage page_;
    std::vector<const char *> colours_;  // per track
    int h_ = 2, v_ = 0;                  // axes across and up
    double scale_ = 1.0;                 // px per m
    double centreH_ = 0.0, centreV_ = 0.0;
    double top_ = 0.0;
};

}  // namespace

std::string drawRunSvg(const RunRecord &record, const std::string &title,
                       const std::vector<VECTOR3> &body) {
    return Plotter(record, title, body).draw();
}

}  // namespace vemosim
