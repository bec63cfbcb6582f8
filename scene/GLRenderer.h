#pragma once
// Scene objects: the transformable base object, the drawable renderer, the
// owning object lists and the frames that hold one list of each kind.
// Geometry and navigation work without a GL context; only Render,
// ApplyTransform and RenderScene issue GL calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/HugeArry.h"
#include "geometry/Vector.h"
#include "scene/GLTexture.h"

namespace lumora {

class TGLObject;
class TGLObjectList;

// Shift state bits of mouse events.
enum : uint32_t {
  ssShift = 0x01,
  ssAlt = 0x02,
  ssCtrl = 0x04,
  ssLeft = 0x08,
  ssRight = 0x10,
  ssMiddle = 0x20,
};

enum class TListNotification { Added, Extracted, Deleted };

using TGLObjectEvent = std::function<void(TGLObject&)>;
using TGLListEvent = std::function<void(TGLObjectList&)>;
using TGLListNotifyEvent = std::function<void(TGLObject*, TListNotification)>;

// Vector array that reports every change; meshes and line sets keep their
// per-vertex data in step through it.
class THuge3DVectorEx : public THuge3DVector {
 public:
  using VectorEvent = std::function<void(const T3DVector&, int)>;

  explicit THuge3DVectorEx(int initialCapacity = 16) : THuge3DVector(initialCapacity) {}

  VectorEvent OnVectorChange, OnVectorAdd, OnVectorDelete, OnTriangleDelete;

  using THuge3DVector::Add;
  // Every add goes through AddObject, so every add is reported.
  int Add(T3DVector&& v) { return AddObject(v, nullptr); }
  int AddObject(const T3DVector& v, void* object) override;
  void Put(int i, const T3DVector& v) override;
  void Insert(const T3DVector& v, int i) override;
  void Delete(int i) override;

  // Triangles: three consecutive vectors.
  int TriangleCount() const { return Count() / 3; }
  int AddTriangle(const TTriangle3& t);
  void SetTriangle(int i, const TTriangle3& t);
  TTriangle3 GetTriangle(int i) const;
  void DeleteTriangle(int i);

  // Segments: two consecutive vectors.
  int SegmentCount() const { return Count() / 2; }
  int AddSegment(const T3DVector& a, const T3DVector& b);
  void GetSegment(int i, T3DVector& a, T3DVector& b) const;
};

class TGLObject {
 public:
  TGLObject();
  virtual ~TGLObject();
  TGLObject(const TGLObject&) = delete;
  TGLObject& operator=(const TGLObject&) = delete;

  // What every kind of scene object may answer in its own way, its
  // bounds first.
  virtual T3DVector GetMax() const { return BoundsMax; }
  virtual T3DVector GetMin() const { return BoundsMin; }
  virtual void SetMax(const T3DVector& v) { BoundsMax = v; }
  virtual void SetMin(const T3DVector& v) { BoundsMin = v; }
  // A new default object of the same class.
  virtual std::unique_ptr<TGLObject> Create() const { return std::make_unique<TGLObject>(); }
  virtual void Assign(const TGLObject& source);
  virtual bool Combine(const TGLObject& other);
  virtual void Render() { ApplyTransform(); }
  virtual void ResetAll();

  void Changed();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  bool Selected() const { return selected_; }
  void SetSelected(bool selected);
  double ScaleFactor() const { return Scale.x; }
  void SetScaleFactor(double k);

  // Reads the GL modelview into ParentMatrix, applies this object's
  // transform and reads the result into ObjectMatrix.
  void ApplyTransform();
  // This object's own transform as a matrix (position, turn about the
  // rotation centre, scale), and ObjectMatrix refreshed from ParentMatrix
  // without GL.
  TMatrix4 LocalMatrix() const;
  void RefreshMatrices();

  void ResetOrientation();
  void ApplyHomeAngles();
  void GoHome();
  void ResetHome();

  void SetOrientationAngles(double pitch, double yaw, double roll);
  void SetFirstAngle(double value);
  void Rotate(double pitch, double yaw, double roll);
  void RepeatRotation() { Rotate(PitchIncrement, YawIncrement, RollIncrement); }
  void Translate(double dx, double dy, double dz);
  double PixelsPerUnit() const;

  void MouseDown(int x, int y);
  bool MouseMove(uint32_t shift, int x, int y);
  void MouseUp() { Tracking = false; }

  int LastMouseX = 0, LastMouseY = 0;
  bool Visible = true;
  T3DVector Scale{1, 1, 1};
  T3DVector BoundsMin, BoundsMax;
  bool FreeRotation = true;
  // Turns about the vertical are off: an extended elevation has no plan.
  bool FixedHeading = false;
  bool Tracking = false;
  TGLObjectEvent OnChange;
  double Azimuth = 0, Elevation = 0;
  TMatrix4 ObjectMatrix = IdentityMatrix();
  TMatrix4 ParentMatrix = IdentityMatrix();
  double PitchIncrement = 0, YawIncrement = 0, RollIncrement = 0;
  TQuaternion Orientation = IdentityQuaternion();
  T3DVector Position;
  T3DVector HomePosition;
  double HomeAngles[3] = {0, 0, 0};  // pitch, yaw, roll
  T3DVector RotationCentre;
  bool LateralDrag = false;
  TGLObjectList* Owner = nullptr;

 private:
  std::string name_;
  bool selected_ = true;
};

class TGLRenderer : public TGLObject {
 public:
  TGLRenderer();
  ~TGLRenderer() override;

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLRenderer>(); }
  void Assign(const TGLObject& source) override;
  bool Combine(const TGLObject& other) override;
  void Render() override;

  // Slots 9 to 13.
  virtual uint32_t GetColor() const { return 0; }
  virtual void SetRenderStyle(uint8_t style);
  virtual void SetTransparency(double percent);
  virtual void Clear();
  virtual void SetColor(uint32_t /*colour*/) {}

  uint8_t RenderStyle() const { return renderStyle_; }
  double Transparency() const { return transparency_; }
  float Alpha() const { return static_cast<float>((100.0 - transparency_) / 100.0); }

  bool TwoSided() const { return twoSided_; }
  void SetTwoSided(bool v);
  bool FrontBackColors() const { return frontBackColors_; }
  void SetFrontBackColors(bool v);
  uint32_t FrontColor() const { return frontColor_; }
  void SetFrontColor(uint32_t c);
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t c);

  void SetupBlending() const;
  void ApplyMaterial() const;
  // Emission, specular and shininess back to their defaults.
  void ResetMaterial();
  void ApplyColorMode() const;

  bool Blend = false;
  bool CustomBlend = false;
  bool DepthWhenBlending = false;
  bool AlphaBlend = false;
  uint32_t BlendSrc, BlendDst, BlendEquation;
  TGLColor Emission{0, 0, 0, 0};
  TGLColor Specular{0.5f, 0.5f, 0.5f, 1.0f};
  float Shininess = 10.0f;
  std::unique_ptr<TGLObjectTexture> Texture;

 private:
  uint32_t backColor_ = 0xFF0000;
  uint32_t frontColor_ = 0x008000;
  bool twoSided_ = false;
  bool frontBackColors_ = false;
  double transparency_ = 0;
  uint8_t renderStyle_ = 2;
};

// An owning list of scene objects; the AllObjects index of a root frame is
// the one list that does not own its items.
class TGLObjectList {
 public:
  explicit TGLObjectList(bool ownsObjects = true) : owns_(ownsObjects) {}
  virtual ~TGLObjectList();
  TGLObjectList(const TGLObjectList&) = delete;
  TGLObjectList& operator=(const TGLObjectList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TGLObject* Items(int i) const { return items_.at(i); }
  TGLObject* operator[](int i) const { return items_.at(i); }
  int IndexOf(const TGLObject* object) const;
  bool OwnsObjects() const { return owns_; }

  // An owning list takes the object over.
  virtual int AddOwned(TGLObject* object, TGLObjectList* owner);
  int Add(std::unique_ptr<TGLObject> object) { return AddOwned(object.release(), this); }
  virtual TGLObject* AddNew();
  virtual void Clear();
  virtual void Assign(const TGLObjectList& source);

  // Destroys item i when owned.
  void Delete(int i);
  // Hands item i back to the caller without destroying it.
  std::unique_ptr<TGLObject> Extract(int i);

  void Changed();
  T3DVector ListMin() const;
  T3DVector ListMax() const;

  TGLListEvent OnChange;
  TGLListNotifyEvent OnNotify;

 protected:
  void Notify(TGLObject* item, TListNotification action);
  // Appends a new item of the list's kind from AddNew's factory.
  TGLObject* AddNamed(std::unique_ptr<TGLObject> object, const std::string& prefix, bool nameBeforeAdd);

 private:
  std::vector<TGLObject*> items_;
  bool owns_;
};

class TGLMeshList : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
};

class TGLFastMeshList : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
};

class TGLLineList : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
};

class TGLPointList : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
};

// The text lists; their item kinds and operations are in GLFonts.
class TGL3DString;
class TGL2DString;

class TGLStringList3D : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
  // A new 3D string with defaults, named "String3D-<count + 1>"; its index.
  int AddString();
  int AddCopy(const TGL3DString& source);
};

class TGLStringList2D : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
  // A new label set with defaults, named "String3D-<count + 1>" like a 3D
  // string: saved scenes and scripts know labels of both kinds by one
  // name scheme. Its index.
  int AddString();
  int AddCopy(const TGL2DString& source);
};

class TGLFrameList : public TGLObjectList {
 public:
  TGLObject* AddNew() override;
  void Assign(const TGLObjectList& source) override;
};

class TGLFrame : public TGLObject {
 public:
  TGLFrame();
  explicit TGLFrame(TGLListNotifyEvent notify);
  ~TGLFrame() override;

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLFrame>(); }
  T3DVector GetMax() const override;
  T3DVector GetMin() const override;
  void Assign(const TGLObject& source) override;
  virtual void RenderScene();

  void CollectObjects(TGLObjectList& target);
  void SetNotify(const TGLListNotifyEvent& notify);

  TGLMeshList Meshes;
  TGLFastMeshList FastMeshes;
  TGLStringList3D Strings3D;
  TGLStringList2D Strings2D;
  TGLLineList Lines;
  TGLPointList Points;
  TGLFrameList Frames;

 protected:
  template <class F>
  void ForEachList(F&& f) {
    f(Meshes), f(FastMeshes), f(Strings3D), f(Strings2D), f(Lines), f(Points), f(Frames);
  }
  template <class F>
  void ForEachList(F&& f) const {
    f(Meshes), f(FastMeshes), f(Strings3D), f(Strings2D), f(Lines), f(Points), f(Frames);
  }
};

class TGLBaseFrame : public TGLFrame {
 public:
  TGLBaseFrame();
  ~TGLBaseFrame() override;

  void Rebuild(TGLObject* item, TListNotification action);

  TGLObjectList AllObjects{false};
};

}  // namespace lumora
