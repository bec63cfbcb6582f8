#include "map/MapDraw.h"

#include <algorithm>

namespace lumora {

namespace {

QColor Colour(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A paler and a darker shade of a wall colour.
QColor Fill(uint32_t c, bool plain) { return plain ? QColor(0xD9, 0xCB, 0xB0) : Colour(c).lighter(135); }
QColor Edge(uint32_t c, bool plain) { return plain ? QColor(0x5A, 0x48, 0x30) : Colour(c).darker(160); }

QPen Pen(const QColor& colour, double width, Qt::PenCapStyle cap = Qt::FlatCap) {
  QPen pen(colour, width);
  pen.setCapStyle(cap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Texts(QPainter& p, const std::vector<TMapText>& texts) {
  double size = -1;
  bool bold = false;
  uint32_t colour = 0xFFFFFFFF;
  for (const TMapText& t : texts) {
    if (t.Size != size || t.Bold != bold) p.setFont(MapFont(size = t.Size, bold = t.Bold));
    if (t.Color != colour) p.setPen(Colour(colour = t.Color));
    p.drawText(t.At, t.Text);
  }
}

}  // namespace

QTransform MapToDevice(double dotsPerInch, double left, double top) {
  const double k = dotsPerInch / 25.4 / kMapUnitsPerMm;
  return QTransform(k, 0, 0, k, left, top);
}

void DrawMap(QPainter& p, const TMapContent& m, const TMapLayerStart& start) {
  auto begin = [&](const char* layer) {
    if (start) start(p, layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
  };
  const bool plain = m.Plain;

  begin("grid");
  p.setPen(Pen(QColor(0xC8, 0xC8, 0xC8), 1.5));
  p.drawPath(m.GridLines);
  Texts(p, m.GridLabels);
  p.setPen(Pen(Qt::black, 4));
  p.setBrush(Qt::NoBrush);
  p.drawRect(m.Frame);

  // Each piece's edge first, then every fill over it: what stays of the
  // edges is the outline of the passage as a whole.
  begin("walls");
  for (const TMapShape& s : m.Walls) {
    p.setPen(Pen(Edge(s.Color, plain), 5, Qt::RoundCap));
    p.drawPath(s.Path);
  }
  p.setPen(Qt::NoPen);
  for (const TMapShape& s : m.Walls) {
    p.setBrush(Fill(s.Color, plain));
    p.drawPath(s.Path);
  }

  begin("centreline");
  for (const TMapShape& s : m.Centreline) {
    p.setPen(Pen(plain ? QColor(0xB0, 0x10, 0x10) : Colour(s.Color).darker(120), 2.5, Qt::RoundCap));
    p.drawPath(s.Path);
  }

  begin("stations");
  p.setPen(Pen(Qt::black, 5, Qt::RoundCap));
  for (const TMapShape& s : m.Stations) p.drawPath(s.Path);
  p.setPen(Pen(QColor(0x10, 0x10, 0x10), 2));
  p.setBrush(QColor(0xC0, 0x10, 0x10));
  p.drawPath(m.Entrances);

  begin("labels");
  Texts(p, m.Labels);

  begin("legend");
  p.setPen(Qt::NoPen);
  for (const auto& [rect, colour] : m.Swatches) {
    p.setBrush(Colour(colour));
    p.drawRect(rect);
  }
  p.setBrush(Qt::black);
  p.drawPath(m.LegendFilled);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(Qt::black, 3));
  p.drawPath(m.LegendLines);
  Texts(p, m.LegendText);
}

}  // namespace lumora
