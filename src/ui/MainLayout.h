#pragma once
// Placement of the main window's frame pictures, close picture and about label, worked out from the
// window's size alone so that it can be checked without any widget. All measures are twips.
#include <array>
#include <string_view>

namespace qm::ui {

struct TwipsRect {
    float left = 0, top = 0, width = 0, height = 0;
    float right() const { return left + width; }
    float bottom() const { return top + height; }
};

struct MainFrameLayout {
    TwipsRect topLeft{0, 0, 105, 375};     // impTopLeft
    TwipsRect topRight{0, 0, 105, 375};    // imgTopRight
    TwipsRect bottomLeft{0, 0, 105, 105};  // imgBottomLeft
    TwipsRect bottomRight{0, 0, 105, 105}; // imgBottomRight
    TwipsRect top{105, 0, 0, 375};         // imgTop
    TwipsRect bottom{105, 0, 0, 105};      // imgBottom
    TwipsRect left{0, 375, 105, 0};        // imgLeft
    TwipsRect right{0, 375, 105, 0};       // imgRight
    TwipsRect exit{0, 80, 255, 270};       // imgExit
    TwipsRect about{0, 120, 360, 180};     // labAbout
};

// Inner size the window opens with.
inline constexpr float kMainWidthTwips = 11970;
inline constexpr float kMainHeightTwips = 8820;

// Places the frame for a window of W × H twips, starting from `previous` (what a step cannot set keeps
// its earlier value). Single-precision arithmetic; a step that would give a negative width or height is
// skipped and the later steps still run.
MainFrameLayout LayoutMainFrame(float W, float H, const MainFrameLayout& previous = MainFrameLayout{});

// Controls that keep their place whatever the window's size.
struct FixedPlacement {
    std::string_view name;
    TwipsRect rect;
};
inline constexpr std::array<FixedPlacement, 17> kFixedPlacements{{
    {"labCaption", {240, 120, 1755, 180}},
    {"grdTable", {360, 600, 11295, 6135}},
    {"cmdSelect", {360, 6960, 975, 375}},
    {"cmdClear", {1560, 6960, 975, 375}},
    // The check boxes sit in the free stretch of the upper button row.
    {"chkVerify", {2640, 6960, 1380, 375}},
    {"chkBackup", {4080, 6960, 1380, 375}},
    {"chkRepairFindings", {5520, 6960, 3840, 375}},
    {"cmdShowAll", {9480, 6960, 975, 375}},
    {"cmdBrush", {10680, 6960, 975, 375}},
    {"ProDB", {360, 7560, 11250, 375}},
    {"imgLogo", {360, 8100, 400, 400}},
    {"cmdStop", {2400, 8160, 975, 375}},
    // The report label sits to the right of the Stop button, wide enough for the run summary; at its
    // nominal 720 twips the summary would run under the Stop button. The run record's name goes on a
    // line of its own under the summary.
    {"labReport", {3600, 8160, 4560, 210}},
    {"labRecord", {3600, 8370, 4560, 210}},
    {"cmdPreview", {8280, 8160, 975, 375}},
    {"cmdConfirm", {9480, 8160, 975, 375}},
    {"cmdCancel", {10680, 8160, 975, 375}},
}};

// Looks a fixed placement up by object name; a zero rectangle for an unknown name.
TwipsRect FixedPlacementOf(std::string_view name);

// Screen conversions: pixels = twips × dots per inch / 1440.
int TwipsToPixels(float twips, double dpi);
float PixelsToTwips(int pixels, double dpi);

} // namespace qm::ui
