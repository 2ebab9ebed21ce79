// The pictures' style in one place: the page's layout, type sizes, colours, line widths and
// dashes of the run's picture (RunPicture, RunChart), the capsule's views (MeshPicture) and
// the elements they share (SvgPage). Lengths are in px unless a unit says otherwise.
#ifndef VEMO_TOOL_PICTURESTYLE_H
#define VEMO_TOOL_PICTURESTYLE_H

#include <cstddef>

namespace vemosim::style {

// --- Type -------------------------------------------------------------------------------
inline constexpr char kFont[] = "DejaVu Sans, Verdana, sans-serif";
inline constexpr int kTitleType = 16;     // the page's title
inline constexpr int kHeadingType = 14;   // a row of panels' title
inline constexpr int kTextType = 12;      // subtitles, axis titles, notes
inline constexpr int kSmallType = 11;     // axis labels, the legend, the event list
inline constexpr double kBaseline = 4.0;  // small type sits this far below a line it labels

// --- Colours ----------------------------------------------------------------------------
// Colours that stay apart for most kinds of colour vision; the frame vessel gets the first.
inline constexpr const char *kVesselColours[] = {"#0072B2", "#D55E00", "#009E73", "#CC79A7",
                                                 "#E69F00", "#56B4E9", "#000000", "#999933"};
inline constexpr char kInk[] = "#000000";       // the scale bar
inline constexpr char kPaper[] = "#ffffff";     // the page, and a marker's rim
inline constexpr char kGridZero[] = "#bbbbbb";  // the grid line at 0, or at full
inline constexpr char kGrid[] = "#e4e4e4";      // every other grid line
inline constexpr char kKey[] = "#555555";       // the legend's neutral swatches
inline constexpr char kNeutral[] = "#888888";   // a chart's frame, the legend's airlock box
inline constexpr char kChartPaper[] = "#fbfbfb";
inline constexpr char kHullFill[] = "#c9ced4";  // the frame vessel's hull
inline constexpr char kHullLine[] = "#6b737c";
inline constexpr char kPanelPaper[] = "#f4f6f8";  // the capsule's views
inline constexpr char kPanelLine[] = "#c8ccd0";
inline constexpr char kPanelBox[] = "#4a7bd0";  // the airlock box in a view
inline constexpr char kGround[] = "#7a5a30";
inline constexpr char kLabelInk[] = "#222222";       // a marker's numbers
inline constexpr char kBoxOpacity[] = "0.10";        // an airlock box's fill
inline constexpr char kLegendBoxOpacity[] = "0.15";  // the legend's airlock box

// --- Lines ------------------------------------------------------------------------------
inline constexpr double kHairline = 1.0;
inline constexpr double kJumpLine = 1.2;  // a vessel put somewhere by the timeline
inline constexpr double kLine = 1.5;      // boxes, tanks, rims
inline constexpr double kPathLine = 2.0;  // a vessel's path, the scale bar
inline constexpr double kCrewLine = 3.0;  // the crew aboard
inline constexpr double kFaceEdge = 0.4;  // a face of the capsule's mesh
// The same widths as attribute text, as the picture writes them.
inline constexpr char kHairlineText[] = "1";
inline constexpr char kLineText[] = "1.5";
inline constexpr char kPathLineText[] = "2";
inline constexpr char kCrewLineText[] = "3";
inline constexpr char kJumpDash[] = "4 3";        // put there by the timeline; the view's box
inline constexpr char kClosedDoorDash[] = "5 3";  // an airlock box with its door closed
// Tanks of one vessel differ by dash.
inline constexpr const char *kTankDashes[] = {"", "7 3", "2 2", "9 3 2 3"};

// --- The run's picture ------------------------------------------------------------------
inline constexpr double kWidth = 960.0;
inline constexpr double kLeft = 70.0;    // plot areas start here; axis labels to the left
inline constexpr double kRight = 900.0;  // and end here; the chart's crew axis to the right
inline constexpr double kTitleTop = 30.0;
inline constexpr double kAfterTitle = 20.0;
inline constexpr double kAfterSubtitle = 14.0;
inline constexpr double kAfterView = 58.0;  // room for the view's axis labels and scale bar
inline constexpr double kAfterEvents = 16.0;
inline constexpr double kViewHeight = 420.0;
inline constexpr double kRow = 18.0;          // a line of the event list
inline constexpr double kGridSpacing = 70.0;  // at least this far between grid lines
inline constexpr double kLabelGap = 6.0;      // between an axis and its labels on the left
inline constexpr double kLabelBelow = 16.0;   // an axis's labels under it
inline constexpr double kAxisTitleBelow = 32.0;
inline constexpr double kAxisTitleLeft = 36.0;  // an upright axis title, left of the axis
inline constexpr double kScaleBarBelow = 34.0;
inline constexpr double kScaleBarTick = 5.0;   // half a tick's height
inline constexpr double kScaleBarLabel = 7.0;  // the label above the bar
inline constexpr double kMarkerRadius = 5.0;
inline constexpr double kStartRadius = 3.5;     // the hollow circle where a path begins
inline constexpr double kArrowSize = 8.0;       // an arrowhead's length
inline constexpr double kArrowRoom = 24.0;      // a stretch shorter than this gets no arrow
inline constexpr double kLabelCharWidth = 7.0;  // a character of a marker's bold label
inline constexpr double kLabelHeight = 11.0;
inline constexpr double kLabelOffset = 7.0;  // a marker's label from its marker
inline constexpr double kLabelStep = 2.0;    // a label moved up past another
inline constexpr double kSameSpot = 1.0;     // markers closer than this share a label
// Paths that stay within a point are shown over at least this span (m).
inline constexpr double kMinimumSpan = 1.0;
inline constexpr double kPadding = 0.08;           // of the span, around the paths and boxes
inline constexpr std::size_t kListedEvents = 100;  // the list stops here; the markers do not
// The event list's columns, from kLeft: the dot, the number, the time, the text.
inline constexpr double kListDot = 5.0;
inline constexpr double kListDotRadius = 4.0;
inline constexpr double kListNumber = 30.0;
inline constexpr double kListTime = 95.0;
inline constexpr double kListText = 110.0;
inline constexpr double kAfterLegend = 8.0;
// The legend's airlock box and start circle, about a swatch's (0, 0).
inline constexpr double kKeyBoxX = 2.0, kKeyBoxY = -6.0, kKeyBoxWidth = 20.0, kKeyBoxHeight = 12.0;
inline constexpr double kKeyStartX = 12.0;

// --- The run's chart --------------------------------------------------------------------
inline constexpr double kChartTitleGap = 12.0;
inline constexpr double kTankHeight = 170.0;
inline constexpr double kCrewHeight = 60.0;
inline constexpr double kChartGap = 10.0;  // between the tanks and the crew
// The tanks' axis reaches this far above full, so a full tank's line is not the frame's.
inline constexpr double kTankTop = 1.1;
inline constexpr double kCrewRoom = 0.5;  // of a member, above the most aboard
inline constexpr double kChartLegendGap = 52.0;
inline constexpr double kAfterChart = 12.0;

// --- Shared elements --------------------------------------------------------------------
inline constexpr double kLegendRow = 18.0;
inline constexpr double kSwatch = 30.0;     // a swatch and the space after it
inline constexpr double kCharWidth = 6.5;   // a character of legend text, at most
inline constexpr double kLegendGap = 24.0;  // between two entries
inline constexpr double kSwatchLength = 24.0;

// --- The capsule's views ----------------------------------------------------------------
inline constexpr double kMeshScale = 30.0;  // px per metre, the same in every panel
inline constexpr double kPanel = 260.0;     // a panel's width and height
inline constexpr double kMargin = 20.0;
inline constexpr double kHeading = 28.0;    // above a row, for its title
inline constexpr double kPanelLabel = 6.0;  // a panel's name, in from its corner
inline constexpr double kPanelLabelUp = 8.0;

}  // namespace vemosim::style

#endif
