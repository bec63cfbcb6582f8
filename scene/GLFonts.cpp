#include "scene/GLFonts.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>

#include "scene/GLGuards.h"
#include "scene/GLHeaders.h"

namespace lumora {

namespace {

std::mutex sourceLock;
std::shared_ptr<TGlyphSource> glyphSource;

void CallLine(const std::string& line) {
  glCallLists(static_cast<GLsizei>(line.size()), GL_UNSIGNED_BYTE, line.data());
}

// ---- outline glyph solids ----

struct TTessVertex {
  double p[3];
};

struct TTessState {
  std::deque<TTessVertex> extra;  // vertices the tessellator makes at crossings
  std::vector<const double*> triangles;
  std::vector<bool> edges;
  bool edge = true;
};

void TessVertex(void* v, void* data) {
  auto* s = static_cast<TTessState*>(data);
  s->triangles.push_back(static_cast<const double*>(v));
  s->edges.push_back(s->edge);
}
void TessEdge(GLboolean flag, void* data) { static_cast<TTessState*>(data)->edge = flag; }
void TessBegin(GLenum, void*) {}
void TessEnd(void*) {}
void TessCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* data) {
  auto* s = static_cast<TTessState*>(data);
  s->extra.push_back({{coords[0], coords[1], coords[2]}});
  *out = s->extra.back().p;
}

double SignedArea(const std::vector<T2DVector>& c) {
  double a = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    const T2DVector& p = c[i];
    const T2DVector& q = c[(i + 1) % c.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

// Front at z = 0, back at z = -depth, walls between; every face wound
// counter-clockwise seen from outside so culling keeps the right ones.
void CompileGlyph(GLUtesselator* tess, const TOutlineGlyph& g, double depth) {
  std::vector<std::vector<T2DVector>> contours;
  double total = 0;
  for (const auto& c : g.Contours)
    if (c.size() >= 3) {
      contours.push_back(c);
      total += SignedArea(c);
    }
  // Filled area on the left of every contour.
  if (total < 0)
    for (auto& c : contours) std::reverse(c.begin(), c.end());

  TTessState state;
  std::vector<std::vector<TTessVertex>> input;
  for (const auto& c : contours) {
    input.emplace_back();
    for (const T2DVector& p : c) input.back().push_back({{p.x, p.y, 0}});
  }
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess, 0, 0, 1);
  gluTessBeginPolygon(tess, &state);
  for (auto& c : input) {
    gluTessBeginContour(tess);
    for (auto& v : c) gluTessVertex(tess, v.p, v.p);
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);

  const size_t n = state.triangles.size() / 3 * 3;
  glBegin(GL_TRIANGLES);
  for (int side = 0; side < 2; ++side) {
    const double z = side == 0 ? 0 : -depth;
    glNormal3d(0, 0, side == 0 ? 1 : -1);
    for (size_t t = 0; t < n; t += 3) {
      const double* a = state.triangles[t];
      const double* b = state.triangles[t + 1];
      const double* c = state.triangles[t + 2];
      const bool ccw = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]) >= 0;
      // The front faces +z counter-clockwise, the back -z: opposite turns.
      const size_t order[3] = {0, 1, 2}, reversed[3] = {0, 2, 1};
      const size_t* o = (ccw == (side == 0)) ? order : reversed;
      for (int k = 0; k < 3; ++k) {
        glEdgeFlag(state.edges[t + o[k]] ? GL_TRUE : GL_FALSE);
        const double* v = state.triangles[t + o[k]];
        glVertex3d(v[0], v[1], z);
      }
    }
  }
  glEnd();
  glEdgeFlag(GL_TRUE);
  glBegin(GL_QUADS);
  for (const auto& c : contours)
    for (size_t i = 0; i < c.size(); ++i) {
      const T2DVector& a = c[i];
      const T2DVector& b = c[(i + 1) % c.size()];
      glNormal3d(b.y - a.y, -(b.x - a.x), 0);
      glVertex3d(a.x, a.y, 0);
      glVertex3d(a.x, a.y, -depth);
      glVertex3d(b.x, b.y, -depth);
      glVertex3d(b.x, b.y, 0);
    }
  glEnd();
}

}  // namespace

void SetGlyphSource(std::shared_ptr<TGlyphSource> source) {
  std::lock_guard guard(sourceLock);
  glyphSource = std::move(source);
}

std::shared_ptr<TGlyphSource> GlyphSource() {
  std::lock_guard guard(sourceLock);
  return glyphSource;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&](size_t, std::string_view line) { lines.emplace_back(line); });
  return lines;
}

// ---- TGL3DFont ----

TGL3DFont::~TGL3DFont() {
  if (ListBase) glDeleteLists(ListBase, 256);
}

void TGL3DFont::Assign(const TGL3DFont& other) {
  if (&other == this) return;
  Font = other.Font;
  Extrusion = other.Extrusion;
  Built = false;
}

bool TGL3DFont::BuildFont(const TFontDescription& font) {
  Built = false;
  if (!ListBase) ListBase = glGenLists(256);
  std::vector<TOutlineGlyph> glyphs;
  const auto source = GlyphSource();
  if (ListBase && source && source->Outlines(font, glyphs) && glyphs.size() >= 256) {
    GLUtesselator* tess = gluNewTess();
    if (tess) {
      using Fn = _GLUfuncptr;
      gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Fn>(TessBegin));
      gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Fn>(TessVertex));
      gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Fn>(TessEdge));
      gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<Fn>(TessEnd));
      gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Fn>(TessCombine));
      for (int c = 0; c < 256; ++c) {
        const TOutlineGlyph& g = glyphs[c];
        Metrics[c] = g.Metrics;
        glNewList(ListBase + c, GL_COMPILE);
        CompileGlyph(tess, g, Extrusion);
        glTranslated(g.Metrics[4], g.Metrics[5], 0);
        glEndList();
      }
      gluDeleteTess(tess);
      Built = true;
    }
  }
  if (OnChange) OnChange(*this);
  return Built;
}

// ---- TGL3DString ----

TGL3DString::TGL3DString() {
  Font.OnChange = [](TGL3DFont&) {};
}

TGL3DString::TGL3DString(const TGL3DString& s) : TGL3DString() {
  Font.Assign(s.Font);
  text_ = s.text_;
  Alignment = s.Alignment;
  Size = s.Size;
  lineSpacing_ = s.lineSpacing_;
  LineHeight = s.LineHeight;
  multiLine_ = s.multiLine_;
  SetRenderStyle(s.RenderStyle());
}

void TGL3DString::Assign(const TGLObject& source) {
  if (&source == this) return;
  Clear();
  TGLRenderer::Assign(source);
  auto* s = dynamic_cast<const TGL3DString*>(&source);
  if (!s) return;
  Font.Assign(s->Font);
  SetText(s->text_);
  Alignment = s->Alignment;
  SetLineSpacing(s->lineSpacing_);
  SetMultiLine(s->multiLine_);
  SetRenderStyle(s->RenderStyle());
  SetColor(s->GetColor());
}

void TGL3DString::Clear() {
  TGLRenderer::Clear();
  text_.clear();
}

void TGL3DString::SetColor(uint32_t colour) {
  TGLRenderer::SetColor(colour);
  Font.Font.Color = colour;
}

void TGL3DString::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
}

void TGL3DString::SetMultiLine(bool on) {
  if (on == multiLine_) return;
  multiLine_ = on;
  Changed();
}

void TGL3DString::SetLineSpacing(double spacing) {
  if (spacing == lineSpacing_) return;
  lineSpacing_ = spacing;
  Changed();
}

double TGL3DString::TextWidth(const std::string& text) const {
  double w = 0;
  for (const char c : text) w += Font.Metrics[static_cast<uint8_t>(c)][4];
  return w;
}

void TGL3DString::Layout() {
  if (!Font.Built) Font.BuildFont();
  Measure();
}

void TGL3DString::Measure() {
  MinCorner = T3DVector{};
  LineHeight = Font.Metrics[65][1];
  MaxCorner = T3DVector{0, LineHeight, -Font.Extrusion};
  if (multiLine_) {
    const std::vector<std::string> lines = SplitLines(text_);
    const double n = static_cast<double>(std::max<size_t>(lines.size(), 1));
    double w = 0;
    for (const std::string& l : lines) w = std::max(w, TextWidth(l));
    MaxCorner.x = w;
    MaxCorner.y = n * LineHeight + (n - 1) * lineSpacing_;
  } else {
    MaxCorner.x = TextWidth(text_);
  }
  Size = Subtract(MaxCorner, MinCorner);
  Width = Size.x;
  Height = Size.y;
}

T2DVector TGL3DString::LineOffset(int i, const std::string& t) const {
  const double y = Height / 2 - LineHeight - (LineHeight + lineSpacing_) * i;
  const double w = TextWidth(t);
  const double x = Alignment == 1 ? -w : Alignment == 2 ? -w / 2 : 0;
  return T2DVector{x, y};
}

void TGL3DString::Render() {
  TAttribGuard attribs;
  TGLRenderer::Render();
  if (text_.empty()) return;
  Layout();
  if (!Font.Built) return;
  glPushAttrib(GL_LIST_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
  GLColor(Font.Font.Color, Alpha());
  if (RenderStyle() == 0) glPolygonMode(GL_FRONT, GL_LINE);
  glListBase(Font.ListBase);
  auto draw = [&](int i, const std::string& line) {
    TMatrixGuard guard;
    Measure();
    const T2DVector o = LineOffset(i, line);
    glTranslated(o.x, o.y, 0);
    CallLine(line);
  };
  if (multiLine_) {
    const std::vector<std::string> lines = SplitLines(text_);
    for (size_t i = 0; i < lines.size(); ++i) draw(static_cast<int>(i), lines[i]);
  } else {
    draw(0, text_);
  }
  glPopAttrib();
}

// ---- TGL2DString ----

TGL2DString::TGL2DString() = default;

TGL2DString::~TGL2DString() {
  if (listBase_) glDeleteLists(listBase_, 256);
  if (atlasTexture_) glDeleteTextures(1, &atlasTexture_);
}

int TGL2DString::AddString(const std::string& text, const T3DVector& position, uint8_t mode, uint8_t rank) {
  labels_.push_back(TGLLabel{text, TGLStringInfo{position, mode}, rank});
  places_.Invalidate();
  return StringCount() - 1;
}

void TGL2DString::SetFont(const TFontDescription& font) {
  if (font == font_) return;
  font_ = font;
  FontChanged();
}

void TGL2DString::FontChanged() {
  built_ = false;
  Changed();
}

void TGL2DString::AssignString(const TGLObject& source) {
  TGLRenderer::Assign(source);
  if (auto* s = dynamic_cast<const TGL2DString*>(&source); s && s != this) {
    font_ = s->font_;
    built_ = false;
  }
}

void TGL2DString::BuildFont() {
  if (built_ && builtFont_ && *builtFont_ == font_) return;
  built_ = false;
  if (!listBase_) listBase_ = glGenLists(256);
  std::vector<TBitmapGlyph> glyphs;
  const auto source = GlyphSource();
  if (!listBase_ || !source || !source->Bitmaps(font_, glyphs) || glyphs.size() < 256) return;
  {
    const TTightUnpackGuard unpack;
    for (int c = 0; c < 256; ++c) {
      const TBitmapGlyph& g = glyphs[c];
      const bool ok = g.Width > 0 && g.Height > 0 &&
                      g.Bits.size() >= static_cast<size_t>((g.Width + 7) / 8) * static_cast<size_t>(g.Height);
      glNewList(listBase_ + c, GL_COMPILE);
      glBitmap(ok ? g.Width : 0, ok ? g.Height : 0, g.OriginX, g.OriginY, g.AdvanceX, 0, ok ? g.Bits.data() : nullptr);
      glEndList();
    }
    BuildAtlas(glyphs);
  }
  builtFont_ = std::make_unique<TFontDescription>(font_);
  built_ = true;
  Changed();
}

void TGL2DString::BuildAtlas(const std::vector<TBitmapGlyph>& glyphs) {
  // Shelves of glyphs, 1 texel apart, in a texture 512 wide.
  constexpr int kWidth = 512;
  int x = 0, y = 0, shelf = 0;
  for (int c = 0; c < 256; ++c) {
    const TBitmapGlyph& g = glyphs[c];
    TAtlasGlyph& a = atlas_[c];
    a = TAtlasGlyph{0, 0, 0, 0, g.OriginX, g.OriginY, g.AdvanceX};
    const bool ok = g.Width > 0 && g.Height > 0 && g.Width <= kWidth &&
                    g.Bits.size() >= static_cast<size_t>((g.Width + 7) / 8) * static_cast<size_t>(g.Height);
    if (!ok) continue;
    if (x + g.Width > kWidth) x = 0, y += shelf + 1, shelf = 0;
    a.x = static_cast<float>(x), a.y = static_cast<float>(y), a.Width = g.Width, a.Height = g.Height;
    x += g.Width + 1;
    shelf = std::max(shelf, g.Height);
  }
  for (int c = 0; c < 256; ++c) advances_[c] = atlas_[c].AdvanceX;
  atlasWidth_ = kWidth;
  atlasHeight_ = std::max(1, y + shelf);
  std::vector<uint8_t> texels(static_cast<size_t>(atlasWidth_) * atlasHeight_, 0);
  for (int c = 0; c < 256; ++c) {
    const TBitmapGlyph& g = glyphs[c];
    const TAtlasGlyph& a = atlas_[c];
    const int stride = (a.Width + 7) / 8;
    for (int r = 0; r < a.Height; ++r)
      for (int i = 0; i < a.Width; ++i)
        if (g.Bits[static_cast<size_t>(r) * stride + i / 8] & (0x80 >> (i % 8)))
          texels[(static_cast<size_t>(a.y) + r) * atlasWidth_ + static_cast<size_t>(a.x) + i] = 255;
  }
  if (!atlasTexture_) glGenTextures(1, &atlasTexture_);
  glPushAttrib(GL_TEXTURE_BIT);
  glBindTexture(GL_TEXTURE_2D, atlasTexture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, atlasWidth_, atlasHeight_, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
  glPopAttrib();
}

void TGL2DString::AddLine(std::string_view line, double x, double y, double depth) {
  for (const char ch : line) {
    const TAtlasGlyph& g = atlas_[static_cast<uint8_t>(ch)];
    if (g.Width > 0) {
      // Where glBitmap puts the glyph: its lower-left pixel at the floor of
      // the raster position less the origin.
      // A hair added first so a position that is a whole pixel up to
      // rounding stays on that pixel.
      const float x0 = static_cast<float>(std::floor(x - g.OriginX + 1e-6));
      const float y0 = static_cast<float>(std::floor(y - g.OriginY + 1e-6));
      const float x1 = x0 + g.Width, y1 = y0 + g.Height;
      const float u0 = g.x / atlasWidth_, v0 = g.y / atlasHeight_;
      const float u1 = (g.x + g.Width) / atlasWidth_, v1 = (g.y + g.Height) / atlasHeight_;
      const float z = static_cast<float>(depth);
      const float quad[4][5] = {{x0, y0, z, u0, v0}, {x1, y0, z, u1, v0}, {x1, y1, z, u1, v1}, {x0, y1, z, u0, v1}};
      quads_.insert(quads_.end(), &quad[0][0], &quad[0][0] + 20);
    }
    x += g.AdvanceX;
  }
}

double TGL2DString::LineWidth(std::string_view line) const {
  double w = 0;
  for (const char ch : line) w += atlas_[static_cast<uint8_t>(ch)].AdvanceX;
  return w;
}

void TGL2DString::Render() {
  TAttribGuard attribs;
  TGLRenderer::Render();
  BuildFont();
  glGetDoublev(GL_MODELVIEW_MATRIX, ModelviewMatrix.m);
  glGetDoublev(GL_PROJECTION_MATRIX, ProjectionMatrix.m);
  glGetIntegerv(GL_VIEWPORT, Viewport);
  if (!built_ || labels_.empty()) return;

  const double h = std::abs(static_cast<double>(font_.Height));
  const double vx = Viewport[0], vy = Viewport[1], vw = Viewport[2], vh = Viewport[3];
  quads_.clear();
  DrawnBoxes.clear();
  places_.Prepare(labels_, advances_, HideOverlapping);
  for (uint32_t k : places_.WindowLabels()) {
    const TGLLabel& label = labels_[k];
    const TGLStringInfo& info = label.Info;
    double x = info.Position.x, y = info.Position.y, z = info.Position.z;
    if (info.Mode == 1) {
      double c[4];
      ClipPoint(ModelviewMatrix, ProjectionMatrix, info.Position, c);
      // Behind the eye a projection mirrors the point: no label there.
      if (!(c[3] > 0)) continue;
      x = vx + (c[0] / c[3] + 1) * vw / 2;
      const double wy = vy + (c[1] / c[3] + 1) * vh / 2;
      z = (c[2] / c[3] + 1) / 2;
      y = vh - wy;
    }
    ForEachLine(label.Text, [&](size_t i, std::string_view line) {
      // Window drawing: raster position (x, y + h (i + 1), z) under the
      // 2D projection left vx, right vw, bottom vh, top vy, near -1, far 1.
      const double nx = 2 * (x - vx) / (vw - vx) - 1;
      const double ny = 2 * (y + h * static_cast<double>(i + 1) - vh) / (vy - vh) - 1;
      if (std::abs(nx) > 1 || std::abs(ny) > 1 || std::abs(z) > 1) return;
      AddLine(line, vx + (x - vx) * (vw / (vw - vx)), vy + (y + h * static_cast<double>(i + 1) - vh) * (vh / (vy - vh)),
              (1 - z) / 2);
    });
  }
  auto place = [&](const TLabelSpot& s, const TLabelLine& from) {
    DrawnBoxes.push_back({s.X, s.Y - h / 4, s.X + s.Width, s.Y + h});
    const std::string& text = labels_[from.Label].Text;
    ForEachLine(text, [&](size_t i, std::string_view line) {
      if (i == from.Line) AddLine(line, s.X, s.Y, s.Depth);
    });
  };
  // Thinned, every rank's labels come after those of the ranks before:
  // each rank is placed in turn, and a label that overlaps one kept
  // already is left out as it is placed.
  const TLabelView view{ModelviewMatrix, ProjectionMatrix, vx, vy, vw, vh, h};
  if (HideOverlapping) thinning_.Start(h, {vx, vy - h, vx + vw, vy + vh + h});
  for (size_t g = 0; g < places_.Groups(); ++g) {
    places_.Place(g, labels_, view, HideOverlapping ? &thinning_ : nullptr, spots_, spotLines_);
    if (HideOverlapping)
      for (uint32_t i : thinning_.Batch(spots_)) place(spots_[i], spotLines_[i]);
    else
      for (size_t i = 0; i < spots_.size(); ++i) place(spots_[i], spotLines_[i]);
  }
  if (quads_.empty()) return;

  // Quads in window coordinates, depth as given.
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(vx, vx + vw, vy, vy + vh, 0, -1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_CUBE_MAP);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, atlasTexture_);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  GLColor(font_.Color, 1.0f);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glVertexPointer(3, GL_FLOAT, 5 * sizeof(float), quads_.data());
  glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(float), quads_.data() + 3);
  glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads_.size() / 5));
  glPopClientAttrib();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// ---- lists ----

namespace {

template <class Item>
int AddDefaultString(TGLObjectList& list) {
  auto item = std::make_unique<Item>();
  Item* raw = item.get();
  raw->SetName("String3D-" + std::to_string(list.Count() + 1));
  const int i = list.Add(std::move(item));
  raw->ResetOrientation();
  raw->Emission = TGLColor{0, 0, 0, 0};
  raw->Specular = TGLColor{0.5f, 0.5f, 0.5f, 1.0f};
  raw->Shininess = 10.0f;
  return i;
}

}  // namespace

int TGLStringList3D::AddString() { return AddDefaultString<TGL3DString>(*this); }
TGLObject* TGLStringList3D::AddNew() { return Items(AddString()); }

int TGLStringList3D::AddCopy(const TGL3DString& source) {
  auto item = std::make_unique<TGL3DString>(source);
  TGL3DString* raw = item.get();
  const int i = Add(std::move(item));
  raw->Assign(source);
  return i;
}

void TGLStringList3D::Assign(const TGLObjectList& source) {
  if (&source == this) return;
  auto* s = dynamic_cast<const TGLStringList3D*>(&source);
  if (!s) {
    TGLObjectList::Assign(source);
    return;
  }
  Clear();
  for (int i = 0; i < s->Count(); ++i) {
    auto* item = static_cast<const TGL3DString*>(s->Items(i));
    Items(AddCopy(*item))->Assign(*item);
  }
}

int TGLStringList2D::AddString() { return AddDefaultString<TGL2DString>(*this); }
TGLObject* TGLStringList2D::AddNew() { return Items(AddString()); }

int TGLStringList2D::AddCopy(const TGL2DString& source) {
  auto item = std::make_unique<TGL2DString>();
  TGL2DString* raw = item.get();
  const int i = Add(std::move(item));
  raw->AssignString(source);
  return i;
}

void TGLStringList2D::Assign(const TGLObjectList& source) {
  if (&source == this) return;
  auto* s = dynamic_cast<const TGLStringList2D*>(&source);
  if (!s) {
    TGLObjectList::Assign(source);
    return;
  }
  Clear();
  for (int i = 0; i < s->Count(); ++i) AddCopy(*static_cast<const TGL2DString*>(s->Items(i)));
}

}  // namespace lumora
