#include "editor/selection.h"

#include <algorithm>
#include <cmath>

#include "platform/basic/basic.h"

namespace stavelark {

namespace {

// A selected column as the whole number it holds (nearest, halves to even); NaN selects nothing.
double Column(float v) { return std::isnan(v) ? -1 : basic::RoundHalfEven(v); }

}  // namespace

SelectedBlock SelectionBlock(const Globals& g) {
  SelectedBlock b;
  b.trackFrom = std::max<int>(0, g.SelTrackFrom);
  b.trackTo = std::min<int>(kTracks - 1, g.SelTrackTo);
  const double from = std::max(0.0, Column(g.SelColFrom));
  const double to = std::min(static_cast<double>(kColumns - 1), Column(g.SelColTo));
  if (from > to) {
    b.colFrom = 0;
    b.colTo = -1;
  } else {
    b.colFrom = static_cast<int>(from);
    b.colTo = static_cast<int>(to);
  }
  return b;
}

}  // namespace stavelark
