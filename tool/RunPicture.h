// A picture of a run as plain SVG 1.1: above, every vessel's path in the frame vessel's frame
// (seen along the axis the run moved least in), the crew airlock boxes as they stood, numbered
// markers at the moments that matter with a list of them, the frame vessel's outline, an arrow
// on each stretch of a path for the way it went, a scale bar in metres and a legend;
// below, the tanks' levels and the crew aboard over time.
//
// The picture is a pure function of the record: the same run draws the same bytes. Elements
// say what they show, for readers and for tests: each path is a group titled with its
// vessel's name whose polylines carry the times of their points in their description, each
// airlock box is a polygon titled with its vessel and the times it stood so, and each marker
// is a circle titled with its events.
#ifndef VEMO_TOOL_RUNPICTURE_H
#define VEMO_TOOL_RUNPICTURE_H

#include <string>
#include <vector>

#include "RunRecorder.h"

namespace vemosim {

// `title` names the run, e.g. the scenario file as the user gave it. `body`: points of the
// frame vessel's hull in its own frame (its mesh's vertices), drawn as its outline; empty
// when its mesh is not to be had.
std::string drawRunSvg(const RunRecord &record, const std::string &title,
                       const std::vector<VECTOR3> &body = {});

}  // namespace vemosim

#endif
