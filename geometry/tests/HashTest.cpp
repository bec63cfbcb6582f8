#include "geometry/Hash.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(Fnv, KnownAnswersAndBuckets) {
  EXPECT_EQ(Fnv1a32("", 0), 0x811C9DC5u);
  EXPECT_EQ(Fnv1a32("a", 1), 0xE40C292Cu);
  EXPECT_EQ(Fnv1a32("foobar", 6), 0xBF9CF968u);
  EXPECT_EQ(Fnv1a32("bar", 3, Fnv1a32("foo", 3)), 0xBF9CF968u);
  EXPECT_EQ(FnvBucket(0xE40C292Cu, 11), 169u);
  EXPECT_EQ(FnvBucket(0xBF9CF968u, 11), 759u);
  EXPECT_EQ(FnvBucket(0xFFFFFFFFu, 4), 0u);

  T3DVectorHash h;
  EXPECT_EQ(h.TableBucket(T3DVector{1, 2, 3}), 773u);
  EXPECT_EQ(TVectorHash::Bucket(T3DVector{0, 0, 0}), 0u);
  EXPECT_EQ(TVectorHash::Bucket(T3DVector{-0.0, 0, 0}), 8u);
  EXPECT_EQ(TVectorHash::Bucket(T3DVector{0, 0, -0.0}), 128u);
  EXPECT_EQ(TVectorHash::Bucket(T3DVector{1, 0, 0}), 1852u);
  EXPECT_EQ(TVectorHash::Bucket(T3DVector{1, 2, 3}), 928u);
}

TEST(HashTable, CaseRules) {
  THashTable t;
  EXPECT_TRUE(t.CaseSensitive());
  EXPECT_EQ(t.Bits(), 11);
  t.Add("abc");
  EXPECT_EQ(t.IndexOf("abc"), 0);
  EXPECT_EQ(t.IndexOf("ABC"), -1);
  EXPECT_EQ(t.IndexOf("ab"), -1);
  t.Add("ABC");
  t.SetCaseSensitive(false);  // relinks under the new rule
  EXPECT_EQ(t.IndexOf("aBc"), 1);
  EXPECT_EQ(t.AddUnique("Abc"), -1);
  EXPECT_EQ(t.Count(), 2);
  t.SetCaseSensitive(true);
  EXPECT_EQ(t.IndexOf("abc"), 0);
  EXPECT_EQ(t.IndexOf("Abc"), -1);

  t.SetBits(1);
  EXPECT_EQ(t.Bits(), 4);
  EXPECT_EQ(t.IndexOf("ABC"), 1);
}

TEST(HashTable, DuplicatesAreFoundLatestFirst) {
  THashTable t;
  int objects[4];
  EXPECT_EQ(t.Add("x", &objects[0]), 0);
  EXPECT_EQ(t.Add("y", &objects[1]), 1);
  EXPECT_EQ(t.Add("x", &objects[2]), 2);
  EXPECT_EQ(t.AddUnique("y"), -1);
  EXPECT_EQ(t.AddUnique("z"), 3);
  EXPECT_EQ(t.Count(), 4);
  EXPECT_EQ(t.IndexOf("x"), 2);
  EXPECT_EQ(t.Object(2), &objects[2]);
  t.Delete(2);
  EXPECT_EQ(t.IndexOf("x"), 0);
  EXPECT_EQ(t.IndexOf("z"), 2);
  t.Delete(7);  // out of range: keys unchanged
  EXPECT_EQ(t.Count(), 3);
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.IndexOf("x"), -1);
  EXPECT_EQ(t.Add("x"), 0);
}

TEST(HashTable, LongKeysAreCutAndSortRelinks) {
  THashTable t;
  const std::string longKey(300, 'k');
  t.Add(longKey);
  EXPECT_EQ(t[0].size(), 255u);
  EXPECT_EQ(t.IndexOf(longKey), 0);
  EXPECT_EQ(t.IndexOf(longKey.substr(0, 255)), 0);
  EXPECT_EQ(t.IndexOf(longKey.substr(0, 254)), -1);

  for (const char* k : {"delta", "alpha", "charlie"}) t.Add(k);
  t.Sort();
  EXPECT_EQ(t[0], "alpha");
  EXPECT_EQ(t.IndexOf(longKey), 3);
  t.SetAscending(false);
  t.Sort();
  EXPECT_EQ(t.IndexOf(longKey), 0);
  EXPECT_EQ(t.IndexOf("alpha"), 3);
}

struct Counted {
  static inline int alive = 0;
  int value = 0;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};

TEST(AutoHash, OwnsOneObjectPerKey) {
  {
    int made = 0;
    TAutoHash<Counted> h([&made] {
      auto c = std::make_unique<Counted>();
      c->value = ++made;
      return c;
    });
    EXPECT_EQ(h.Add("b"), 0);
    EXPECT_EQ(h.Add("a"), 1);
    EXPECT_EQ(h.Add("b"), -1);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(Counted::alive, 2);
    h.Add("c");
    h.Object(h.IndexOf("a"))->value = 100;

    h.Sort();  // objects follow their keys
    EXPECT_EQ(h.Key(0), "a");
    EXPECT_EQ(h.Object(0)->value, 100);
    EXPECT_EQ(h.Object(1)->value, 1);
    EXPECT_EQ(h.Object(2)->value, 3);
    EXPECT_EQ(h.Keys().Object(2), h.Object(2));

    h.Delete(0);
    EXPECT_EQ(Counted::alive, 2);
    EXPECT_EQ(h.IndexOf("c"), 1);
    EXPECT_EQ(h.Object(1)->value, 3);
    h.Clear();
    EXPECT_EQ(Counted::alive, 0);
    h.Add("z");
    h.Add("y");
  }
  EXPECT_EQ(Counted::alive, 0);

  TAutoHash<Counted> plain;
  plain.SetCaseSensitive(false);
  EXPECT_EQ(plain.Add("Sta1"), 0);
  EXPECT_EQ(plain.Add("STA1"), -1);
  EXPECT_NE(plain.Object(0), nullptr);
}

// Returns a vector equal to v in single precision but with other bytes,
// whose reference bucket does (or does not) match v's.
T3DVector FloatTwin(const T3DVectorHash& h, const T3DVector& v, bool sameBucket) {
  T3DVector w = v;
  for (int i = 0; i < 100000; ++i) {
    w.x = std::nextafter(w.x, 2.0);
    if (static_cast<float>(w.x) != static_cast<float>(v.x))
      w.x = v.x;
    else if ((h.TableBucket(w) == h.TableBucket(v)) == sameBucket)
      return w;
  }
  ADD_FAILURE() << "no twin found";
  return w;
}

TEST(Vector3DHash, SinglePrecisionEqualityInTheSameBucket) {
  T3DVectorHash h;
  const T3DVector v{1.25, -7.5, 1e6};
  EXPECT_EQ(h.Add(v), 0);
  EXPECT_EQ(h.IndexOf(T3DVector{1.25, -7.5, 1e6}), 0);  // same bytes: always found

  const T3DVector near = FloatTwin(h, v, true), far = FloatTwin(h, v, false);
  EXPECT_NE(std::memcmp(&near, &v, sizeof v), 0);
  EXPECT_EQ(h.IndexOf(near), 0);
  EXPECT_EQ(h.IndexOf(far), -1);  // equal, but the reference table looks elsewhere
  EXPECT_EQ(h.IndexOf(T3DVector{1.25, -7.5, 1e6 + 1}), -1);

  // Found after relinking under other bits exactly when the buckets agree.
  for (int bits = 4; bits <= 16; ++bits) {
    h.SetBits(bits);
    EXPECT_EQ(h.IndexOf(far), h.TableBucket(far) == h.TableBucket(v) ? 0 : -1) << bits;
  }
}

TEST(VectorHash, DistanceZeroWithinItsOwnBuckets) {
  TVectorHash h;
  h.Add(T3DVector{0, 0, 0});
  h.Add(T3DVector{1, 2, 3});
  EXPECT_EQ(h.IndexOf(T3DVector{1, 2, 3}), 1);
  EXPECT_EQ(h.IndexOf(T3DVector{1, 2, std::nextafter(3.0, 4.0)}), -1);
  EXPECT_EQ(h.IndexOf(T3DVector{-0.0, 0, 0}), -1);  // equal, but buckets 8 and 0
  h.Add(T3DVector{-0.0, 0, 0});
  EXPECT_EQ(h.IndexOf(T3DVector{-0.0, 0, 0}), 2);
  EXPECT_EQ(h.IndexOf(T3DVector{0, 0, 0}), 0);
  EXPECT_EQ(h.AddUnique(T3DVector{1, 2, 3}), -1);
  const double inf = INFINITY;
  h.Add(T3DVector{inf, 0, 0});
  EXPECT_EQ(h.IndexOf(T3DVector{inf, 0, 0}), -1);  // inf - inf is not a distance of 0
}

// ---- Equivalence with a direct chained table ----
// The model keeps keys in a plain vector and stamps each key when it is
// linked; IndexOf scans every key for the latest-linked equal one in the
// query's bucket of the fixed-size table.
template <class Key>
struct DirectTable {
  std::function<bool(const Key&, const Key&)> equal;
  std::function<uint32_t(const Key&)> bucket;
  std::vector<Key> keys;
  std::vector<uint64_t> stamp;
  uint64_t clock = 0;

  int IndexOf(const Key& q) const {
    int best = -1;
    const uint32_t b = bucket(q);
    for (size_t i = 0; i < keys.size(); ++i)
      if (bucket(keys[i]) == b && equal(keys[i], q) && (best < 0 || stamp[i] > stamp[best])) best = static_cast<int>(i);
    return best;
  }
  int Add(const Key& k) {
    keys.push_back(k);
    stamp.push_back(++clock);
    return static_cast<int>(keys.size()) - 1;
  }
  void Relink() {
    for (auto& s : stamp) s = ++clock;
  }
  void Delete(int i) {
    keys.erase(keys.begin() + i);
    stamp.erase(stamp.begin() + i);
    Relink();
  }
  void Put(int i, const Key& v) {
    if (IndexOf(v) >= 0) return;
    keys[i] = v;
    stamp[i] = ++clock;
  }
};

// Drives a table and the model with the same random operations and
// compares every answer.
template <class Table, class Key>
void CompareWithDirect(Table& table, DirectTable<Key>& model, int ops, unsigned seed,
                       const std::function<Key(std::mt19937&)>& randomKey,
                       const std::function<void(Table&, DirectTable<Key>&, std::mt19937&)>& extra = nullptr) {
  std::mt19937 rng(seed);
  for (int op = 0; op < ops; ++op) {
    const int r = static_cast<int>(rng() % 100);
    const Key k = randomKey(rng);
    if (r < 55) {
      ASSERT_EQ(table.Add(k), model.Add(k));
    } else if (r < 75) {
      const int expect = model.IndexOf(k) >= 0 ? -1 : static_cast<int>(model.keys.size());
      ASSERT_EQ(table.AddUnique(k), expect);
      if (expect >= 0) model.Add(k);
    } else if (r < 77 && !model.keys.empty()) {
      const int i = static_cast<int>(rng() % model.keys.size());
      table.Delete(i);
      model.Delete(i);
    } else if (r < 78) {
      table.Rehash();
      model.Relink();
    } else if (extra) {
      extra(table, model, rng);
    }
    ASSERT_EQ(table.Count(), static_cast<int>(model.keys.size()));
    for (int q = 0; q < 2; ++q) {
      const Key probe = (q == 0 || model.keys.empty()) ? randomKey(rng) : model.keys[rng() % model.keys.size()];
      ASSERT_EQ(table.IndexOf(probe), model.IndexOf(probe)) << "operation " << op;
    }
  }
}

bool FoldEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string FoldLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(HashEquivalence, StringsMatchALinearScan) {
  for (bool caseSensitive : {true, false}) {
    for (int size : {300, 5000}) {
      THashTable table;
      table.SetCaseSensitive(caseSensitive);
      DirectTable<std::string> model;
      model.equal = [caseSensitive](const std::string& a, const std::string& b) {
        return caseSensitive ? a == b : FoldEqual(a, b);
      };
      model.bucket = [caseSensitive](const std::string& k) {
        const std::string bytes = caseSensitive ? k : FoldLower(k);
        return FnvBucket(Fnv1a32(bytes.data(), bytes.size()), 11);
      };
      const int alphabet = size < 1000 ? 4 : 10;
      auto key = [alphabet](std::mt19937& rng) {
        std::string s(1 + rng() % 4, ' ');
        for (char& c : s) c = "aAbBcCdDeE"[rng() % alphabet];
        return s;
      };
      auto sort = [](THashTable& t, DirectTable<std::string>& m, std::mt19937& rng) {
        if (rng() % 40) return;
        t.Sort();  // order checked elsewhere; the relinking is checked here
        m.keys.assign(t.Keys().begin(), t.Keys().end());
        m.Relink();
      };
      CompareWithDirect<THashTable, std::string>(table, model, size, 17u + size, key, sort);
    }
  }
}

TEST(HashEquivalence, IntegersMatchALinearScan) {
  TIntegerHashTable table;
  DirectTable<int32_t> model;
  model.equal = [](int32_t a, int32_t b) { return a == b; };
  model.bucket = [](int32_t k) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k >> 16),
                              static_cast<uint8_t>(k >> 24)};
    return FnvBucket(Fnv1a32(bytes, 4), 11);
  };
  auto key = [](std::mt19937& rng) { return static_cast<int32_t>(rng() % 4001) - 2000; };
  CompareWithDirect<TIntegerHashTable, int32_t>(table, model, 6000, 5, key);
}

// Components drawn from a few values and their single-precision twins, so
// equal keys with different bytes are common.
double NearValue(std::mt19937& rng) {
  static const double base[] = {0.0, -0.0, 1.0, -2.5, 1e-3, 12345.678, 1e-200, -1e-200, 1e-170};
  double v = base[rng() % 9];
  if (rng() % 3 == 0) v = std::nextafter(v, 1e300);
  return v;
}

TEST(HashEquivalence, SinglePrecisionVectorsMatchALinearScan) {
  for (int bits : {4, 11}) {
    T3DVectorHash table;
    table.SetBits(bits);
    DirectTable<T3DVector> model;
    model.equal = [](const T3DVector& a, const T3DVector& b) {
      return static_cast<float>(a.x) == static_cast<float>(b.x) && static_cast<float>(a.y) == static_cast<float>(b.y) &&
             static_cast<float>(a.z) == static_cast<float>(b.z);
    };
    model.bucket = [bits](const T3DVector& v) {
      const double c[3] = {v.x, v.y, v.z};
      return FnvBucket(Fnv1a32(c, sizeof c), bits);
    };
    auto key = [](std::mt19937& rng) { return T3DVector{NearValue(rng), NearValue(rng), NearValue(rng)}; };
    auto put = [&key](T3DVectorHash& t, DirectTable<T3DVector>& m, std::mt19937& rng) {
      if (m.keys.empty()) return;
      const int i = static_cast<int>(rng() % m.keys.size());
      const T3DVector v = key(rng);
      t.Put(i, v);
      m.Put(i, v);
    };
    CompareWithDirect<T3DVectorHash, T3DVector>(table, model, 5000, 23u + bits, key, put);
  }
}

TEST(HashEquivalence, DistanceVectorsMatchALinearScan) {
  TVectorHash table;
  DirectTable<T3DVector> model;
  model.equal = [](const T3DVector& a, const T3DVector& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz) == 0;
  };
  model.bucket = [](const T3DVector& v) { return TVectorHash::Bucket(v); };
  auto key = [](std::mt19937& rng) { return T3DVector{NearValue(rng), NearValue(rng), NearValue(rng)}; };
  CompareWithDirect<TVectorHash, T3DVector>(table, model, 5000, 31, key);
}

TEST(HashScaling, ChainsGrowWithTheKeys) {
  // An odd multiplier spreads the keys over all 32 bits without repeats.
  auto key = [](int i) { return static_cast<int32_t>(static_cast<uint32_t>(i) * 2654435761u); };
  TIntegerHashTable t;
  const int n = 300000;
  for (int i = 0; i < n; ++i) t.Add(key(i));
  EXPECT_GE(t.ChainCount(), n / 2);
  EXPECT_EQ(t.Bits(), 11);
  for (int i = 0; i < n; i += 997) ASSERT_EQ(t.IndexOf(key(i)), i);
  EXPECT_EQ(t.IndexOf(key(n)), -1);
  t.Clear();
  EXPECT_LE(t.ChainCount(), 2048);
}

}  // namespace
}  // namespace lumora
