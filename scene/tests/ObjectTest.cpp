#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "scene/GLFastMesh.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLPoints.h"
#include "scene/GLRenderer.h"

namespace lumora {
namespace {

void ExpectNear(const T3DVector& a, const T3DVector& b, double tol = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

T3DVector Turn(const TQuaternion& q, const T3DVector& v) { return RotateVector(q, v); }

TEST(SceneObject, DefaultsOfObjectsAndRenderers) {
  TGLObject o;
  EXPECT_TRUE(o.Visible);
  EXPECT_TRUE(o.Selected());
  EXPECT_TRUE(o.FreeRotation);
  EXPECT_FALSE(o.LateralDrag);
  EXPECT_EQ(o.Orientation.w, 1);
  EXPECT_EQ(o.ObjectMatrix[0], 1);
  TGLRenderer r;
  EXPECT_TRUE(r.LateralDrag);
  EXPECT_EQ(r.RenderStyle(), 2);
  EXPECT_EQ(r.BackColor(), 0xFF0000u);
  EXPECT_EQ(r.FrontColor(), 0x008000u);
  EXPECT_FLOAT_EQ(r.Specular.r, 0.5f);
  EXPECT_FLOAT_EQ(r.Shininess, 10);
  EXPECT_FALSE(r.Texture->TextureEnabled);
  EXPECT_EQ(TGLMesh().RenderStyle(), 1);
  EXPECT_EQ(TGLFastMesh().RenderStyle(), 2);
  r.SetTransparency(25);
  EXPECT_FLOAT_EQ(r.Alpha(), 0.75f);
}

TEST(SceneObject, LocalMatrixTurnsAboutTheRotationCentre) {
  TGLObject o;
  o.Position = T3DVector{10, 0, 0};
  o.RotationCentre = T3DVector{1, 0, 0};
  o.SetOrientationAngles(0, 90, 0);  // yaw: about y
  o.Scale = T3DVector{2, 2, 2};
  o.RefreshMatrices();
  // The centre itself stays put apart from the position.
  ExpectNear(TransformPoint(o.ObjectMatrix, T3DVector{0.5, 0, 0}), T3DVector{11, 0, 0});
  // A point one unit beyond the centre on x (after scaling) swings to -z.
  ExpectNear(TransformPoint(o.ObjectMatrix, T3DVector{1, 0, 0}), T3DVector{11, 0, -1});
}

TEST(SceneObject, EulerAnglesAndFirstAngle) {
  TGLObject o;
  o.SetOrientationAngles(30, 40, 50);
  const TQuaternion expect =
      QuaternionMultiply(QuaternionMultiply(FromAxisAngle({0, 1, 0}, 40 * std::numbers::pi / 180),
                                            FromAxisAngle({0, 0, 1}, 50 * std::numbers::pi / 180)),
                         FromAxisAngle({1, 0, 0}, 30 * std::numbers::pi / 180));
  ExpectNear(Turn(o.Orientation, {1, 2, 3}), Turn(expect, {1, 2, 3}));

  TGLObject p;
  p.SetFirstAngle(90);
  ExpectNear(Turn(p.Orientation, {0, 1, 0}), {0, 0, 1});
  const TQuaternion once = p.Orientation;
  p.SetFirstAngle(90);
  ExpectNear(Turn(p.Orientation, {0, 1, 0}), Turn(once, {0, 1, 0}));
}

TEST(SceneObject, TurntableClampsElevationAndWrapsAzimuth) {
  TGLObject o;
  o.FreeRotation = false;
  o.Rotate(0, 0, 0);
  EXPECT_NEAR(o.Orientation.w, 1, 1e-12);
  ExpectNear(Turn(o.Orientation, {1, 2, 3}), {1, 2, 3});

  o.Rotate(-100, 0, 7);
  EXPECT_EQ(o.Elevation, 90);
  EXPECT_EQ(o.RollIncrement, 0);
  o.Rotate(-5, 0, 0);
  EXPECT_EQ(o.Elevation, 90);
  o.Rotate(200, 0, 0);
  EXPECT_EQ(o.Elevation, -90);

  o.Rotate(0, 30, 0);
  EXPECT_EQ(o.Azimuth, 330);
  o.Rotate(0, -60, 0);
  EXPECT_EQ(o.Azimuth, 30);

  // At elevation 0 the azimuth turns about the scene's up axis y: the
  // frame's F = (0, 0, 1), U = (-1, 0, 0), S = (0, 1, 0).
  TGLObject t;
  t.FreeRotation = false;
  t.Rotate(0, -90, 0);
  EXPECT_EQ(t.Azimuth, 90);
  ExpectNear(Turn(t.Orientation, {1, 0, 0}), {0, 0, 1});
  ExpectNear(Turn(t.Orientation, {0, 1, 0}), {0, 1, 0});
  ExpectNear(Turn(t.Orientation, {0, 0, 1}), {-1, 0, 0});
}

TEST(SceneObject, FreeRotationWrapsIncrementsAndTurnsInViewSpace) {
  TGLObject o;
  o.Rotate(0, -30, 0);
  // The stored increments come back from the view-to-object conversion;
  // as a turn they are the original -30 degrees of yaw.
  const TQuaternion inc = FromEuler(o.PitchIncrement, o.YawIncrement, o.RollIncrement);
  ExpectNear(Turn(inc, {1, 0, 0}), Turn(FromAxisAngle({0, 1, 0}, -30 * std::numbers::pi / 180), {1, 0, 0}));
  ExpectNear(Turn(o.Orientation, {1, 0, 0}), Turn(inc, {1, 0, 0}));

  // Under a parent turned 90 degrees about z, a view yaw becomes an
  // object-space turn about the parent's view-y axis.
  TGLObject p;
  p.ParentMatrix = IdentityMatrix();
  p.ParentMatrix[0] = 0, p.ParentMatrix[1] = 1, p.ParentMatrix[4] = -1, p.ParentMatrix[5] = 0;
  p.Rotate(0, 90, 0);
  const T3DVector inView = TransformPoint(p.ParentMatrix, Turn(p.Orientation, {0, 0, 1}));
  ExpectNear(inView, Turn(FromAxisAngle({0, 1, 0}, std::numbers::pi / 2), {0, 0, 1}));

  // RepeatRotation applies the stored step again.
  TGLObject r;
  r.Rotate(10, 0, 0);
  r.RepeatRotation();
  ExpectNear(Turn(r.Orientation, {0, 1, 0}), Turn(FromAxisAngle({1, 0, 0}, 20 * std::numbers::pi / 180), {0, 1, 0}));
}

TEST(SceneObject, ResetFamily) {
  TGLObject o;
  o.HomePosition = T3DVector{1, 2, 3};
  o.HomeAngles[1] = 90;
  o.Position = T3DVector{9, 9, 9};
  o.Scale = T3DVector{2, 3, 4};
  o.RotationCentre = T3DVector{1, 1, 1};
  o.Azimuth = 40;
  o.ResetOrientation();
  ExpectNear(o.Position, {1, 2, 3});
  ExpectNear(o.Scale, {1, 1, 1});
  ExpectNear(GetTranslation(o.ObjectMatrix), {1, 2, 3});
  o.ApplyHomeAngles();
  EXPECT_EQ(o.Azimuth, 0);
  ExpectNear(Turn(o.Orientation, {1, 0, 0}), {0, 0, -1});
  o.ResetAll();
  ExpectNear(o.Position, {0, 0, 0});
  ExpectNear(o.HomePosition, {0, 0, 0});
  EXPECT_EQ(o.HomeAngles[1], 0);
  EXPECT_NEAR(o.Orientation.w, 1, 1e-12);
}

TEST(SceneObject, PixelsPerUnitFollowsDepthAndSize) {
  TGLObject o;
  o.SetMin({-1, -1, -1});
  o.SetMax({1, 1, 1});
  o.ObjectMatrix[14] = -10;
  EXPECT_DOUBLE_EQ(o.PixelsPerUnit(), 100);
  // Nearer than a quarter of the diagonal counts as that quarter.
  o.ObjectMatrix[14] = -0.1;
  EXPECT_DOUBLE_EQ(o.PixelsPerUnit(), 1000 / (std::sqrt(12.0) / 4));
  // The centre of the bounds adds to the depth.
  o.SetMin({0, 0, -21});
  o.SetMax({0, 0, -19});
  o.ObjectMatrix[14] = 0;
  EXPECT_DOUBLE_EQ(o.PixelsPerUnit(), 50);
}

TEST(SceneObject, MouseDragCasesAndShiftRules) {
  TGLRenderer o;  // lateral drag on
  o.SetMin({-1, -1, -1});
  o.SetMax({1, 1, 1});
  o.ObjectMatrix[14] = -10;                 // 100 pixels per unit
  EXPECT_FALSE(o.MouseMove(ssLeft, 5, 5));  // not tracking

  o.MouseDown(100, 100);
  EXPECT_TRUE(o.Tracking);
  // Left with Ctrl: not handled, last position kept.
  EXPECT_FALSE(o.MouseMove(ssLeft | ssCtrl, 150, 150));
  EXPECT_EQ(o.LastMouseX, 100);

  // Right: follows the mouse in the screen plane.
  EXPECT_TRUE(o.MouseMove(ssRight, 150, 120));
  ExpectNear(o.Position, {0.5, -0.2, 0});
  EXPECT_EQ(o.LastMouseX, 150);

  // Middle: vertical drag moves along z, and sideways with lateral drag.
  o.Position = T3DVector{};
  EXPECT_TRUE(o.MouseMove(ssMiddle, 160, 130));
  ExpectNear(o.Position, {-0.2, 0, -0.2});

  // Left and right together, whatever else is held.
  o.Position = T3DVector{};
  EXPECT_TRUE(o.MouseMove(ssLeft | ssRight | ssShift, 160, 140));
  ExpectNear(o.Position, {0, 0, -0.2});

  // Middle with Shift is not exactly the middle button.
  EXPECT_FALSE(o.MouseMove(ssMiddle | ssShift, 0, 0));

  // Left: one degree per pixel, dy pitches and dx yaws.
  TGLObject plain;
  plain.MouseDown(0, 0);
  plain.PitchIncrement = 5;
  plain.MouseUp();
  EXPECT_FALSE(plain.Tracking);
  plain.MouseDown(0, 0);
  EXPECT_EQ(plain.PitchIncrement, 0);
  EXPECT_TRUE(plain.MouseMove(ssLeft, 0, 90));
  ExpectNear(Turn(plain.Orientation, {0, 1, 0}), {0, 0, 1});

  // Without lateral drag the middle button only moves along z.
  plain.Position = T3DVector{};
  plain.SetMax({1, 1, 1});
  plain.SetMin({-1, -1, -1});
  plain.ObjectMatrix = IdentityMatrix();
  plain.ObjectMatrix[14] = -10;
  EXPECT_TRUE(plain.MouseMove(ssMiddle, 50, 90));
  ExpectNear(plain.Position, {0, 0, 0});
  EXPECT_TRUE(plain.MouseMove(ssMiddle, 50, 100));
  ExpectNear(plain.Position, {0, 0, -0.2});
}

TEST(SceneObject, ScaleFactorComparesOnlyX) {
  TGLObject o;
  o.Scale = T3DVector{2, 1, 1};
  o.SetScaleFactor(2);
  ExpectNear(o.Scale, {2, 1, 1});
  o.SetScaleFactor(3);
  ExpectNear(o.Scale, {3, 3, 3});
  EXPECT_EQ(o.ScaleFactor(), 3);
}

TEST(SceneLists, NamingOfNewItems) {
  TGLFrame f;
  EXPECT_EQ(f.Meshes.AddNew()->Name(), "Mesh-0");
  EXPECT_EQ(f.Meshes.AddNew()->Name(), "Mesh-1");
  EXPECT_EQ(f.FastMeshes.AddNew()->Name(), "Mesh-0");
  EXPECT_EQ(f.Lines.AddNew()->Name(), "Lines-1");
  EXPECT_EQ(f.Lines.AddNew()->Name(), "Lines-2");
  EXPECT_EQ(f.Points.AddNew()->Name(), "Points-1");
  EXPECT_EQ(f.Frames.AddNew()->Name(), "Frame-1");
  EXPECT_NE(dynamic_cast<TGLMesh*>(f.Meshes[0]), nullptr);
  EXPECT_NE(dynamic_cast<TGLFastMesh*>(f.FastMeshes[0]), nullptr);
  EXPECT_NE(dynamic_cast<TGLLines*>(f.Lines[0]), nullptr);
  EXPECT_NE(dynamic_cast<TGLPoints*>(f.Points[0]), nullptr);
  EXPECT_EQ(f.Meshes[1]->Owner, &f.Meshes);
}

TEST(SceneLists, ChangesClimbToTheRoot) {
  TGLBaseFrame root;
  int rootChanges = 0, meshChanges = 0;
  root.OnChange = [&](TGLObject&) { ++rootChanges; };
  auto* child = static_cast<TGLFrame*>(root.Frames.AddNew());
  auto* mesh = static_cast<TGLMesh*>(child->Meshes.AddNew());
  mesh->OnChange = [&](TGLObject&) { ++meshChanges; };
  rootChanges = 0;
  mesh->SetName("Walls");
  EXPECT_EQ(meshChanges, 1);
  EXPECT_GT(rootChanges, 0);
  // Setting the same value raises nothing.
  rootChanges = meshChanges = 0;
  mesh->SetName("Walls");
  mesh->SetTwoSided(false);
  mesh->SetSelected(true);
  mesh->SetRenderStyle(1);
  EXPECT_EQ(rootChanges + meshChanges, 0);
  mesh->SetFrontColor(0x123456);
  EXPECT_EQ(meshChanges, 1);
  EXPECT_GT(rootChanges, 0);
  // Transparency is stored without a notification.
  meshChanges = 0;
  mesh->TGLRenderer::SetTransparency(40);
  EXPECT_EQ(meshChanges, 0);
}

TEST(SceneLists, AllObjectsFollowsEveryStructuralChange) {
  TGLBaseFrame root;
  root.Lines.AddNew();
  root.Meshes.AddNew();
  auto* child = static_cast<TGLFrame*>(root.Frames.AddNew());
  child->Points.AddNew();
  root.FastMeshes.AddNew();
  auto* grandchild = static_cast<TGLFrame*>(child->Frames.AddNew());
  grandchild->Meshes.AddNew()->SetName("deep");
  child->Meshes.AddNew()->SetName("inner");

  std::vector<std::string> names;
  for (int i = 0; i < root.AllObjects.Count(); ++i) names.push_back(root.AllObjects[i]->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Mesh-0", "Mesh-0", "Lines-1", "Frame-1", "inner", "Points-1", "Frame-1",
                                             "deep"}));
  // Items keep their real owners while indexed.
  EXPECT_EQ(root.AllObjects[4]->Owner, &child->Meshes);
  EXPECT_FALSE(root.AllObjects.OwnsObjects());

  child->Meshes.Delete(0);
  EXPECT_EQ(root.AllObjects.Count(), 7);
  root.Frames.Clear();
  EXPECT_EQ(root.AllObjects.Count(), 3);
  std::unique_ptr<TGLObject> taken = root.Lines.Extract(0);
  EXPECT_EQ(root.AllObjects.Count(), 2);
  EXPECT_EQ(taken->Owner, nullptr);
}

TEST(SceneLists, FrameBoundsIncludeTheOriginOfEmptyLists) {
  TGLFrame f;
  auto* m = static_cast<TGLMesh*>(f.Meshes.AddNew());
  m->AddBox({11, 11, 11}, {12, 12, 12}, 0);
  m->RecomputeBounds();
  EXPECT_EQ(f.GetMin().x, 0);
  EXPECT_EQ(f.GetMax().x, 12);
  EXPECT_EQ(f.Meshes.ListMin().x, 11);
  TGLFrame empty;
  ExpectNear(empty.GetMax(), {0, 0, 0});
}

TEST(SceneLists, AssignCopiesItemsAndRendererSettings) {
  TGLFrame a, b;
  auto* lines = static_cast<TGLLines*>(a.Lines.AddNew());
  lines->AddSegment({0, 0, 0}, {1, 1, 1}, 0x0000FF);
  lines->SetName("Shots");
  lines->Blend = true;
  lines->SetTwoSided(true);
  lines->CustomBlend = true;
  auto* mesh = static_cast<TGLMesh*>(a.Meshes.AddNew());
  mesh->AddQuad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, 0x00FF00);
  a.Position = T3DVector{1, 2, 3};
  b.Assign(a);
  ExpectNear(b.Position, {1, 2, 3});
  ASSERT_EQ(b.Lines.Count(), 1);
  auto* copy = static_cast<TGLLines*>(b.Lines[0]);
  EXPECT_EQ(copy->Name(), "Shots");
  EXPECT_TRUE(copy->Blend);
  EXPECT_TRUE(copy->TwoSided());
  EXPECT_FALSE(copy->CustomBlend);     // not copied
  EXPECT_EQ(copy->SegmentCount(), 0);  // a line set's assign copies no segments
  auto* meshCopy = static_cast<TGLMesh*>(b.Meshes[0]);
  EXPECT_EQ(meshCopy->TriangleCount(), 2);
  EXPECT_EQ(meshCopy->GetColor(), 0x00FF00u);

  // The copy's lists still report to the copy, also once the source is gone.
  {
    TGLBaseFrame root;
    auto owned = std::make_unique<TGLFrame>();
    TGLFrame* source = owned.get();
    source->Lines.AddNew();
    auto* target = static_cast<TGLFrame*>(root.Frames.AddNew());
    target->Assign(*source);
    owned.reset();
    int rootChanges = 0;
    root.OnChange = [&](TGLObject&) { ++rootChanges; };
    target->Lines[0]->SetName("renamed");
    EXPECT_GT(rootChanges, 0);
    EXPECT_EQ(root.AllObjects.Count(), 2);  // the frame and its line set
  }

  // A typed list ignores a list of another class.
  TGLLineList other;
  TGLMeshList meshes;
  meshes.AddNew();
  other.Assign(meshes);
  EXPECT_EQ(other.Count(), 0);
}

}  // namespace
}  // namespace lumora
