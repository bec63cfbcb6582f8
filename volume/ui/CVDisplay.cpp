// The volume tool's plan plot of the current layer and its texts.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

#include "controls/Plotwind.h"
#include "geometry/NumberText.h"
#include "volume/VolumeReport.h"
#include "volume/ui/CVMain.h"

namespace lumora {
namespace {

// Platform colours are 0x00BBGGRR.
QColor Bgr(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

T3DVector At(const T2DVector& p) { return {p.x, p.y, 0}; }

}  // namespace

void TVolumeDlg::Paint(TPlotWindow& plot) {
  const TPlotModel& m = model_.Model();
  plot.SetRange(true, m.PlotInfo.Min, m.PlotInfo.Max);
  plot.ClearPlot();
  plot.SetPen(Bgr(0xFF0000));
  plot.SetRange(true, m.PlotInfo.Min, m.PlotInfo.Max);
  for (int i = 0; i < m.Plots.Count(); ++i) plot.PlotTo(m.Plots[i].Code, m.Plots[i].Position);

  const int layer = std::clamp(currentLayer_, 0, model_.Count() - 1);
  const TTriangulator& t = model_.Levels[layer].Triangulator;
  const T2DVectorArray& pts = t.Points();
  if (ShowTrianglesChk->isChecked()) {
    for (size_t i = 0; i < t.Triangles().size(); ++i) {
      const TDelaunayTriangle& tri = t.Triangles()[i];
      plot.SetBrush(QColor(128, 128, 128));
      plot.SetPen(QColor(48, 48, 48), 1);
      plot.DrawPolygon({At(pts[tri.p1]), At(pts[tri.p2]), At(pts[tri.p3])});
      if (TriangleChk->isChecked()) PaintTriangleLabels(plot, static_cast<int>(i));
    }
  }
  plot.SetPen(Bgr(0xFF0000), 1);
  for (const T2DVector& p : pts) plot.DrawMarker(At(p));

  plot.SetPen(Bgr(0x00FF00), 1);
  plot.SetBrush(Bgr(0x00FFFF));
  const THullArray& hull = t.ConcaveHull();
  for (size_t e = 0; e < hull.size(); ++e) {
    const T3DVector a = At(pts[hull[e].p1]), b = At(pts[hull[e].p2]);
    if (ArrowChk->isChecked()) {
      plot.DrawArrow(a, b);
    } else {
      plot.PlotTo('M', a);
      plot.PlotTo('D', b);
    }
    if (LineNumChk->isChecked()) {
      plot.SetBrush(Qt::white);
      plot.TextAt(QString::number(e), Scale(Add(a, b), 0.5));
    }
    if (VertexNumChk->isChecked()) {
      plot.SetBrush(Bgr(0x00FF00));
      plot.TextAt(QString::number(hull[e].p1), a);
      plot.TextAt(QString::number(hull[e].p2), b);
    }
  }
  UpdateTexts();
}

std::vector<TPlotLabel> NeighbourLabels(const TTriangulator& t, int index) {
  const TDelaunayTriangle& tri = t.Triangles()[index];
  const T3DVector p[3] = {At(t.Points()[tri.p1]), At(t.Points()[tri.p2]), At(t.Points()[tri.p3])};
  const T3DVector c = Scale(Add(Add(p[0], p[1]), p[2]), 1.0 / 3);
  std::vector<TPlotLabel> labels;
  for (int slot = 0; slot < 3; ++slot) {
    const int neighbour = tri.Neighbour(slot);
    if (neighbour < 0) continue;
    const T3DVector mid = Scale(Add(p[slot], p[(slot + 1) % 3]), 0.5);
    const T3DVector towards = Subtract(c, mid);
    double length = Length(towards);
    if (length == 0) length = 1e-99;
    labels.push_back(
        {QString::number(slot + 1) + "-" + QString::number(neighbour), Add(mid, Scale(towards, 20 / length))});
  }
  return labels;
}

void TVolumeDlg::PaintTriangleLabels(TPlotWindow& plot, int index) {
  const TTriangulator& t = model_.Levels[std::clamp(currentLayer_, 0, model_.Count() - 1)].Triangulator;
  const TDelaunayTriangle& tri = t.Triangles()[index];
  const T3DVector c = Scale(Add(Add(At(t.Points()[tri.p1]), At(t.Points()[tri.p2])), At(t.Points()[tri.p3])), 1.0 / 3);
  plot.SetBrush(Bgr(0x808000));
  plot.SetFontColor(Bgr(0x00FFFF));
  plot.TextAt(QString::number(index), c);
  plot.SetFontColor(Bgr(0x0000FF));
  for (const TPlotLabel& label : NeighbourLabels(t, index)) plot.TextAt(label.Text, label.At);
}

void TVolumeDlg::UpdateTexts() {
  const int layer = std::clamp(currentLayer_, 0, model_.Count() - 1);
  const TVolumeLevel& level = model_.Levels[layer];
  const std::string& unit = units_.ShortUnitName;
  auto length = [&](double feet) {
    return QString::fromStdString(FixedText(feet * units_.LengthFactor, 1) + " " + unit);
  };
  auto volume = [&](double cubicFeet) {
    return QString::fromStdString(GroupedNumber(cubicFeet * units_.VolumeFactor, 1) + " " + unit + "^3");
  };
  auto porosity = [](const std::optional<double>& percent) {
    return QString::fromStdString(percent ? GroupedNumber(*percent, 3) + "%" : "n/a");
  };
  StatusDis->setText("Points: " + QString::number(level.Triangulator.Points().size()) +
                     "  Triangles: " + QString::number(level.Triangulator.Triangles().size()));
  TopDis->setText(length(level.Top));
  BottomDis->setText(length(level.Bottom));
  DepthDis->setText(length(model_.Thickness(layer)));
  AreaDis->setText(QString::fromStdString(GroupedNumber(level.Area * units_.AreaFactor, 1) + " " + unit + "^2"));
  VolumeDis->setText(volume(model_.RockVolume));
  CaveVolumeDis->setText(volume(model_.CaveVolume()));
  PorosityDis->setText(porosity(model_.Porosity()));
  LayerRockVolDis->setText(volume(model_.LayerRockVolume(layer)));
  LayerCaveVolDis->setText(volume(model_.LayerCaveVolume(layer)));
  LayerPorosityDis->setText(porosity(model_.LayerPorosity(layer)));
}

}  // namespace lumora
