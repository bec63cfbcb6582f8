#pragma once
// The paper of a map: ISO A sizes, the orientation, and the scale 1:N at
// which the cave's extent fits inside the margins and the title strip.

#include <optional>
#include <string>

namespace lumora {

struct TPaperSize {
  const char* Name;
  double Width, Height;  // mm, portrait
};

// A4 to A0, smallest first.
const TPaperSize* FindPaper(const std::string& name);

struct TPageRequest {
  std::string Paper;  // empty: A4 when fitting, else the smallest that fits
  bool Landscape = false;
  double Scale = 0;  // 1:N; 0 fits the paper at a round scale
};

struct TPageLayout {
  std::string PaperName;  // "A3", or "custom" for a page made to fit
  bool Landscape = false;
  double Width = 0, Height = 0;  // mm, as the page lies
  double Scale = 0;              // 1:N
  // The map's frame on the page, mm from the top left corner; the title
  // strip lies below it.
  double FrameLeft = 0, FrameTop = 0, FrameWidth = 0, FrameHeight = 0;
  bool Fits = true;  // the extent fits the frame at the scale
};

constexpr double kPageMargin = 10;  // mm
constexpr double kTitleStrip = 34;  // mm, below the frame
constexpr double kFrameInset = 8;   // mm kept free inside the frame round the cave

// The smallest scale 1, 2, 2.5 or 5 times a power of ten, 1:N, at or above `least`.
double RoundScale(double least);

// Lays out a page for a cave extent of width x height metres.
TPageLayout LayOutPage(double width, double height, const TPageRequest& request);

}  // namespace lumora
