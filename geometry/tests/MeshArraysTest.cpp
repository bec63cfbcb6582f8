#include "geometry/MeshArrays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>
#include <vector>

namespace lumora {
namespace {

TFace F(int a, int b, int c) { return TFace{{a, b, c}}; }

// Every face must still carry the normal and colour it was given; the
// tests encode the face's first index in both.
void ExpectInStep(const TFaceList& f) {
  ASSERT_EQ(f.Normals.Count(), f.Count());
  ASSERT_EQ(f.Colors.Count(), f.Count());
  for (int i = 0; i < f.Count(); ++i) {
    EXPECT_EQ(f.Normals[i].x, f[i].v[0]) << i;
    EXPECT_EQ(f.Colors[i], static_cast<uint32_t>(f[i].v[0])) << i;
  }
}

TEST(FaceList, ParallelArraysStayInStep) {
  TFaceList f(2);
  int changes = 0;
  f.OnChange = [&](THugeArrayBase&) {
    ++changes;
    EXPECT_EQ(f.Normals.Count(), f.Count());
  };
  for (int i = 1; i <= 20; ++i) f.Add(F(i, i + 1, i + 2), i, T3DVector{double(i), 0, 1});
  f.Insert(F(50, 0, 0), 50, T3DVector{50, 0, 0}, 3);
  f.Insert(F(60, 0, 0), 60, T3DVector{60, 0, 0}, f.Count() + 1);  // ignored
  f.Delete(0);
  f.Delete(f.Count());  // ignored
  ExpectInStep(f);
  EXPECT_EQ(f[2].v[0], 50);

  f.SortWith([](const TFace& a, const TFace& b) { return b.v[0] - a.v[0]; });
  EXPECT_EQ(f[0].v[0], 50);
  ExpectInStep(f);

  f.Add(F(0, 7, 7));  // the single-record form keeps the arrays in step too
  ExpectInStep(f);
  int tag;
  const int k = f.AddObject(F(0, 0, 0), 0, &tag);  // zero normal
  EXPECT_EQ(f.Object(k), &tag);
  ExpectInStep(f);

  TFaceList copy;
  copy.Assign(f);
  ExpectInStep(copy);
  EXPECT_EQ(copy.Count(), f.Count());
  f.Clear();
  EXPECT_EQ(f.Normals.Count(), 0);
  EXPECT_EQ(f.Colors.Count(), 0);
  EXPECT_EQ(f.Capacity(), 2);
  EXPECT_GT(changes, 20);
}

TEST(UniformArray, MatchesAPlainVectorWhetherOneValueOrMany) {
  TFaceColors colours;
  std::vector<uint32_t> ref;
  std::mt19937 rng(5);
  // Mostly one colour, as walls are, with now and then another.
  auto pick = [&] { return rng() % 8 == 0 ? static_cast<uint32_t>(rng() % 3) : 0xFF0000FFu; };
  auto expectSame = [&](int step) {
    ASSERT_EQ(colours.Count(), static_cast<int>(ref.size())) << step;
    for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(colours[static_cast<int>(i)], ref[i]) << step << " " << i;
  };
  for (int step = 0; step < 4000; ++step) {
    const unsigned r = rng() % 100;
    const int n = static_cast<int>(ref.size());
    const int i = n ? static_cast<int>(rng() % n) : 0;
    if (r < 50) {
      const uint32_t c = pick();
      colours.Add(c);
      ref.push_back(c);
    } else if (r < 60) {
      const uint32_t c = pick();
      const int at = static_cast<int>(rng() % (n + 1));
      colours.Insert(c, at);
      ref.insert(ref.begin() + at, c);
    } else if (r < 75 && n) {
      colours.Delete(i);
      ref.erase(ref.begin() + i);
    } else if (r < 82 && n) {
      const int j = static_cast<int>(rng() % n);
      colours.Exchange(i, j);
      std::swap(ref[i], ref[j]);
    } else if (r < 90 && n) {
      const uint32_t c = pick();
      colours.Put(i, c);
      ref[i] = c;
    } else if (r < 93) {
      const uint32_t c = pick();
      colours.Fill(c);
      std::fill(ref.begin(), ref.end(), c);
    } else if (r < 96) {
      const uint32_t a = (rng() % 256) << 24;
      colours.ForEach([a](uint32_t& c) { c = (c & 0xFFFFFF) | a; });
      for (uint32_t& c : ref) c = (c & 0xFFFFFF) | a;
    } else if (r < 98) {
      const int m = static_cast<int>(rng() % (n + 5));
      colours.SetCount(m);
      ref.resize(static_cast<size_t>(m), 0);
    } else {
      TFaceColors copy, swapped;
      copy.Assign(colours);
      swapped.Swap(copy);
      colours.Clear();
      EXPECT_EQ(colours.Count(), 0);
      colours.Swap(swapped);
    }
    expectSame(step);
  }
  colours.Insert(7, colours.Count() + 1);  // ignored
  colours.Delete(colours.Count());         // ignored
  expectSame(-1);
}

TEST(IndexLists, MatchPlainVectorsThroughAppendsAndDeletes) {
  TNO2DIntArray lists;
  std::vector<std::vector<int32_t>> ref;
  std::mt19937 rng(3);
  for (int step = 0; step < 20000; ++step) {
    const unsigned r = rng() % 100;
    if (r < 20 || ref.empty()) {
      lists.AddList();
      ref.emplace_back();
    } else if (r < 97) {
      const int i = static_cast<int>(rng() % ref.size());
      const auto v = static_cast<int32_t>(rng());
      lists.Append(i, v);
      ref[i].push_back(v);
    } else {
      const int i = static_cast<int>(rng() % ref.size());
      lists.Delete(i);
      ref.erase(ref.begin() + i);
    }
  }
  ASSERT_EQ(lists.Count(), static_cast<int>(ref.size()));
  for (size_t i = 0; i < ref.size(); ++i) {
    ASSERT_EQ(lists.Values(static_cast<int>(i)), ref[i]) << i;
    ASSERT_EQ(lists.ListCount(static_cast<int>(i)), static_cast<int>(ref[i].size()));
  }
  const THugeInteger named = lists.List(7);
  EXPECT_EQ(named.Name, "7");
  EXPECT_EQ(std::vector<int32_t>(named.begin(), named.end()), ref[7]);
}

TEST(VertexArray, DeduplicatesAGridMesh) {
  // A 30 x 20 grid of squares, two triangles each, corners added per face.
  TVertexArray va;
  TFaceList faces;
  const int nx = 30, ny = 20;
  auto corner = [](int x, int y) { return T3DVector{x * 0.1, y * 0.25 - 2, 0.5}; };
  for (int y = 0; y < ny; ++y) {
    for (int x = 0; x < nx; ++x) {
      const T3DVector q[4] = {corner(x, y), corner(x + 1, y), corner(x + 1, y + 1), corner(x, y + 1)};
      for (auto tri : {std::tuple{0, 1, 2}, std::tuple{0, 2, 3}}) {
        const uint32_t colour = 0xFF000000u | static_cast<uint32_t>(faces.Count());
        const TFace f =
            F(va.AddUniqueVertex(q[std::get<0>(tri)], colour), va.AddUniqueVertex(q[std::get<1>(tri)], colour),
              va.AddUniqueVertex(q[std::get<2>(tri)], colour));
        const int fi = faces.Add(f, colour, T3DVector{0, 0, 1});
        for (int v : f.v) va.AddIndex(v, fi);
      }
    }
  }
  ASSERT_EQ(va.Count(), (nx + 1) * (ny + 1));
  EXPECT_EQ(va.Normals.Count(), va.Count());
  EXPECT_EQ(va.Indices.Count(), va.Count());

  // Every corner lists exactly the faces that use it, and keeps the colour
  // of the face that first added it.
  std::map<int, std::vector<int32_t>> users;
  for (int fi = 0; fi < faces.Count(); ++fi)
    for (int v : faces[fi].v) users[v].push_back(fi);
  for (int v = 0; v < va.Count(); ++v) {
    EXPECT_EQ(va.Indices.Values(v), users[v]) << v;
    EXPECT_EQ(va.GetColor(v), 0xFF000000u | static_cast<uint32_t>(users[v].front())) << v;
  }
  EXPECT_EQ(va.BoundsMin.x, 0);
  EXPECT_EQ(va.BoundsMin.y, -2);
  EXPECT_DOUBLE_EQ(va.BoundsMax.x, 3);
  EXPECT_EQ(va.BoundsMax.y, 3);

  TTriInterface tri(faces, va);
  ASSERT_EQ(tri.Count(), 2 * nx * ny);
  const TTriangle3 t = tri.Triangle(1);  // square (0, 0), second half
  EXPECT_EQ(t.p[1].x, corner(1, 1).x);
  EXPECT_EQ(t.p[1].y, corner(1, 1).y);
  EXPECT_EQ(t.p[2].x, corner(0, 1).x);
}

TEST(VertexArray, AppendsDeletesAndClears) {
  TVertexArray va;
  const T3DVector p{1, 2, 3};
  EXPECT_EQ(va.AddVertex(p), 0);
  EXPECT_EQ(va.AddVertex(p), 1);  // appends even when present
  EXPECT_EQ(va.GetColor(1), va.DefaultColor);
  EXPECT_EQ(va.AddUniqueVertex(p, 5), 1);  // latest equal vertex
  EXPECT_EQ(va.AddUnique(T3DVector{4, 5, 6}), 2);
  va.AddIndex(2, 42);
  va.SetColor(2, 9);
  va.Normals.Put(2, T3DVector{0, 0, 1});

  TVertexArray copy;
  copy.Assign(va);
  va.Delete(0);
  ASSERT_EQ(va.Count(), 2);
  EXPECT_EQ(va.IndexOf(T3DVector{4, 5, 6}), 1);
  EXPECT_EQ(va.GetColor(1), 9u);
  EXPECT_EQ(va.Normals[1].z, 1);
  EXPECT_EQ(va.Indices.Values(1), std::vector<int32_t>{42});

  EXPECT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.IndexOf(p), 1);
  EXPECT_EQ(copy.Indices.Values(2), std::vector<int32_t>{42});
  EXPECT_EQ(copy.BoundsMax.z, 6);

  va.Clear();
  EXPECT_EQ(va.Count(), 0);
  EXPECT_EQ(va.Indices.Count(), 0);
  EXPECT_EQ(va.BoundsMin.x, 1.7e308);
  EXPECT_EQ(va.BoundsMax.x, -1.7e308);
  EXPECT_EQ(va.IndexOf(p), -1);

  TFaceList faces;
  faces.Add(F(0, 1, 5), 0, T3DVector{});
  TTriInterface tri(faces, copy);
  EXPECT_THROW(tri.Triangle(0), EHugeArray);
}

}  // namespace
}  // namespace lumora
