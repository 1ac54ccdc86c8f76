#include "ui/MainLayout.h"

#include <cmath>

namespace qm::ui {

namespace {

// A picture can be moved anywhere, but a negative extent is refused: the step is dropped as a whole.
void Place(TwipsRect& r, float left, float top, float width, float height) {
    if (width < 0 || height < 0) return;
    r = TwipsRect{left, top, width, height};
}

} // namespace

MainFrameLayout LayoutMainFrame(float W, float H, const MainFrameLayout& previous) {
    MainFrameLayout l = previous;
    Place(l.topLeft, 0, 0, l.topLeft.width, l.topLeft.height);
    Place(l.topRight, W - l.topRight.width, 0, l.topRight.width, l.topRight.height);
    Place(l.bottomLeft, 0, H - l.bottomLeft.height, l.bottomLeft.width, l.bottomLeft.height);
    Place(l.bottomRight, W - l.bottomRight.width, H - l.bottomRight.height, l.bottomRight.width, l.bottomRight.height);
    Place(l.top, l.topLeft.left + l.topLeft.width, 0, W - l.topLeft.width - l.topRight.width, l.top.height);
    Place(l.bottom, l.bottomLeft.left + l.bottomLeft.width, l.bottomLeft.top,
          W - l.bottomLeft.width - l.bottomRight.width, l.bottom.height);
    Place(l.left, 0, l.topLeft.top + l.topLeft.height, l.left.width, H - l.topLeft.height - l.bottomLeft.height);
    Place(l.right, W - l.right.width, l.topRight.top + l.topRight.height, l.right.width,
          H - l.topRight.height - l.bottomRight.height);
    Place(l.exit, W - l.exit.width - 100, l.exit.top, l.exit.width, l.exit.height);
    Place(l.about, l.exit.left - 200 - l.about.width, l.about.top, l.about.width, l.about.height);
    return l;
}

TwipsRect FixedPlacementOf(std::string_view name) {
    for (const auto& p : kFixedPlacements)
        if (p.name == name) return p.rect;
    return {};
}

int TwipsToPixels(float twips, double dpi) { return int(std::lround(double(twips) * dpi / 1440.0)); }

float PixelsToTwips(int pixels, double dpi) {
    if (dpi <= 0) dpi = 96;
    return float(double(pixels) * 1440.0 / dpi);
}

} // namespace qm::ui
