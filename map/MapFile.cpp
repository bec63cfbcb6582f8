#include "map/MapFile.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "geometry/NumberText.h"
#include "map/MapDraw.h"
#include "platform/AtomicFile.h"

namespace lumora {

namespace {

// Tenths of a millimetre are 254 to the inch.
constexpr int kSvgDpi = 254;

std::string Escaped(const std::string& s) {
  std::string out;
  for (char ch : s) {
    if (ch == '&')
      out += "&amp;";
    else if (ch == '<')
      out += "&lt;";
    else if (ch == '>')
      out += "&gt;";
    else if (ch == '"')
      out += "&quot;";
    else
      out += ch;
  }
  return out;
}

// What a generator wrote between its opening group and the end: the
// drawing without the document round it.
std::string Body(const QByteArray& svg) {
  const std::string s = svg.toStdString();
  const size_t defs = s.find("</defs>");
  const size_t start = defs == std::string::npos ? std::string::npos : s.find('\n', defs);
  const size_t end = s.rfind("</svg>");
  if (start == std::string::npos || end == std::string::npos || end < start)
    throw std::runtime_error("the SVG generator wrote an unexpected document");
  return s.substr(start + 1, end - start - 1);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

// QSvgGenerator names no groups, so each layer is drawn by a generator of
// its own and the layers are put together, each in its named group.
std::string MapSvg(const TMapContent& map, const std::string& title) {
  const int w = static_cast<int>(std::lround(map.Page.Width * kMapUnitsPerMm));
  const int h = static_cast<int>(std::lround(map.Page.Height * kMapUnitsPerMm));
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
  out += "<svg width=\"" + FixedText(w / kMapUnitsPerMm, 1) + "mm\" height=\"" + FixedText(h / kMapUnitsPerMm, 1) +
         "mm\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) +
         "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
         "version=\"1.1\">\n<title>" +
         Escaped(title) + "</title>\n";
  QPainter painter;
  std::unique_ptr<QBuffer> buffer;
  std::unique_ptr<QSvgGenerator> generator;
  std::string layer;
  auto flush = [&] {
    if (!generator) return;
    painter.end();
    out += "<g id=\"" + layer + "\" inkscape:groupmode=\"layer\" inkscape:label=\"" + layer + "\">\n" +
           Body(buffer->data()) + "</g>\n";
    generator.reset();
  };
  DrawMap(painter, map, [&](QPainter& p, const char* name) {
    flush();
    layer = name;
    buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::WriteOnly);
    generator = std::make_unique<QSvgGenerator>();
    generator->setOutputDevice(buffer.get());
    generator->setSize(QSize(w, h));
    generator->setViewBox(QRect(0, 0, w, h));
    generator->setResolution(kSvgDpi);
    if (!p.begin(generator.get())) throw std::runtime_error("the SVG generator could not start");
  });
  flush();
  out += "</svg>\n";
  return out;
}

std::string MapPdf(const TMapContent& map, const std::string& title) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setTitle(QString::fromStdString(title));
    pdf.setCreator(QStringLiteral("Lumora"));
    pdf.setResolution(1200);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(
        QPageSize(QSizeF(map.Page.Width, map.Page.Height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    QPainter painter;
    if (!painter.begin(&pdf)) throw std::runtime_error("the PDF writer could not start");
    painter.setTransform(MapToDevice(pdf.resolution()));
    DrawMap(painter, map);
    painter.end();
  }
  return buffer.data().toStdString();
}

bool WriteMapFile(const std::string& path, const TMapContent& map, const std::string& title) {
  const std::string suffix = Lower(std::filesystem::path(path).extension().string());
  if (suffix != ".svg" && suffix != ".pdf") return false;
  const std::string bytes = suffix == ".svg" ? MapSvg(map, title) : MapPdf(map, title);
  WriteFileAtomically(path, bytes);
  return true;
}

}  // namespace lumora
