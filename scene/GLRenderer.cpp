#include "scene/GLRenderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene/GLFastMesh.h"
#include "scene/GLGuards.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLPoints.h"
#include "scene/GLTexture.h"

namespace lumora {

namespace {

// a * b in matrix terms: b acts first.
TMatrix4 Mul(const TMatrix4& a, const TMatrix4& b) { return MatrixMultiply(b, a); }

TMatrix4 TranslationMatrix(const T3DVector& t) {
  TMatrix4 m = IdentityMatrix();
  m[12] = t.x, m[13] = t.y, m[14] = t.z;
  return m;
}

TMatrix4 ScaleMatrix(const T3DVector& s) {
  TMatrix4 m = IdentityMatrix();
  m[0] = s.x, m[5] = s.y, m[10] = s.z;
  return m;
}

TMatrix4 RotationMatrix(const TQuaternion& q) {
  TMatrix4 m = IdentityMatrix();
  const T3DVector axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int c = 0; c < 3; ++c) {
    const T3DVector v = RotateVector(q, axes[c]);
    m[4 * c] = v.x, m[4 * c + 1] = v.y, m[4 * c + 2] = v.z;
  }
  return m;
}

// Into [0, 360]; 360 itself stays. Non-finite angles are left alone so the
// loops end.
double WrapAngle(double a) {
  if (!std::isfinite(a)) return a;
  a = std::fmod(a, 360.0);
  if (a < 0) a += 360;
  return a;
}

double WrapAngleKeep360(double a) {
  if (a == 360) return a;
  return WrapAngle(a);
}

void ReadModelview(TMatrix4& m) { glGetDoublev(GL_MODELVIEW_MATRIX, m.m); }

void DestroyObject(TGLObject* o) { std::unique_ptr<TGLObject> owned(o); }

}  // namespace

// ---- THuge3DVectorEx ----

int THuge3DVectorEx::AddObject(const T3DVector& v, void* object) {
  const T3DVector copy = v;
  const int i = THuge3DVector::AddObject(copy, object);
  if (OnVectorChange) OnVectorChange(copy, i);
  if (OnVectorAdd) OnVectorAdd(copy, i);
  return i;
}

void THuge3DVectorEx::Put(int i, const T3DVector& v) {
  THuge3DVector::Put(i, v);
  if (OnVectorChange) OnVectorChange(v, i);
}

void THuge3DVectorEx::Insert(const T3DVector& v, int i) {
  const T3DVector copy = v;
  const int before = Count();
  THuge3DVector::Insert(copy, i);
  if (Count() != before && OnVectorChange) OnVectorChange(copy, i);
}

void THuge3DVectorEx::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  const T3DVector old = (*this)[i];
  THuge3DVector::Delete(i);
  if (OnVectorChange) OnVectorChange(old, i);
  if (OnVectorDelete) OnVectorDelete(old, i);
}

int THuge3DVectorEx::AddTriangle(const TTriangle3& t) {
  for (const T3DVector& p : t.p) Add(p);
  return TriangleCount() - 1;
}

void THuge3DVectorEx::SetTriangle(int i, const TTriangle3& t) {
  for (int k = 0; k < 3; ++k) Put(3 * i + k, t.p[k]);
}

TTriangle3 THuge3DVectorEx::GetTriangle(int i) const {
  if (i < 0 || 3 * i + 2 >= Count()) throw EHugeArray("Triangle index out of range: " + std::to_string(i));
  return TTriangle3{{(*this)[3 * i], (*this)[3 * i + 1], (*this)[3 * i + 2]}};
}

void THuge3DVectorEx::DeleteTriangle(int i) {
  if (i < 0 || 3 * i + 2 >= Count()) return;
  const T3DVector first = (*this)[3 * i];
  for (int k = 0; k < 3; ++k) Delete(3 * i);
  if (OnTriangleDelete) OnTriangleDelete(first, i);
}

int THuge3DVectorEx::AddSegment(const T3DVector& a, const T3DVector& b) {
  Add(a);
  Add(b);
  return SegmentCount() - 1;
}

void THuge3DVectorEx::GetSegment(int i, T3DVector& a, T3DVector& b) const {
  if (i < 0 || 2 * i + 1 >= Count()) throw EHugeArray("Segment index out of range: " + std::to_string(i));
  a = (*this)[2 * i];
  b = (*this)[2 * i + 1];
}

// ---- TGLObject ----

TGLObject::TGLObject() = default;
TGLObject::~TGLObject() = default;

void TGLObject::Changed() {
  if (OnChange) OnChange(*this);
  if (Owner) Owner->Changed();
}

void TGLObject::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TGLObject::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  Changed();
}

void TGLObject::SetScaleFactor(double k) {
  if (k == Scale.x) return;
  Scale = T3DVector{k, k, k};
}

void TGLObject::Assign(const TGLObject& s) {
  if (&s == this) return;
  Orientation = s.Orientation;
  Position = s.Position;
  HomePosition = s.HomePosition;
  RotationCentre = s.RotationCentre;
  LateralDrag = s.LateralDrag;
  ObjectMatrix = s.ObjectMatrix;
  ParentMatrix = s.ParentMatrix;
  PitchIncrement = s.PitchIncrement;
  YawIncrement = s.YawIncrement;
  RollIncrement = s.RollIncrement;
  SetScaleFactor(s.Scale.x);
  Scale = s.Scale;
  SetSelected(s.Selected());
  Visible = s.Visible;
  SetName(s.Name());
  SetMin(s.GetMin());
  SetMax(s.GetMax());
}

bool TGLObject::Combine(const TGLObject& other) {
  BoundsMin = MinVector(GetMin(), other.GetMin());
  BoundsMax = MaxVector(GetMax(), other.GetMax());
  return true;
}

TMatrix4 TGLObject::LocalMatrix() const {
  const TAxisAngle aa = ToAxisAngle(Orientation);
  TMatrix4 m = TranslationMatrix(Position);
  m = Mul(m, TranslationMatrix(RotationCentre));
  m = Mul(m, RotationMatrix(FromAxisAngle(aa.axis, aa.angle)));
  m = Mul(m, TranslationMatrix(lumora::Scale(RotationCentre, -1)));
  return Mul(m, ScaleMatrix(Scale));
}

void TGLObject::RefreshMatrices() { ObjectMatrix = Mul(ParentMatrix, LocalMatrix()); }

void TGLObject::ApplyTransform() {
  ReadModelview(ParentMatrix);
  glTranslated(Position.x, Position.y, Position.z);
  glTranslated(RotationCentre.x, RotationCentre.y, RotationCentre.z);
  const TAxisAngle aa = ToAxisAngle(Orientation);
  glRotated(aa.angle * 180.0 / std::numbers::pi, aa.axis.x, aa.axis.y, aa.axis.z);
  glTranslated(-RotationCentre.x, -RotationCentre.y, -RotationCentre.z);
  glScaled(Scale.x, Scale.y, Scale.z);
  ReadModelview(ObjectMatrix);
}

void TGLObject::ResetOrientation() {
  Orientation = IdentityQuaternion();
  Position = HomePosition;
  RotationCentre = T3DVector{};
  Scale = T3DVector{1, 1, 1};
  // Refreshed from the last captured parent rather than from GL, so a reset
  // needs no current context; the next render captures both again.
  RefreshMatrices();
}

void TGLObject::ApplyHomeAngles() {
  Orientation = FromEuler(HomeAngles[0], HomeAngles[1], HomeAngles[2]);
  Azimuth = 0;
  Elevation = 0;
}

void TGLObject::GoHome() { Position = HomePosition; }

void TGLObject::ResetHome() {
  HomePosition = T3DVector{};
  HomeAngles[0] = HomeAngles[1] = HomeAngles[2] = 0;
  ResetOrientation();
}

void TGLObject::ResetAll() {
  ResetOrientation();
  ApplyHomeAngles();
  GoHome();
  ResetHome();
}

void TGLObject::SetOrientationAngles(double pitch, double yaw, double roll) {
  Orientation = FromEuler(pitch, yaw, roll);
}

void TGLObject::SetFirstAngle(double value) {
  const TEuler e = ToEuler(Orientation);
  if (e.bank != value) SetOrientationAngles(value, e.heading, e.attitude);
}

void TGLObject::Rotate(double pitch, double yaw, double roll) {
  if (FixedHeading) yaw = 0;
  if (FreeRotation) {
    PitchIncrement = WrapAngleKeep360(pitch);
    YawIncrement = WrapAngleKeep360(yaw);
    RollIncrement = WrapAngleKeep360(roll);
    const TQuaternion q = FromMatrix(ParentMatrix);
    const TQuaternion e = FromEuler(PitchIncrement, YawIncrement, RollIncrement);
    const TQuaternion eo = QuaternionMultiply(QuaternionMultiply(Conjugate(q), e), q);
    const TEuler a = ToEuler(eo);
    PitchIncrement = a.bank;
    YawIncrement = a.heading;
    RollIncrement = a.attitude;
    Orientation = QuaternionMultiply(FromEuler(PitchIncrement, YawIncrement, RollIncrement), Orientation);
    return;
  }
  RollIncrement = 0;
  YawIncrement = yaw;
  PitchIncrement = pitch;
  Azimuth -= yaw;
  Elevation -= pitch;
  if (Elevation > 90) Elevation = 90;
  if (Elevation < -90) Elevation = -90;
  Azimuth = WrapAngleKeep360(Azimuth);
  const double a = Azimuth * std::numbers::pi / 180, e = (Elevation + 90) * std::numbers::pi / 180;
  auto turn = [&](const T3DVector& p) {
    const double x = std::cos(a) * p.x + std::sin(a) * p.y;
    const double t = -std::sin(a) * p.x + std::cos(a) * p.y;
    return T3DVector{x, std::cos(e) * t + std::sin(e) * p.z, -std::sin(e) * t + std::cos(e) * p.z};
  };
  const T3DVector f = turn({1, 0, 0});
  const T3DVector u = turn({0, -1, 0});
  const T3DVector s = Cross(u, f);
  Orientation = FromMatrix(MatrixFromAxes(f, s, u));
}

void TGLObject::Translate(double dx, double dy, double dz) { Position = Add(Position, T3DVector{dx, dy, dz}); }

double TGLObject::PixelsPerUnit() const {
  const T3DVector lo = GetMin(), hi = GetMax();
  const T3DVector centre = lumora::Scale(Add(lo, hi), 0.5);
  double depth = std::fabs(ObjectMatrix[14] + centre.z);
  const double r = Length(Subtract(hi, lo)) / 4;
  if (depth < r) depth = r;
  return std::fabs(100 / (depth / 10));
}

void TGLObject::MouseDown(int x, int y) {
  Tracking = true;
  LastMouseX = x;
  LastMouseY = y;
  PitchIncrement = YawIncrement = RollIncrement = 0;
}

bool TGLObject::MouseMove(uint32_t shift, int x, int y) {
  if (!Tracking) return false;
  const double s = PixelsPerUnit();
  const double dx = static_cast<double>(x) - LastMouseX;
  const double dy = static_cast<double>(y) - LastMouseY;
  const uint32_t both = ssLeft | ssRight;
  auto slide = [&](const T3DVector& eye) {
    Position = Add(Position, TransformPoint(Transpose(RemoveScale(ParentMatrix)), eye));
  };
  if ((shift & both) == both || shift == ssMiddle)
    slide(T3DVector{LateralDrag ? -2 * dx / s : 0, 0, -2 * dy / s});
  else if (shift == ssLeft)
    Rotate(dy, dx, 0);
  else if (shift == ssRight)
    slide(T3DVector{dx / s, -dy / s, 0});
  else
    return false;
  LastMouseX = x;
  LastMouseY = y;
  return true;
}

// ---- TGLRenderer ----

TGLRenderer::TGLRenderer()
    : BlendSrc(GL_SRC_ALPHA),
      BlendDst(GL_ONE),
      BlendEquation(GL_FUNC_ADD),
      Texture(std::make_unique<TGLObjectTexture>()) {
  LateralDrag = true;
}

TGLRenderer::~TGLRenderer() = default;

void TGLRenderer::Assign(const TGLObject& source) {
  TGLObject::Assign(source);
  auto* s = dynamic_cast<const TGLRenderer*>(&source);
  if (!s || s == this) return;
  Blend = s->Blend;
  SetTransparency(s->Transparency());
  DepthWhenBlending = s->DepthWhenBlending;
  AlphaBlend = s->AlphaBlend;
  Emission = s->Emission;
  Specular = s->Specular;
  Shininess = s->Shininess;
  Texture->Assign(*s->Texture);
  SetColor(s->GetColor());
  SetRenderStyle(s->RenderStyle());
  SetTwoSided(s->TwoSided());
  SetFrontBackColors(s->FrontBackColors());
  SetFrontColor(s->FrontColor());
  SetBackColor(s->BackColor());
}

bool TGLRenderer::Combine(const TGLObject& other) {
  TGLObject::Combine(other);
  return dynamic_cast<const TGLRenderer*>(&other) != nullptr;
}

void TGLRenderer::SetRenderStyle(uint8_t style) {
  if (style == renderStyle_) return;
  renderStyle_ = style;
  Changed();
}

void TGLRenderer::SetTransparency(double percent) { transparency_ = percent; }

void TGLRenderer::Clear() {
  ResetAll();
  Scale = T3DVector{1, 1, 1};
  ResetMaterial();
}

void TGLRenderer::ResetMaterial() {
  Emission = TGLColor{0, 0, 0, 0};
  Specular = TGLColor{0.5f, 0.5f, 0.5f, 1.0f};
  Shininess = 10.0f;
}

void TGLRenderer::SetTwoSided(bool v) {
  if (v == twoSided_) return;
  twoSided_ = v;
  Changed();
}

void TGLRenderer::SetFrontBackColors(bool v) {
  if (v == frontBackColors_) return;
  frontBackColors_ = v;
  Changed();
}

void TGLRenderer::SetFrontColor(uint32_t c) {
  if (c == frontColor_) return;
  frontColor_ = c;
  Changed();
}

void TGLRenderer::SetBackColor(uint32_t c) {
  if (c == backColor_) return;
  backColor_ = c;
  Changed();
}

void TGLRenderer::SetupBlending() const {
  if (!Blend) {
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    return;
  }
  if (CustomBlend) {
    glBlendEquation(BlendEquation);
    glBlendFunc(BlendSrc, BlendDst);
  } else {
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, AlphaBlend ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
  }
  glEnable(GL_BLEND);
  if (DepthWhenBlending)
    glEnable(GL_DEPTH_TEST);
  else
    glDisable(GL_DEPTH_TEST);
}

void TGLRenderer::ApplyMaterial() const {
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &Emission.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, &Specular.r);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &Shininess);
}

void TGLRenderer::ApplyColorMode() const {
  if (frontBackColors_) {
    glDisable(GL_COLOR_MATERIAL);
    const TGLColor back = ColorToGL(backColor_, 1), front = ColorToGL(frontColor_, 1);
    glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, &back.r);
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, &front.r);
  } else {
    glEnable(GL_COLOR_MATERIAL);
  }
  if (twoSided_)
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  else
    glEnable(GL_COLOR_MATERIAL);
}

void TGLRenderer::Render() {
  SetupBlending();
  ApplyTransform();
  ApplyMaterial();
  ApplyColorMode();
}

// ---- TGLObjectList ----

TGLObjectList::~TGLObjectList() {
  OnNotify = nullptr;
  OnChange = nullptr;
  if (owns_)
    for (TGLObject* o : items_) DestroyObject(o);
}

int TGLObjectList::IndexOf(const TGLObject* object) const {
  auto it = std::find(items_.begin(), items_.end(), object);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TGLObjectList::Changed() {
  if (OnChange) OnChange(*this);
}

void TGLObjectList::Notify(TGLObject* item, TListNotification action) {
  if (OnNotify) OnNotify(item, action);
}

int TGLObjectList::AddOwned(TGLObject* object, TGLObjectList* owner) {
  std::unique_ptr<TGLObject> guard(owns_ ? object : nullptr);
  items_.push_back(object);
  guard.release();
  object->Owner = owner;
  Notify(object, TListNotification::Added);
  Changed();
  return Count() - 1;
}

TGLObject* TGLObjectList::AddNew() {
  auto object = std::make_unique<TGLObject>();
  TGLObject* raw = object.get();
  Add(std::move(object));
  return raw;
}

TGLObject* TGLObjectList::AddNamed(std::unique_ptr<TGLObject> object, const std::string& prefix, bool nameBeforeAdd) {
  TGLObject* raw = object.get();
  if (nameBeforeAdd) {
    raw->SetName(prefix + std::to_string(Count()));
    Add(std::move(object));
  } else {
    const int i = Add(std::move(object));
    raw->SetName(prefix + std::to_string(i + 1));
    Changed();
  }
  return raw;
}

void TGLObjectList::Clear() {
  std::vector<TGLObject*> items;
  items.swap(items_);
  for (TGLObject* o : items) {
    Notify(o, TListNotification::Deleted);
    if (owns_) DestroyObject(o);
  }
  Changed();
}

void TGLObjectList::Delete(int i) {
  TGLObject* o = items_.at(i);
  items_.erase(items_.begin() + i);
  Notify(o, TListNotification::Deleted);
  if (owns_) DestroyObject(o);
}

std::unique_ptr<TGLObject> TGLObjectList::Extract(int i) {
  TGLObject* o = items_.at(i);
  items_.erase(items_.begin() + i);
  if (o->Owner == this) o->Owner = nullptr;
  Notify(o, TListNotification::Extracted);
  return std::unique_ptr<TGLObject>(owns_ ? o : nullptr);
}

void TGLObjectList::Assign(const TGLObjectList& source) {
  if (&source == this) return;
  OnChange = source.OnChange;
  OnNotify = source.OnNotify;
  Clear();
  for (TGLObject* item : source.items_) AddNew()->Assign(*item);
}

T3DVector TGLObjectList::ListMin() const {
  if (items_.empty()) return {};
  T3DVector v = items_[0]->GetMin();
  for (size_t i = 1; i < items_.size(); ++i) v = MinVector(v, items_[i]->GetMin());
  return v;
}

T3DVector TGLObjectList::ListMax() const {
  if (items_.empty()) return {};
  T3DVector v = items_[0]->GetMax();
  for (size_t i = 1; i < items_.size(); ++i) v = MaxVector(v, items_[i]->GetMax());
  return v;
}

// Typed lists copy item by item only from a list of their own class.
#define LUMORA_TYPED_ASSIGN(List)                                          \
  void List::Assign(const TGLObjectList& source) {                         \
    if (dynamic_cast<const List*>(&source)) TGLObjectList::Assign(source); \
  }

TGLObject* TGLMeshList::AddNew() { return AddNamed(std::make_unique<TGLMesh>(), "Mesh-", true); }
TGLObject* TGLFastMeshList::AddNew() { return AddNamed(std::make_unique<TGLFastMesh>(), "Mesh-", true); }
TGLObject* TGLLineList::AddNew() { return AddNamed(std::make_unique<TGLLines>(), "Lines-", false); }
TGLObject* TGLPointList::AddNew() { return AddNamed(std::make_unique<TGLPoints>(), "Points-", false); }

TGLObject* TGLFrameList::AddNew() {
  auto frame = std::make_unique<TGLFrame>(OnNotify);
  if (OnChange)
    frame->OnChange = [this](TGLObject&) {
      if (OnChange) OnChange(*this);
    };
  return AddNamed(std::move(frame), "Frame-", false);
}

LUMORA_TYPED_ASSIGN(TGLMeshList)
LUMORA_TYPED_ASSIGN(TGLFastMeshList)
LUMORA_TYPED_ASSIGN(TGLLineList)
LUMORA_TYPED_ASSIGN(TGLPointList)
LUMORA_TYPED_ASSIGN(TGLFrameList)
#undef LUMORA_TYPED_ASSIGN

// ---- TGLFrame ----

TGLFrame::TGLFrame() {
  ForEachList([this](TGLObjectList& l) { l.OnChange = [this](TGLObjectList&) { Changed(); }; });
}

TGLFrame::TGLFrame(TGLListNotifyEvent notify) : TGLFrame() { SetNotify(notify); }

TGLFrame::~TGLFrame() {
  ForEachList([](TGLObjectList& l) { l.OnNotify = nullptr; });
}

void TGLFrame::SetNotify(const TGLListNotifyEvent& notify) {
  ForEachList([&](TGLObjectList& l) { l.OnNotify = notify; });
}

T3DVector TGLFrame::GetMax() const {
  T3DVector v = Meshes.ListMax();
  ForEachList([&](const TGLObjectList& l) { v = MaxVector(v, l.ListMax()); });
  return v;
}

T3DVector TGLFrame::GetMin() const {
  T3DVector v = Meshes.ListMin();
  ForEachList([&](const TGLObjectList& l) { v = MinVector(v, l.ListMin()); });
  return v;
}

void TGLFrame::Assign(const TGLObject& source) {
  TGLObject::Assign(source);
  auto* s = dynamic_cast<const TGLFrame*>(&source);
  if (!s || s == this) return;
  // A list's assign takes over the source's handlers, which would tie this
  // frame's lists to the source frame (and dangle once it is gone): the
  // lists keep reporting to this frame and its root.
  std::vector<std::pair<TGLListEvent, TGLListNotifyEvent>> own;
  ForEachList([&](TGLObjectList& l) { own.emplace_back(l.OnChange, l.OnNotify); });
  Meshes.Assign(s->Meshes);
  FastMeshes.Assign(s->FastMeshes);
  Strings3D.Assign(s->Strings3D);
  Strings2D.Assign(s->Strings2D);
  Lines.Assign(s->Lines);
  Points.Assign(s->Points);
  Frames.Assign(s->Frames);
  size_t i = 0;
  ForEachList([&](TGLObjectList& l) {
    l.OnChange = own[i].first;
    l.OnNotify = own[i].second;
    ++i;
  });
  // The items came in under the source's handlers: announce them once.
  if (Meshes.OnNotify) Meshes.OnNotify(nullptr, TListNotification::Added);
}

void TGLFrame::RenderScene() {
  TMatrixGuard frameGuard;
  ApplyTransform();
  auto renderList = [this](TGLObjectList& list, bool textured) {
    for (int i = 0; i < list.Count(); ++i) {
      TGLObject* item = list[i];
      TMatrixGuard guard;
      if (!(Visible && item->Visible)) {
        item->ApplyTransform();
        continue;
      }
      auto* r = dynamic_cast<TGLRenderer*>(item);
      TGLObjectTexture* texture = textured && r && r->Texture->TextureEnabled ? r->Texture.get() : nullptr;
      if (texture) texture->TextureBegin();
      try {
        item->Render();
      } catch (...) {
        if (texture) texture->TextureEnd();
        throw;
      }
      if (texture) texture->TextureEnd();
    }
  };
  renderList(Meshes, true);
  renderList(FastMeshes, true);
  renderList(Strings3D, true);
  renderList(Strings2D, false);
  renderList(Lines, true);
  renderList(Points, true);
  for (int i = 0; i < Frames.Count(); ++i) static_cast<TGLFrame*>(Frames[i])->RenderScene();
}

void TGLFrame::CollectObjects(TGLObjectList& target) {
  for (TGLObjectList* l : {static_cast<TGLObjectList*>(&Meshes), static_cast<TGLObjectList*>(&FastMeshes),
                           static_cast<TGLObjectList*>(&Strings3D), static_cast<TGLObjectList*>(&Strings2D),
                           static_cast<TGLObjectList*>(&Lines), static_cast<TGLObjectList*>(&Points)})
    for (int i = 0; i < l->Count(); ++i) target.AddOwned(l->Items(i), l);
  for (int i = 0; i < Frames.Count(); ++i) {
    auto* child = static_cast<TGLFrame*>(Frames[i]);
    target.AddOwned(child, &Frames);
    child->CollectObjects(target);
  }
}

// ---- TGLBaseFrame ----

TGLBaseFrame::TGLBaseFrame() {
  SetNotify([this](TGLObject* item, TListNotification action) { Rebuild(item, action); });
}

TGLBaseFrame::~TGLBaseFrame() {
  // The lists outlive AllObjects' owner's body: no rebuild may reach it.
  SetNotify(nullptr);
  std::vector<TGLFrame*> stack;
  for (int i = 0; i < Frames.Count(); ++i) stack.push_back(static_cast<TGLFrame*>(Frames[i]));
  while (!stack.empty()) {
    TGLFrame* f = stack.back();
    stack.pop_back();
    f->SetNotify(nullptr);
    for (int i = 0; i < f->Frames.Count(); ++i) stack.push_back(static_cast<TGLFrame*>(f->Frames[i]));
  }
}

void TGLBaseFrame::Rebuild(TGLObject*, TListNotification) {
  AllObjects.Clear();
  CollectObjects(AllObjects);
  Changed();
}

}  // namespace lumora
