// Header, progress, numbers and the binary-to-text converter.

#include "meshfiles/format/XFileFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "geometry/NumberText.h"

namespace lumora {

const char* XFormatName(uint8_t format) {
  static const char* const names[] = {"Text", "Binary", "Compressed", "BZip", "BTip", "Unknown"};
  return names[format < 5 ? format : 5];
}

bool ReadXHeader(std::string_view data, TXFileInfo& info) {
  if (data.size() < 16 || data.substr(0, 4) != "xof ") return false;
  std::memcpy(info.Version, data.data() + 4, 4);
  info.Version[4] = 0;
  const std::string_view format = data.substr(8, 4);
  if (format == "txt ")
    info.Format = 0;
  else if (format == "bin ")
    info.Format = 1;
  else if (format == "com ")
    info.Format = 2;
  else if (format == "bzip")
    info.Format = 3;
  else if (format == "tzip")
    info.Format = 4;
  else
    info.Format = 5;
  const std::string_view size = data.substr(12, 4);
  if (size == "0032")
    info.DoublePrecision = false;
  else if (size == "0064")
    info.DoublePrecision = true;
  return true;
}

bool TStreamProgress::Check(size_t position, size_t size) {
  if (Callback && ++Calls % 100 == 0 && size > 0)
    Callback(static_cast<int>(std::nearbyint(Offset + Scale * static_cast<double>(position) / size)));
  return position < size;
}

void AppendReal(std::string& out, double v) {
  if (!std::isfinite(v))
    throw EXFileError(std::string("'") +
                      (std::isnan(v) ? "nan"
                       : v > 0       ? "inf"
                                     : "-inf") +
                      "' is not a finite floating point value");
  char buf[kFixedTextMax];
  out.append(buf, WriteFixed(buf, v, 6));
}

std::string FormatReal(double v) {
  std::string s;
  AppendReal(s, v);
  return s;
}

namespace {

enum BinCode : uint16_t {
  kName = 1,
  kString = 2,
  kGuid = 5,
  kIntList = 6,
  kFloatList = 7,
  kOBrace = 10,
  kCBrace = 11,
  kOParen = 12,
  kCParen,
  kOBracket,
  kCBracket,
  kOAngle,
  kCAngle,
  kDot,
  kComma,
  kSemicolon,
  kTemplateTok = 31,
  kWordTok = 40,
  kSdwordTok = 47
};

// Template names match without regard to case, as in the text reader.
bool Is(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

struct TToken {
  uint16_t code = 0;
  std::string text;
  uint8_t guid[16] = {};
  std::vector<uint32_t> ints;
  std::vector<double> reals;
};

class TBinaryConverter {
 public:
  TBinaryConverter(std::string_view data, const TStreamProgress& progress) : d_(data), progress_(progress) {}
  std::string Run();

 private:
  bool AtEnd() const { return p_ + 2 > d_.size(); }
  void Need(size_t n) const {
    if (d_.size() - p_ < n) throw EXFileError("Unexpected End of File");
  }
  uint16_t U16() {
    Need(2);
    uint16_t v = static_cast<uint8_t>(d_[p_]) | (static_cast<uint16_t>(static_cast<uint8_t>(d_[p_ + 1])) << 8);
    p_ += 2;
    return v;
  }
  uint32_t U32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(d_[p_ + i]);
    p_ += 4;
    return v;
  }
  double Real() {
    if (double_) {
      Need(8);
      uint64_t bits = 0;
      for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(d_[p_ + i]);
      p_ += 8;
      double v;
      std::memcpy(&v, &bits, 8);
      return v;
    }
    const uint32_t bits = U32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  // Reads one token with its data.
  TToken Next();
  uint16_t PeekCode() const {
    if (AtEnd()) return 0;
    return static_cast<uint8_t>(d_[p_]) | (static_cast<uint16_t>(static_cast<uint8_t>(d_[p_ + 1])) << 8);
  }
  void Line(const std::string& text) {
    out_.append(static_cast<size_t>(depth_ > 0 ? depth_ : 0), ' ');
    out_ += text;
    out_ += "\r\n";
  }
  void Open() {
    if (Next().code != kOBrace) throw EXFileError("Missing Open Brace");
    ++depth_;
  }
  void Close() {
    if (Next().code != kCBrace) throw EXFileError("Syntax Error: } missing");
    --depth_;
    Line("}");
  }
  std::string ObjectName() {
    if (PeekCode() == kName) return Next().text;
    return {};
  }
  static std::string Header(const std::string& type, const std::string& name) { return type + " " + name + " {"; }

  void Object(const std::string& type);
  void Template();
  void HeaderObject(const std::string& name);
  void Frame(const std::string& name);
  void Matrix(const std::string& name);
  void Mesh(const std::string& name);
  void VertexBlock();
  void Normals(const std::string& name);
  void TextureCoords(const std::string& name);
  void MaterialList(const std::string& name);
  void Material(const std::string& name);
  void VertexColors(const std::string& name);
  void TextureFilename(const std::string& name);
  void Skip(const std::string& type, const std::string& name);
  void IntLines(const std::vector<uint32_t>& v) {
    for (uint32_t x : v) Line(std::to_string(static_cast<int32_t>(x)) + ";");
  }

  std::string_view d_;
  size_t p_ = 16;
  TStreamProgress progress_;
  bool double_ = false;
  int depth_ = 0;
  int frames_ = 0;  // frames open around the position
  std::string out_;
};

// Far beyond any real file, and short of what the recursion of nested
// frames (and their indented text) could take.
constexpr int kMaxFrameNesting = 1000;

TToken TBinaryConverter::Next() {
  progress_.Check(p_, d_.size());
  TToken t;
  t.code = U16();
  switch (t.code) {
    case kName:
    case kString: {
      const uint32_t n = U32();
      Need(n);
      t.text.assign(d_.substr(p_, n));
      p_ += n;
      break;
    }
    case kGuid:
      Need(16);
      std::memcpy(t.guid, d_.data() + p_, 16);
      p_ += 16;
      break;
    case kIntList: {
      const uint32_t n = U32();
      Need(static_cast<size_t>(n) * 4);
      t.ints.reserve(n);
      for (uint32_t i = 0; i < n; ++i) t.ints.push_back(U32());
      break;
    }
    case kFloatList: {
      const uint32_t n = U32();
      Need(static_cast<size_t>(n) * (double_ ? 8 : 4));
      t.reals.reserve(n);
      for (uint32_t i = 0; i < n; ++i) t.reals.push_back(Real());
      break;
    }
    default:
      break;
  }
  return t;
}

std::string TBinaryConverter::Run() {
  TXFileInfo info;
  if (!ReadXHeader(d_, info) || info.Format != 1) throw EXFileError("Only Binary Files Support");
  double_ = info.DoublePrecision;
  out_.reserve(d_.size() * 3);
  Line("xof 0302txt 0064");
  while (!AtEnd()) {
    TToken t = Next();
    if (t.code == kName)
      Object(t.text);
    else if (t.code == kTemplateTok)
      Template();
    else
      throw EXFileError("Syntax Error: Object name missing");
  }
  return std::move(out_);
}

void TBinaryConverter::Object(const std::string& type) {
  const std::string name = ObjectName();
  auto is = [&](const char* s) { return Is(type, s); };
  if (is("Header"))
    HeaderObject(name);
  else if (is("Frame"))
    Frame(name);
  else if (is("FrameTransformMatrix"))
    Matrix(name);
  else if (is("Mesh"))
    Mesh(name);
  else if (is("Material"))
    Material(name);
  else
    Skip(type, name);
}

void TBinaryConverter::Template() {
  TToken name = Next();
  if (name.code != kName) throw EXFileError("Syntax Error: Name Missing");
  Line("template " + name.text + " {");
  Open();
  TToken guid = Next();
  if (guid.code != kGuid) throw EXFileError("Syntax Error: GUID Missing");
  const uint8_t* g = guid.guid;
  const uint32_t d1 = g[0] | (g[1] << 8) | (g[2] << 16) | (static_cast<uint32_t>(g[3]) << 24);
  const unsigned d2 = g[4] | (g[5] << 8), d3 = g[6] | (g[7] << 8);
  char buf[64];
  std::snprintf(buf, sizeof buf, "<%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X>", d1, d2, d3, g[8], g[9], g[10],
                g[11], g[12], g[13], g[14], g[15]);
  Line(buf);
  static const char* const punct[] = {"(", ")", "[", "]", "<", ">", ".", ",", ";"};
  static const char* const types[] = {"WORD", "DWORD", "FLOAT", "DOUBLE", "CHAR", "UCHAR", "SWORD", "SDWORD"};
  std::string line;
  auto add = [&](const std::string& word) {
    if (!line.empty() && line.back() != '(' && line.back() != '<' && line.back() != '[') line += ' ';
    line += word;
  };
  for (;;) {
    TToken t = Next();
    if (t.code == kCBrace) break;
    switch (t.code) {
      case kName:
        add(t.text);
        break;
      case kString:
        add("\"" + t.text + "\"");
        break;
      case kIntList:
        for (uint32_t v : t.ints) add(std::to_string(v));
        break;
      case kFloatList:
        for (double v : t.reals) add(FormatReal(v));
        break;
      case kGuid:
        break;
      case kSemicolon:
        line += ';';
        Line(line);
        line.clear();
        break;
      case kCBracket:
        line += ']';
        if (line.front() == '[') {
          Line(line);
          line.clear();
        }
        break;
      default:
        if (t.code >= kOParen && t.code <= kSemicolon)
          add(punct[t.code - kOParen]);
        else if (t.code >= kWordTok && t.code <= kSdwordTok)
          add(types[t.code - kWordTok]);
    }
  }
  if (!line.empty()) Line(line);
  --depth_;
  Line("}");
  Line("");
}

void TBinaryConverter::HeaderObject(const std::string& name) {
  Line(Header("Header", name));
  Open();
  TToken t = Next();
  if (t.code != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  IntLines(t.ints);
  Close();
}

void TBinaryConverter::Frame(const std::string& name) {
  if (++frames_ > kMaxFrameNesting)
    throw EXFileError("Frames nested deeper than " + std::to_string(kMaxFrameNesting) + " at offset " +
                      std::to_string(p_));
  Line(Header("Frame", name));
  Open();
  for (;;) {
    TToken t = Next();
    if (t.code == kCBrace) break;
    if (t.code != kName) throw EXFileError("Syntax Error: Name or \"}\" expected");
    const std::string child = ObjectName();
    auto is = [&](const char* s) { return Is(t.text, s); };
    if (is("FrameTransformMatrix"))
      Matrix(child);
    else if (is("Frame"))
      Frame(child);
    else if (is("Mesh"))
      Mesh(child);
    else
      Skip(t.text, child);
  }
  --depth_;
  --frames_;
  Line("}");
}

void TBinaryConverter::Matrix(const std::string& name) {
  Open();
  Line("");
  Line(Header("FrameTransformMatrix", name));
  std::string line;
  size_t count = 0;
  while (count < 16) {
    TToken t = Next();
    if (t.code != kFloatList) throw EXFileError("Syntax Error: Real List missing");
    for (double v : t.reals) {
      AppendReal(line, v);
      line += ',';
    }
    count += t.reals.size();
  }
  line += ';';
  Line(line);
  Close();
}

void TBinaryConverter::VertexBlock() {
  TToken n = Next();
  if (n.code != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  if (n.ints.size() != 1) throw EXFileError("Syntax Error: Expected Single Integer");
  const uint32_t count = n.ints[0];
  TToken v = Next();
  if (v.code != kFloatList) throw EXFileError("Syntax Error: Integer List missing");
  if (v.reals.size() / 3 < count) throw EXFileError("Syntax Error: Real List too short");
  TToken f = Next();
  if (f.code != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  Line(std::to_string(count) + ";");
  std::string line;
  for (uint32_t i = 0; i < count; ++i) {
    line.clear();
    for (int k = 0; k < 3; ++k) {
      AppendReal(line, v.reals[3 * static_cast<size_t>(i) + k]);
      line += ';';
    }
    line += i + 1 < count ? ',' : ';';
    Line(line);
  }
  if (f.ints.empty()) throw EXFileError("Syntax Error: Face List too short");
  const uint32_t faces = f.ints[0];
  Line(std::to_string(faces) + ";");
  size_t q = 1;
  for (uint32_t i = 0; i < faces; ++i) {
    if (q >= f.ints.size()) throw EXFileError("Syntax Error: Face List too short");
    const uint32_t k = f.ints[q++];
    if (f.ints.size() - q < k) throw EXFileError("Syntax Error: Face List too short");
    line = std::to_string(k) + ";";
    for (uint32_t j = 0; j < k; ++j) {
      if (j) line += ',';
      line += std::to_string(f.ints[q++]);
    }
    line += ';';
    line += i + 1 < faces ? ',' : ';';
    Line(line);
  }
}

void TBinaryConverter::Mesh(const std::string& name) {
  Line(Header("Mesh", name));
  Open();
  VertexBlock();
  for (;;) {
    TToken t = Next();
    if (t.code == kCBrace) break;
    if (t.code != kName) throw EXFileError("Syntax Error: Name or \"}\" expected");
    const std::string child = ObjectName();
    if (Is(t.text, "MeshNormals"))
      Normals(child);
    else if (Is(t.text, "MeshTextureCoords"))
      TextureCoords(child);
    else if (Is(t.text, "MeshMaterialList"))
      MaterialList(child);
    else if (Is(t.text, "MeshVertexColors"))
      VertexColors(child);
    else
      Skip(t.text, child);
  }
  --depth_;
  Line("}");
}

void TBinaryConverter::Normals(const std::string& name) {
  Line("");
  Line(Header("MeshNormals", name));
  Open();
  VertexBlock();
  Close();
}

void TBinaryConverter::TextureCoords(const std::string& name) {
  Open();
  Line("");
  Line(Header("MeshTextureCoords", name));
  TToken n = Next();
  if (n.code != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  if (n.ints.size() != 1) throw EXFileError("Syntax Error: Expected Single Integer");
  const uint32_t count = n.ints[0];
  Line(std::to_string(count) + ";");
  TToken v = Next();
  if (v.code != kFloatList) throw EXFileError("Syntax Error: Real List missing");
  if (v.reals.size() / 2 < count) throw EXFileError("Syntax Error: Real List too short");
  std::string line;
  for (uint32_t i = 0; i < count; ++i) {
    line.clear();
    for (int k = 0; k < 2; ++k) {
      AppendReal(line, v.reals[2 * static_cast<size_t>(i) + k]);
      line += ';';
    }
    line += i + 1 < count ? ',' : ';';
    Line(line);
  }
  Close();
}

void TBinaryConverter::MaterialList(const std::string& name) {
  Line("");
  Line(Header("MeshMaterialList", name));
  Open();
  TToken n = Next();
  if (n.code != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  IntLines(n.ints);
  for (;;) {
    TToken t = Next();
    if (t.code == kCBrace) break;
    if (t.code == kName) {
      const std::string child = ObjectName();
      if (Is(t.text, "Material"))
        Material(child);
      else
        Skip(t.text, child);
    } else if (t.code == kOBrace) {
      Line("{");
      ++depth_;
      TToken s = Next();
      if (s.code != kName && s.code != kString) throw EXFileError("Syntax Error: String missing");
      Line(s.text);
      Close();
    } else {
      throw EXFileError("Syntax Error: Name or \"}\" expected");
    }
  }
  --depth_;
  Line("}");
}

void TBinaryConverter::Material(const std::string& name) {
  Open();
  Line("");
  Line(Header("Material", name));
  TToken r = Next();
  if (r.code != kFloatList) throw EXFileError("Syntax Error: Real List missing");
  if (r.reals.size() != 11) throw EXFileError("Error: Insufficient Reals in material");
  std::string line;
  auto reals = [&](int from, int to, const char* tail) {
    line.clear();
    for (int i = from; i <= to; ++i) {
      AppendReal(line, r.reals[i]);
      line += ';';
    }
    line += tail;
    Line(line);
  };
  reals(0, 3, ";");
  reals(4, 4, "");
  reals(5, 7, ";");
  reals(8, 10, ";");
  for (;;) {
    TToken t = Next();
    if (t.code == kCBrace) break;
    if (t.code != kName) throw EXFileError("Syntax Error: Name or \"}\" expected");
    const std::string child = ObjectName();
    if (Is(t.text, "TextureFilename"))
      TextureFilename(child);
    else
      Skip(t.text, child);
  }
  --depth_;
  Line("}");
}

void TBinaryConverter::VertexColors(const std::string& name) {
  Open();
  Line("");
  Line(Header("MeshVertexColors", name));
  // The entries run through the integer lists as a stream: the first list
  // starts with the entry count, each later entry starts a new list.
  if (U16() != kIntList) throw EXFileError("Syntax Error: Integer List missing");
  U32();
  const uint32_t count = U32();
  Line(std::to_string(count) + ";");
  std::string line;
  for (uint32_t j = 0; j < count; ++j) {
    if (j > 0) {
      if (U16() != kIntList) throw EXFileError("Syntax Error: Integer List missing");
      U32();
    }
    const uint32_t index = U32();
    TToken c = Next();
    if (c.code != kFloatList || c.reals.size() < 4) throw EXFileError("Syntax Error: Real List missing");
    line = std::to_string(index) + "; ";
    for (int k = 0; k < 4; ++k) {
      AppendReal(line, c.reals[k]);
      line += ';';
    }
    line += j + 1 < count ? ',' : ';';
    Line(line);
  }
  Close();
}

void TBinaryConverter::TextureFilename(const std::string& name) {
  Open();
  Line(Header("TextureFilename", name));
  TToken s = Next();
  if (s.code != kString) throw EXFileError("Syntax Error: String missing");
  Line("\"" + s.text + "\";");
  if (Next().code != kSemicolon) throw EXFileError("Syntax Error: Semicolon missing");
  Close();
}

void TBinaryConverter::Skip(const std::string& type, const std::string& name) {
  while (!AtEnd() && PeekCode() != kOBrace) p_ += 2;
  if (AtEnd()) return;
  p_ += 2;
  Line("//Skipping: " + type + " " + name);
  int depth = 1;
  while (depth > 0) {
    TToken t = Next();
    if (t.code == kOBrace)
      ++depth;
    else if (t.code == kCBrace)
      --depth;
  }
}

}  // namespace

std::string BinaryXToText(std::string_view data, const TStreamProgress& progress) {
  return TBinaryConverter(data, progress).Run();
}

}  // namespace lumora
