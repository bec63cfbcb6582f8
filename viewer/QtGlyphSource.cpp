#include "viewer/QtGlyphSource.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <cmath>
#include <cstdlib>

namespace lumora {

namespace {

QFont MakeFont(const TFontDescription& d) {
  QFont f;
  if (QString::fromStdString(d.Name).compare("Default", Qt::CaseInsensitive) == 0) {
    f.setFamily("Sans Serif");
    f.setStyleHint(QFont::SansSerif);
  } else {
    f.setFamily(QString::fromStdString(d.Name));
  }
  if (d.Pitch == 1) {
    f.setFixedPitch(true);
    f.setStyleHint(QFont::Monospace);
  }
  f.setBold(d.Bold);
  f.setItalic(d.Italic);
  f.setUnderline(d.Underline);
  f.setStrikeOut(d.StrikeOut);
  return f;
}

bool HasGlyph(int c) { return c > 32 && c != 127 && !(c >= 128 && c < 160); }

}  // namespace

bool TQtGlyphSource::Outlines(const TFontDescription& d, std::vector<TOutlineGlyph>& glyphs) {
  if (!QGuiApplication::instance()) return false;
  QFont f = MakeFont(d);
  f.setPixelSize(64);
  QRawFont raw = QRawFont::fromFont(f);
  if (!raw.isValid() || raw.unitsPerEm() <= 0) return false;
  const double em = raw.unitsPerEm();
  raw.setPixelSize(em);
  glyphs.assign(256, {});
  for (int c = 32; c < 256; ++c) {
    if (c == 127 || (c >= 128 && c < 160)) continue;
    const QList<quint32> index = raw.glyphIndexesForString(QString(QChar(static_cast<char16_t>(c))));
    if (index.isEmpty() || index[0] == 0) continue;
    TOutlineGlyph& g = glyphs[c];
    const QList<QPointF> advance = raw.advancesForGlyphIndexes(index);
    const QPainterPath path = raw.pathForGlyph(index[0]);
    const QRectF box = path.boundingRect();
    // Qt's y runs down; the scene's up.
    g.Metrics = {static_cast<float>(box.width() / em),
                 static_cast<float>(box.height() / em),
                 static_cast<float>(box.left() / em),
                 static_cast<float>(-box.top() / em),
                 static_cast<float>(advance.isEmpty() ? 0 : advance[0].x() / em),
                 0};
    for (const QPolygonF& poly : path.toSubpathPolygons()) {
      std::vector<T2DVector> contour;
      for (const QPointF& p : poly) {
        const T2DVector v{p.x() / em, -p.y() / em};
        if (!contour.empty() && std::abs(contour.back().x - v.x) < 1e-9 && std::abs(contour.back().y - v.y) < 1e-9)
          continue;
        contour.push_back(v);
      }
      while (contour.size() > 1 && std::abs(contour.back().x - contour.front().x) < 1e-9 &&
             std::abs(contour.back().y - contour.front().y) < 1e-9)
        contour.pop_back();
      if (contour.size() >= 3) g.Contours.push_back(std::move(contour));
    }
  }
  return true;
}

bool TQtGlyphSource::Bitmaps(const TFontDescription& d, std::vector<TBitmapGlyph>& glyphs) {
  if (!QGuiApplication::instance()) return false;
  QFont f = MakeFont(d);
  f.setPixelSize(std::max(1, std::abs(d.Height)));
  // Bitmaps have one bit per pixel: no grey edges to threshold.
  f.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics fm(f);
  glyphs.assign(256, {});
  for (int c = 32; c < 256; ++c) {
    if (c == 127 || (c >= 128 && c < 160)) continue;
    const QString text(QChar(static_cast<char16_t>(c)));
    TBitmapGlyph& g = glyphs[c];
    g.AdvanceX = static_cast<float>(fm.horizontalAdvance(text));
    if (!HasGlyph(c)) continue;
    const QRect r = fm.tightBoundingRect(text).adjusted(-1, -1, 1, 1);
    if (r.width() <= 2 || r.height() <= 2) continue;
    QImage image(r.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setFont(f);
    painter.setPen(Qt::white);
    painter.drawText(-r.left(), -r.top(), text);
    painter.end();
    g.Width = r.width();
    g.Height = r.height();
    g.OriginX = static_cast<float>(-r.left());
    g.OriginY = static_cast<float>(r.bottom() + 1);
    const int stride = (g.Width + 7) / 8;
    g.Bits.assign(static_cast<size_t>(stride) * g.Height, 0);
    for (int b = 0; b < g.Height; ++b) {
      const int row = g.Height - 1 - b;  // glBitmap rows run upwards
      for (int x = 0; x < g.Width; ++x)
        if (qGray(image.pixel(x, row)) > 127) g.Bits[static_cast<size_t>(b) * stride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  return true;
}

void InstallQtGlyphSource() {
  if (!GlyphSource()) SetGlyphSource(std::make_shared<TQtGlyphSource>());
}

}  // namespace lumora
