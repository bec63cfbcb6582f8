#include "map/MapPage.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace lumora {

namespace {

constexpr TPaperSize kPapers[] = {
    {"A4", 210, 297}, {"A3", 297, 420}, {"A2", 420, 594}, {"A1", 594, 841}, {"A0", 841, 1189}};

// The room the cave may take on a page of w x h mm.
double RoomWidth(double w) { return w - 2 * kPageMargin - 2 * kFrameInset; }
double RoomHeight(double h) { return h - 2 * kPageMargin - kTitleStrip - 2 * kFrameInset; }

bool FitsAt(double w, double h, double width, double height, double scale) {
  return width * 1000 / scale <= RoomWidth(w) + 1e-9 && height * 1000 / scale <= RoomHeight(h) + 1e-9;
}

TPageLayout Frame(TPageLayout p) {
  p.FrameLeft = p.FrameTop = kPageMargin;
  p.FrameWidth = p.Width - 2 * kPageMargin;
  p.FrameHeight = p.Height - 2 * kPageMargin - kTitleStrip;
  return p;
}

}  // namespace

const TPaperSize* FindPaper(const std::string& name) {
  for (const TPaperSize& p : kPapers)
    if (name.size() == 2 && std::toupper(static_cast<unsigned char>(name[0])) == 'A' && name[1] == p.Name[1]) return &p;
  return nullptr;
}

double RoundScale(double least) {
  if (!(least > 0) || !std::isfinite(least)) return 1;
  double p = std::pow(10.0, std::floor(std::log10(least)));
  for (;; p *= 10)
    for (double m : {1.0, 2.0, 2.5, 5.0})
      if (m * p >= least * (1 - 1e-12)) return m * p;
}

TPageLayout LayOutPage(double width, double height, const TPageRequest& r) {
  width = std::max(width, 1e-6);
  height = std::max(height, 1e-6);
  TPageLayout p;
  const TPaperSize* paper = r.Paper.empty() ? nullptr : FindPaper(r.Paper);
  if (r.Scale <= 0) {
    if (!paper) paper = &kPapers[0];
    p.PaperName = paper->Name;
    p.Landscape = r.Landscape;
    p.Width = r.Landscape ? paper->Height : paper->Width;
    p.Height = r.Landscape ? paper->Width : paper->Height;
    const double least = std::max(width * 1000 / RoomWidth(p.Width), height * 1000 / RoomHeight(p.Height));
    p.Scale = RoundScale(least);
    return Frame(p);
  }
  p.Scale = r.Scale;
  if (paper) {
    p.PaperName = paper->Name;
    p.Landscape = r.Landscape;
    p.Width = r.Landscape ? paper->Height : paper->Width;
    p.Height = r.Landscape ? paper->Width : paper->Height;
    p.Fits = FitsAt(p.Width, p.Height, width, height, r.Scale);
    return Frame(p);
  }
  // The smallest paper that holds the cave, upright or (unless asked
  // otherwise) turned.
  for (const TPaperSize& s : kPapers)
    for (bool landscape : {r.Landscape, !r.Landscape}) {
      const double w = landscape ? s.Height : s.Width, h = landscape ? s.Width : s.Height;
      if (FitsAt(w, h, width, height, r.Scale)) {
        p.PaperName = s.Name;
        p.Landscape = landscape;
        p.Width = w;
        p.Height = h;
        return Frame(p);
      }
      if (r.Landscape) break;
    }
  // None does: a page cut to the map.
  p.PaperName = "custom";
  p.Landscape = width > height;
  p.Width = std::ceil(width * 1000 / r.Scale + 2 * kPageMargin + 2 * kFrameInset);
  p.Height = std::ceil(height * 1000 / r.Scale + 2 * kPageMargin + kTitleStrip + 2 * kFrameInset);
  p.Width = std::max(p.Width, 210.0);
  p.Height = std::max(p.Height, 148.0);
  return Frame(p);
}

}  // namespace lumora
