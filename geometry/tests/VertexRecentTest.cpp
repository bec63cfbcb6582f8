// The vertex store's memory of recent positions answers exactly as the
// hash table would, whatever else changes the keys in between.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "geometry/MeshArrays.h"

namespace lumora {
namespace {

TEST(VertexRecent, UniqueAddsAnswerAsTheTableDoes) {
  // Positions with twins: equal in single precision but other bytes, and
  // a signed zero, so the reference buckets decide.
  std::vector<T3DVector> pool;
  for (int i = 0; i < 40; ++i) {
    const double x = i * 0.37, y = (i % 7) * 1.1, z = -i * 0.05;
    pool.push_back({x, y, z});
    pool.push_back({x + 1e-12, y, z});
    pool.push_back({x == 0 ? -0.0 : x, y, -0.0 * z});
  }
  std::mt19937 random(11);
  TVertexArray store;
  T3DVectorHash reference;
  auto pick = [&] { return pool[random() % pool.size()]; };
  for (int step = 0; step < 20000; ++step) {
    const unsigned what = random() % 100;
    if (what < 90) {
      const T3DVector p = pick();
      int expected = reference.IndexOf(p);
      if (expected < 0) expected = reference.Add(p);
      ASSERT_EQ(store.AddUniqueVertex(p, 0), expected) << "step " << step;
    } else if (what < 94) {
      const T3DVector p = pick();
      ASSERT_EQ(store.AddVertex(p), reference.Add(p));
    } else if (what < 97 && store.Count() > 0) {
      const int i = static_cast<int>(random() % store.Count());
      store.Delete(i);
      reference.Delete(i);
    } else if (store.Count() > 0) {
      const int i = static_cast<int>(random() % store.Count());
      const T3DVector p = pick();
      store.Put(i, p);
      reference.Put(i, p);
    }
    ASSERT_EQ(store.Count(), reference.Count());
  }
  for (int i = 0; i < store.Count(); ++i) EXPECT_EQ(store[i].x, reference[i].x);
  store.Clear();
  EXPECT_EQ(store.AddUniqueVertex(pool[0], 0), 0) << "a cleared store remembers nothing";
}

}  // namespace
}  // namespace lumora
