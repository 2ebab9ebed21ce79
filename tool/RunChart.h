// The lower part of a run's picture: each tank's level over time, with room above 100% so a
// full tank stays in sight over the frame, and below it, in a strip of its own with its own
// axis, the crew aboard each crew-capable vessel.
#ifndef VEMO_TOOL_RUNCHART_H
#define VEMO_TOOL_RUNCHART_H

#include <vector>

#include "RunRecorder.h"
#include "SvgPage.h"

namespace vemosim {

// Draws the chart from `top` between `left` and `right`, each track in its colour; returns
// the bottom of what it drew.
double drawRunChart(SvgPage &page, const RunRecord &r, const std::vector<const char *> &colours,
                    double top, double left, double right);

}  // namespace vemosim

#endif
