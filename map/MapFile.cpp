#include "map/MapFile.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "geometry/NumberText.h"
#include "map/MapDraw.h"
#include "platform/AtomicFile.h"

namespace lumora {

namespace {

// Tenths of a millimetre are 254 to the inch: the unit of both files.
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

// A path of whole-number moves and lines, "M1,2 L3,4 L5,6 M7,8 L9,9",
// as relative steps "M1,2l2,2 2,2m2,2l2,1": half the bytes. Nothing for
// any other path.
std::optional<std::string> RelativePath(std::string_view d) {
  std::string out;
  out.reserve(d.size() / 2);
  long x = 0, y = 0;
  char last = 0;
  bool first = true;
  size_t i = 0;
  auto number = [&](long& v) {
    size_t j = i;
    if (j < d.size() && d[j] == '-') ++j;
    const size_t digits = j;
    while (j < d.size() && d[j] >= '0' && d[j] <= '9') ++j;
    if (j == digits) return false;
    v = std::strtol(std::string(d.substr(i, j - i)).c_str(), nullptr, 10);
    i = j;
    return true;
  };
  while (i < d.size()) {
    if (d[i] == ' ') {
      ++i;
      continue;
    }
    const char command = d[i++];
    if (command != 'M' && command != 'L') return std::nullopt;
    long px = 0, py = 0;
    if (!number(px) || i >= d.size() || d[i++] != ',' || !number(py)) return std::nullopt;
    if (i < d.size() && d[i] != ' ') return std::nullopt;
    const char step = first ? 'M' : command == 'M' ? 'm' : 'l';
    const long dx = first ? px : px - x, dy = first ? py : py - y;
    if (step != last) {
      out += step;
    } else {
      out += ' ';
    }
    out += std::to_string(dx);
    if (dy >= 0) out += ',';
    out += std::to_string(dy);
    // After a move, further pairs would be lines: a second move is spelt out.
    last = step == 'm' || step == 'M' ? 0 : step;
    x = px, y = py, first = false;
  }
  return out;
}

// Shortens the paths of a layer's drawing, and draws a path met before
// (the walls' edges, then their fill) by a reference to the first.
std::string CompactLayer(const std::string& body, const std::string& layer) {
  std::string out;
  out.reserve(body.size() / 2);
  std::unordered_map<std::string, std::string> seen;
  size_t at = 0;
  for (;;) {
    const size_t start = body.find("<path ", at);
    const size_t end = start == std::string::npos ? start : body.find("/>", start);
    if (end == std::string::npos) break;
    const size_t dStart = body.find(" d=\"", start);
    const size_t dEnd = dStart < end ? body.find('"', dStart + 4) : std::string::npos;
    out.append(body, at, start - at);
    at = end + 2;
    if (dEnd == std::string::npos || dEnd > end) {
      out.append(body, start, end + 2 - start);
      continue;
    }
    std::string d = body.substr(dStart + 4, dEnd - dStart - 4);
    if (auto relative = RelativePath(d)) d = std::move(*relative);
    const auto [it, added] = seen.try_emplace(d, layer + "-" + std::to_string(seen.size() + 1));
    if (!added) {
      out += "<use xlink:href=\"#" + it->second + "\"/>";
      continue;
    }
    out += "<path id=\"" + it->second + "\"";
    out.append(body, start + 5, dStart - start - 5);
    out += " d=\"" + d + "\"";
    out.append(body, dEnd + 1, end + 2 - dEnd - 1);
  }
  out.append(body, at, std::string::npos);
  return out;
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
         "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
         "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
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
           CompactLayer(Body(buffer->data()), layer) + "</g>\n";
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
    // Tenths of a millimetre as the device unit: whole numbers in the page, fewer bytes to compress.
    pdf.setResolution(kSvgDpi);
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
