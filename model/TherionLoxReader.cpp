#include "model/TherionLoxReader.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "geometry/IndexTable.h"

namespace lumora {
namespace {

enum TChunkType : uint32_t { ctSurvey = 1, ctStation, ctShot, ctScrap, ctSurface, ctBitmap };
constexpr uint64_t kRecordSize[7] = {0, 24, 52, 92, 32, 68, 64};
constexpr const char* kChunkName[7] = {"", "survey", "station", "shot", "scrap", "surface", "surface bitmap"};

constexpr uint32_t kShotSurface = 1, kShotDuplicate = 2, kShotHidden = 4, kShotOldSplay = 8, kShotSplay = 16;
constexpr uint32_t kLoxSurface = 1, kLoxEntrance = 2, kLoxFixed = 4, kLoxContinuation = 8;

class ELoxRead : public std::runtime_error {
  using runtime_error::runtime_error;
};

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

struct TChunk {
  uint32_t Type = 0, Count = 0;
  uint64_t Records = 0;             // offset of the first record
  uint64_t Blob = 0, BlobSize = 0;  // offset and size of the data blob
  uint64_t Record(uint32_t i) const { return Records + i * kRecordSize[Type]; }
};

// A blob part, by its offset in the file.
struct TRef {
  uint64_t At = 0;
  uint32_t Size = 0;
};

// The file's chunks and checked reads of their fields.
class TLoxFile {
 public:
  TLoxFile(std::string_view data, const std::string& fileName) : data_(data), file_(fileName) {}

  [[noreturn]] void Fail(const std::string& what, uint64_t offset) const {
    throw ELoxRead(file_ + " " + what + " (at byte " + std::to_string(offset) + ")");
  }

  void ReadChunks() {
    const uint64_t size = data_.size();
    if (size == 0) Fail("is empty", 0);
    bool stations = false;
    for (uint64_t o = 0; o < size;) {
      if (size - o < 16) Fail("ends inside a chunk header", o);
      TChunk c;
      c.Type = U32(o);
      if (c.Type < ctSurvey || c.Type > ctBitmap) Fail("holds the unknown chunk type " + std::to_string(c.Type), o);
      const uint64_t recBytes = U32(o + 4), blob = U32(o + 12);
      c.Count = U32(o + 8);
      if (recBytes != c.Count * kRecordSize[c.Type])
        Fail("gives " + std::to_string(recBytes) + " bytes for " + std::to_string(c.Count) + " " + kChunkName[c.Type] +
                 " records",
             o + 4);
      if (o + 16 + recBytes + blob > size)
        Fail("has a " + std::string(kChunkName[c.Type]) + " chunk cut short", o + 12);
      c.Records = o + 16;
      c.Blob = c.Records + recBytes;
      c.BlobSize = blob;
      stations |= c.Type == ctStation;
      chunks_.push_back(c);
      o = c.Blob + blob;
    }
    if (!stations) Fail("holds no stations", size);
  }

  const std::vector<TChunk>& Chunks() const { return chunks_; }

  uint32_t U32(uint64_t at) const {
    const auto* p = reinterpret_cast<const unsigned char*>(data_.data() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  double F64(uint64_t at) const {
    return std::bit_cast<double>(static_cast<uint64_t>(U32(at)) | static_cast<uint64_t>(U32(at + 4)) << 32);
  }
  double Finite(uint64_t at) const {
    const double v = F64(at);
    if (!std::isfinite(v)) Fail("holds a number that is not finite", at);
    return v;
  }
  TRef Ref(const TChunk& c, uint64_t field) const {
    const uint64_t pos = U32(field), size = U32(field + 4);
    if (pos + size > c.BlobSize)
      Fail("points past the data of its " + std::string(kChunkName[c.Type]) + " chunk", field);
    return {c.Blob + pos, static_cast<uint32_t>(size)};
  }
  std::string_view String(const TChunk& c, uint64_t field) const {
    const TRef r = Ref(c, field);
    if (r.Size == 0) return {};
    if (data_[r.At + r.Size - 1] != '\0') Fail("holds a string without its closing NUL", field);
    const std::string_view s = data_.substr(r.At, r.Size - 1);
    return s.substr(0, s.find('\0'));
  }
  std::string_view Bytes(const TRef& r) const { return data_.substr(r.At, r.Size); }

 private:
  std::string_view data_;
  std::string file_;
  std::vector<TChunk> chunks_;
};

struct TSurvey {
  uint32_t Id = 0, ParentId = 0;
  uint64_t At = 0;
  int32_t Parent = -1, Top = -1;
  std::string_view Name, Title;
  std::string Full;
  int32_t ModelSurvey = -1;
};

struct TStation {
  int32_t Survey = 0;
  uint32_t Flags = 0;
  std::string_view Name, Comment;
  T3DVector At;  // metres
  TNameId NameId = TStationNames::kUnnamed;
  bool Reached = false;
};

struct TShot {
  int32_t From = 0, To = 0, Survey = 0;
  uint32_t Flags = 0, Section = 0;
  uint64_t At = 0;
};

class TLoxLoader {
 public:
  TLoxLoader(TPlotModel& model, std::string_view data, const std::string& fileName, const TPlotProgress& progress)
      : model_(model), in_(data, fileName), progress_(progress) {}

  void Run() {
    in_.ReadChunks();
    ReadSurveys();
    ReadStations();
    ReadShots();
    AddRecords();
    ReadScraps();
    ReadSurfaces();
    ReadBitmaps();
  }

  const std::string& Warnings() const { return warnings_; }

 private:
  void Warn(const std::string& text) { warnings_ += (warnings_.empty() ? "" : "; ") + text; }

  template <class F>
  void EachRecord(uint32_t type, F&& f) {
    for (const TChunk& c : in_.Chunks())
      if (c.Type == type)
        for (uint32_t i = 0; i < c.Count; ++i) f(c, c.Record(i));
  }

  int32_t Find(const TIndexTable& table, const std::vector<uint32_t>& ids, uint32_t id) const {
    return table.Find(Mix(id), [&](int32_t i) { return ids[i] == id; });
  }

  // The index of the record whose id stands at `field`; refused when none has it.
  int32_t Known(const TIndexTable& table, const std::vector<uint32_t>& ids, uint64_t field, const char* kind) const {
    const uint32_t id = in_.U32(field);
    const int32_t s = Find(table, ids, id);
    if (s < 0) in_.Fail(std::string("names the unknown ") + kind + " " + std::to_string(id), field);
    return s;
  }

  int32_t SurveyOf(uint64_t field) const { return Known(surveyTable_, surveyIds_, field, "survey"); }

  void ReadSurveys() {
    EachRecord(ctSurvey, [&](const TChunk& c, uint64_t r) {
      TSurvey s;
      s.Id = in_.U32(r);
      s.At = r;
      s.Name = in_.String(c, r + 4);
      s.ParentId = in_.U32(r + 12);
      s.Title = in_.String(c, r + 16);
      const auto index = static_cast<int32_t>(surveys_.size());
      if (!surveyTable_.Insert(Mix(s.Id), index, [&](int32_t i) { return surveyIds_[i] == s.Id; }).second)
        in_.Fail("holds the survey id " + std::to_string(s.Id) + " twice", r);
      surveyIds_.push_back(s.Id);
      surveys_.push_back(s);
    });
    const auto n = static_cast<int32_t>(surveys_.size());
    for (TSurvey& s : surveys_) {
      s.Parent = Find(surveyTable_, surveyIds_, s.ParentId);
      if (s.Parent < 0) in_.Fail("names the unknown parent survey " + std::to_string(s.ParentId), s.At + 12);
    }
    // Every chain of parents must reach a root, a survey that is its own parent.
    std::vector<uint8_t> state(n, 0);  // 1 on the chain being walked, 2 reaches a root
    std::vector<int32_t> chain;
    for (int32_t i = 0; i < n; ++i) {
      chain.clear();
      int32_t j = i;
      bool root = false;
      while (state[j] == 0) {
        state[j] = 1;
        chain.push_back(j);
        if (surveys_[j].Parent == j) {
          root = true;
          break;
        }
        j = surveys_[j].Parent;
      }
      if (!root && state[j] == 1) in_.Fail("has a survey whose parents never reach a root", surveys_[i].At + 12);
      for (const int32_t k : chain) state[k] = 2;
    }
    // Tree order: each root's surveys depth first, children in file order.
    std::vector<int32_t> childStart(n + 1, 0), children(n);
    for (const TSurvey& s : surveys_)
      if (s.Parent != &s - surveys_.data()) ++childStart[s.Parent + 1];
    for (int32_t i = 0; i < n; ++i) childStart[i + 1] += childStart[i];
    std::vector<int32_t> fill(childStart.begin(), childStart.end() - 1);
    for (int32_t i = 0; i < n; ++i)
      if (surveys_[i].Parent != i) children[fill[surveys_[i].Parent]++] = i;
    std::vector<int32_t> stack;
    for (int32_t root = n - 1; root >= 0; --root)
      if (surveys_[root].Parent == root) stack.push_back(root);
    order_.reserve(n);
    while (!stack.empty()) {
      const int32_t i = stack.back();
      stack.pop_back();
      order_.push_back(i);
      TSurvey& s = surveys_[i];
      const bool root = s.Parent == i;
      const TSurvey* parent = root ? nullptr : &surveys_[s.Parent];
      if (!parent || parent->Full.empty())
        s.Full = s.Name;
      else
        s.Full = s.Name.empty() ? parent->Full : parent->Full + "." + std::string(s.Name);
      s.Top = !parent || parent->Full.empty() ? i : parent->Top;
      for (int32_t k = childStart[i + 1] - 1; k >= childStart[i]; --k) stack.push_back(children[k]);
    }
    rank_.assign(n, 0);
    for (int32_t k = 0; k < n; ++k) rank_[order_[k]] = k;
  }

  void ReadStations() {
    TIndexTable table;
    std::vector<uint32_t> ids;
    EachRecord(ctStation, [&](const TChunk& c, uint64_t r) {
      const uint32_t id = in_.U32(r);
      const auto index = static_cast<int32_t>(stations_.size());
      if (!table.Insert(Mix(id), index, [&](int32_t i) { return ids[i] == id; }).second)
        in_.Fail("holds the station id " + std::to_string(id) + " twice", r);
      ids.push_back(id);
      TStation s;
      s.Survey = SurveyOf(r + 4);
      s.Name = in_.String(c, r + 8);
      s.Comment = in_.String(c, r + 16);
      s.Flags = in_.U32(r + 24);
      s.At = {in_.Finite(r + 28), in_.Finite(r + 36), in_.Finite(r + 44)};
      stations_.push_back(s);
    });
    stationTable_ = std::move(table);
    stationIds_ = std::move(ids);
  }

  int32_t StationOf(uint64_t field) const { return Known(stationTable_, stationIds_, field, "station"); }

  void ReadShots() {
    bool oldSplay = false, newFlags = false;
    EachRecord(ctShot, [&](const TChunk&, uint64_t r) {
      TShot s;
      s.From = StationOf(r);
      s.To = StationOf(r + 4);
      s.Flags = in_.U32(r + 72);
      s.Section = in_.U32(r + 76);
      s.Survey = SurveyOf(r + 80);
      s.At = r;
      oldSplay |= (s.Flags & kShotOldSplay) != 0;
      newFlags |= (s.Flags & (kShotHidden | kShotSplay)) != 0;
      shots_.push_back(s);
    });
    // Before Therion 5.5.4 the splay flag was 8; a file with 8 and none of
    // the later flags is most likely that old.
    splayMask_ = kShotSplay | (oldSplay && !newFlags ? kShotOldSplay : 0);
  }

  TNameId NameOf(TStation& s) {
    if (s.NameId != TStationNames::kUnnamed || s.Name.empty() || s.Name == "-" || s.Name == ".") return s.NameId;
    const std::string& survey = surveys_[s.Survey].Full;
    name_.assign(survey);
    if (!survey.empty()) name_ += '.';
    name_ += s.Name;
    s.NameId = model_.Names.Add(name_);
    return s.NameId;
  }

  static float Dimension(double metres) {
    return std::isfinite(metres) && metres > 0 ? static_cast<float>(metres * FeetPerMetre()) : 0.0f;
  }

  void SetDimensions(TPlotVector& r, uint64_t at) {
    r.Left = Dimension(in_.F64(at));
    r.Right = Dimension(in_.F64(at + 8));
    r.Up = Dimension(in_.F64(at + 16));
    r.Down = Dimension(in_.F64(at + 24));
    model_.PlotInfo.AddExtent(r.Position.z + r.Up, r.Position.z - r.Down);
  }

  void Add(char code, int32_t station, std::string_view flags) {
    TStation& s = stations_[station];
    TPlotVector r;
    r.Code = code;
    const double f = FeetPerMetre();
    r.Position = {s.At.x * f, s.At.y * f, s.At.z * f};
    r.NameId = NameOf(s);
    r.Comment = s.Comment;
    r.Flags = flags;
    r.ShotIndex = shotCount_;
    if (code == 'M')
      model_.LineStarts.Add(model_.Plots.Count());
    else
      ++shotCount_;
    model_.Plots.Add(std::move(r));
    last_ = station;
    if (progress_ && model_.Plots.Count() % 65536 == 0) progress_(model_.Surveys.Count(), model_.Plots.Count());
  }

  bool SamePlace(int32_t a, int32_t b) const {
    const T3DVector &p = stations_[a].At, &q = stations_[b].At;
    return p.x == q.x && p.y == q.y && p.z == q.z;
  }

  void AddShot(const TShot& shot) {
    const bool splay = shot.Flags & splayMask_, surface = shot.Flags & kShotSurface;
    const bool dims = shot.Section != 0 && !splay && !surface;
    if (last_ < 0 || !SamePlace(last_, shot.From)) {
      Add('M', shot.From, "");
      if (dims) SetDimensions(model_.Plots[model_.Plots.Count() - 1], shot.At + 8);
    } else if (dims) {
      TPlotVector& before = model_.Plots[model_.Plots.Count() - 1];
      if (before.Left == 0 && before.Right == 0 && before.Up == 0 && before.Down == 0)
        SetDimensions(before, shot.At + 8);
    }
    const bool duplicate = shot.Flags & kShotDuplicate;
    Add(surface ? 'd' : 'D', shot.To, splay ? (duplicate ? "SL" : "S") : (duplicate ? "L" : ""));
    if (dims) SetDimensions(model_.Plots[model_.Plots.Count() - 1], shot.At + 40);
  }

  // Shots and the stations they leave alone, grouped by survey in tree order.
  void AddRecords() {
    const size_t n = surveys_.size();
    std::vector<int32_t> shotStart(n + 1, 0), byRank(shots_.size());
    for (const TShot& s : shots_) {
      if (s.Flags & kShotHidden) continue;
      ++shotStart[rank_[s.Survey] + 1];
      stations_[s.From].Reached = stations_[s.To].Reached = true;
    }
    std::vector<int32_t> loneStart(n + 1, 0), lone;
    for (TStation& s : stations_) {
      // A splay end that no shot reaches is nothing to show.
      s.Reached |= s.Name.empty() || s.Name == "-" || s.Name == ".";
      if (!s.Reached) ++loneStart[rank_[s.Survey] + 1];
    }
    for (size_t i = 0; i < n; ++i) {
      shotStart[i + 1] += shotStart[i];
      loneStart[i + 1] += loneStart[i];
    }
    lone.resize(loneStart[n]);
    {
      std::vector<int32_t> fill(shotStart.begin(), shotStart.end() - 1);
      for (size_t i = 0; i < shots_.size(); ++i)
        if (!(shots_[i].Flags & kShotHidden)) byRank[fill[rank_[shots_[i].Survey]]++] = static_cast<int32_t>(i);
      fill.assign(loneStart.begin(), loneStart.end() - 1);
      for (size_t i = 0; i < stations_.size(); ++i)
        if (!stations_[i].Reached) lone[fill[rank_[stations_[i].Survey]]++] = static_cast<int32_t>(i);
    }
    const size_t records = 2 * static_cast<size_t>(shotStart[n]) + lone.size();
    if (records > INT32_MAX / 2) throw std::bad_alloc();
    if (static_cast<int>(records) > model_.Plots.Capacity()) model_.Plots.SetCapacity(static_cast<int>(records) + 16);
    int32_t section = -1;
    for (size_t k = 0; k < n; ++k) {
      if (shotStart[k] == shotStart[k + 1] && loneStart[k] == loneStart[k + 1]) continue;
      const int32_t index = order_[k];
      TSurvey& s = surveys_[index];
      if (s.Top != section) {
        section = s.Top;
        const std::string_view name = surveys_[section].Name;
        model_.Sections.Add(TSectionRec{name.empty() ? std::string_view("(None)") : name, model_.Surveys.Count()});
      }
      TSurveyID survey;
      survey.Name = s.Name;
      survey.Comment = s.Full;
      survey.SurveyDate = survey.DiscoveryDate = kNoDate;
      survey.FirstPlot = model_.Plots.Count();
      survey.FirstLine = model_.LineStarts.Count();
      last_ = -1;
      for (int32_t i = shotStart[k]; i < shotStart[k + 1]; ++i) AddShot(shots_[byRank[i]]);
      for (int32_t i = loneStart[k]; i < loneStart[k + 1]; ++i) Add('M', lone[i], "");
      survey.Min = {9.9e99, 9.9e99, 9.9e99};
      survey.Max = {-9.9e99, -9.9e99, -9.9e99};
      for (int i = survey.FirstPlot; i < model_.Plots.Count(); ++i) {
        const T3DVector& p = model_.Plots[i].Position;
        survey.Min = MinVector(survey.Min, p);
        survey.Max = MaxVector(survey.Max, p);
      }
      model_.PlotInfo.Min = MinVector(model_.PlotInfo.Min, survey.Min);
      model_.PlotInfo.Max = MaxVector(model_.PlotInfo.Max, survey.Max);
      s.ModelSurvey = model_.Surveys.Count();
      model_.Surveys.Add(survey);
    }
    EquateStationsAtPlaces();
    for (const int32_t i : order_)
      if (model_.PlotInfo.Title.empty()) model_.PlotInfo.Title = surveys_[i].Title;
    for (const int32_t i : order_)
      if (model_.PlotInfo.Title.empty()) model_.PlotInfo.Title = surveys_[i].Name;
  }

  static uint8_t ModelFlags(uint32_t lox) {
    return static_cast<uint8_t>(((lox & kLoxSurface) ? TPlotModel::kStationSurface : 0) |
                                ((lox & kLoxEntrance) ? TPlotModel::kStationEntrance : 0) |
                                ((lox & kLoxFixed) ? TPlotModel::kStationFixed : 0) |
                                ((lox & kLoxContinuation) ? TPlotModel::kStationContinuation : 0));
  }

  // Therion equates stations by giving them one position and no shot.
  void EquateStationsAtPlaces() {
    TIndexTable places;
    places.Reserve(stations_.size());
    std::vector<uint8_t>& flags = model_.StationFlags;
    for (size_t i = 0; i < stations_.size(); ++i) {
      const TStation& s = stations_[i];
      if (s.NameId == TStationNames::kUnnamed) continue;
      if (const uint8_t f = ModelFlags(s.Flags)) {
        if (flags.size() <= s.NameId) flags.resize(model_.Names.Count(), 0);
        flags[s.NameId] |= f;
      }
      const uint64_t h = Mix(std::bit_cast<uint64_t>(s.At.x) ^
                             Mix(std::bit_cast<uint64_t>(s.At.y) ^ Mix(std::bit_cast<uint64_t>(s.At.z))));
      const auto [slot, added] =
          places.Insert(h, static_cast<int32_t>(i), [&](int32_t j) { return SamePlace(j, static_cast<int32_t>(i)); });
      if (!added) model_.Names.Equate(stations_[*slot].NameId, s.NameId);
    }
  }

  void ReadScrap(const TChunk& c, uint64_t r, TScrapMesh& mesh, TMeshOrienter& orienter) const {
    const double f = FeetPerMetre();
    const TSurvey& survey = surveys_[SurveyOf(r + 4)];
    mesh.Survey = survey.ModelSurvey;
    mesh.SurveyName = survey.Full;
    const uint64_t p = in_.U32(r + 8), t = in_.U32(r + 20);
    const TRef points = in_.Ref(c, r + 12), tris = in_.Ref(c, r + 24);
    if (points.Size != 24 * p)
      in_.Fail("gives " + std::to_string(points.Size) + " bytes for " + std::to_string(p) + " scrap points", r + 12);
    if (tris.Size != 12 * t)
      in_.Fail("gives " + std::to_string(tris.Size) + " bytes for " + std::to_string(t) + " scrap triangles", r + 24);
    mesh.Points.resize(p);
    for (uint64_t i = 0; i < p; ++i) {
      const uint64_t at = points.At + 24 * i;
      mesh.Points[i] = {in_.Finite(at) * f, in_.Finite(at + 8) * f, in_.Finite(at + 16) * f};
    }
    mesh.Triangles.resize(t);
    for (uint64_t i = 0; i < t; ++i)
      for (uint64_t k = 0; k < 3; ++k) {
        const uint64_t at = tris.At + 12 * i + 4 * k;
        const uint32_t v = in_.U32(at);
        if (v >= p) in_.Fail("holds a triangle corner past the scrap's " + std::to_string(p) + " points", at);
        mesh.Triangles[i][k] = v;
      }
    orienter.Orient(mesh);
  }

  // Scraps are independent: they are read on every core, in runs taken in
  // file order, so the first failure in the file is the one reported.
  void ReadScraps() {
    std::vector<std::pair<const TChunk*, uint64_t>> records;
    EachRecord(ctScrap, [&](const TChunk& c, uint64_t r) { records.emplace_back(&c, r); });
    if (records.empty()) return;
    std::vector<TScrapMesh> meshes(records.size());
    constexpr size_t kRun = 256;
    const size_t runs = (records.size() + kRun - 1) / kRun;
    const size_t workers = std::max<size_t>(1, std::min<size_t>({std::thread::hardware_concurrency(), 16, runs}));
    std::vector<std::exception_ptr> failures(workers);
    std::vector<size_t> failedAt(workers, SIZE_MAX);
    std::atomic<size_t> next{0};
    auto run = [&](size_t w, size_t begin, TMeshOrienter& orienter) {
      for (size_t i = begin; i < std::min(records.size(), begin + kRun); ++i) {
        try {
          ReadScrap(*records[i].first, records[i].second, meshes[i], orienter);
        } catch (...) {
          failures[w] = std::current_exception();
          failedAt[w] = i;
          return false;
        }
      }
      return true;
    };
    auto work = [&](size_t w) {
      TMeshOrienter orienter;
      for (size_t begin; (begin = next.fetch_add(kRun)) < records.size();)
        if (!run(w, begin, orienter)) return;
    };
    std::vector<std::thread> threads;
    for (size_t w = 1; w < workers; ++w) {
      try {
        threads.emplace_back(work, w);
      } catch (const std::system_error&) {
        break;  // the threads there are take every run
      }
    }
    work(0);
    for (std::thread& t : threads) t.join();
    const auto first = std::min_element(failedAt.begin(), failedAt.end());
    if (first != failedAt.end() && *first != SIZE_MAX) std::rethrow_exception(failures[first - failedAt.begin()]);
    // A hull of one point is all degenerate triangles: no wall to draw.
    for (TScrapMesh& mesh : meshes)
      if (!mesh.Triangles.empty()) model_.Meshes.Scraps.push_back(std::move(mesh));
  }

  void ReadSurfaces() {
    const double f = FeetPerMetre();
    EachRecord(ctSurface, [&](const TChunk& c, uint64_t r) {
      const uint32_t id = in_.U32(r);
      TSurfaceGrid grid;
      grid.Width = in_.U32(r + 4);
      grid.Height = in_.U32(r + 8);
      const uint64_t nodes = static_cast<uint64_t>(grid.Width) * grid.Height;
      const TRef heights = in_.Ref(c, r + 12);
      if (heights.Size != 8 * nodes)
        in_.Fail("gives " + std::to_string(heights.Size) + " bytes for a grid of " + std::to_string(grid.Width) +
                     " by " + std::to_string(grid.Height) + " heights",
                 r + 12);
      double m[6];
      for (int k = 0; k < 6; ++k) m[k] = in_.Finite(r + 20 + 8 * k);
      grid.Nodes.resize(nodes);
      for (uint32_t j = 0; j < grid.Height; ++j)
        for (uint32_t i = 0; i < grid.Width; ++i) {
          const uint64_t n = static_cast<uint64_t>(j) * grid.Width + i;
          grid.Nodes[n] = {(m[0] + m[2] * i + m[3] * j) * f, (m[1] + m[4] * i + m[5] * j) * f,
                           in_.Finite(heights.At + 8 * n) * f};
        }
      if (grid.Width < 2 || grid.Height < 2)
        Warn("surface " + std::to_string(id) + " has a grid of " + std::to_string(grid.Width) + " by " +
             std::to_string(grid.Height) + " nodes, too few to draw");
      surfaceIds_.push_back(id);
      model_.Meshes.Surfaces.push_back(std::move(grid));
    });
  }

  void ReadBitmaps() {
    const double f = FeetPerMetre();
    EachRecord(ctBitmap, [&](const TChunk& c, uint64_t r) {
      const uint32_t id = in_.U32(r);
      const TRef image = in_.Ref(c, r + 8);
      double b[6];
      for (int k = 0; k < 6; ++k) b[k] = in_.Finite(r + 16 + 8 * k);
      const auto it = std::find(surfaceIds_.begin(), surfaceIds_.end(), id);
      if (it == surfaceIds_.end()) {
        Warn("a map image names the unknown surface " + std::to_string(id));
        return;
      }
      TSurfaceGrid& grid = model_.Meshes.Surfaces[it - surfaceIds_.begin()];
      const std::string_view bytes = in_.Bytes(image);
      const TImageKind kind = ImageKindOf(bytes);
      const double det = b[2] * b[5] - b[3] * b[4];
      if (kind == TImageKind::None || det == 0 || !std::isfinite(1 / det)) {
        Warn("the map image of surface " + std::to_string(id) +
             (kind == TImageKind::None ? " is neither JPEG nor PNG" : " has no usable calibration"));
        return;
      }
      grid.Image = bytes;
      grid.Kind = kind;
      grid.Pixels.resize(grid.Nodes.size());
      for (size_t n = 0; n < grid.Nodes.size(); ++n) {
        const double x = grid.Nodes[n].x / f - b[0], y = grid.Nodes[n].y / f - b[1];
        grid.Pixels[n] = {static_cast<float>((b[5] * x - b[3] * y) / det),
                          static_cast<float>((b[2] * y - b[4] * x) / det)};
      }
    });
  }

  TPlotModel& model_;
  TLoxFile in_;
  const TPlotProgress& progress_;
  std::vector<TSurvey> surveys_;
  std::vector<uint32_t> surveyIds_, stationIds_, surfaceIds_;
  TIndexTable surveyTable_, stationTable_;
  std::vector<int32_t> order_, rank_;  // surveys in tree order, and each one's place in it
  std::vector<TStation> stations_;
  std::vector<TShot> shots_;
  uint32_t splayMask_ = kShotSplay;
  int32_t last_ = -1;  // the station of the last record of the current survey
  int shotCount_ = 0;
  std::string warnings_;
  std::string name_;  // scratch for station names
};

TPlotLoadResult Fail(std::string message, const TMessageProc& warn) {
  if (warn) warn(message);
  return {false, std::move(message), {}};
}

}  // namespace

bool IsTherionLox(std::string_view data) {
  if (data.size() < 16) return false;
  const TLoxFile in(data, {});
  const uint32_t type = in.U32(0);
  return type >= ctSurvey && type <= ctBitmap && in.U32(4) == in.U32(8) * kRecordSize[type];
}

TPlotLineCounts CountTherionLoxLegs(std::string_view data, const std::string& fileName) {
  TLoxFile in(data, fileName);
  in.ReadChunks();
  TPlotLineCounts n;
  uint64_t to = UINT64_MAX, survey = UINT64_MAX;
  for (const TChunk& c : in.Chunks()) {
    if (c.Type != ctShot) continue;
    for (uint32_t i = 0; i < c.Count; ++i) {
      const uint64_t r = c.Record(i);
      if (in.U32(r + 72) & kShotHidden) continue;
      ++n.DrawCount;
      if (in.U32(r) != to || in.U32(r + 80) != survey) n.MoveCount += 2;
      to = in.U32(r + 4);
      survey = in.U32(r + 80);
    }
  }
  return n;
}

TPlotLoadResult LoadTherionLoxData(TPlotModel& model, std::string_view data, const std::string& fileName,
                                   const TPlotProgress& progress, const TMessageProc& warn) {
  model.PlotInfo.FileName = fileName;
  model.ClearPlotModel();
  model.PlotInfo.FileKind = "therion-lox";
  model.PlotInfo.Separator = '.';
  TLoxLoader loader(model, data, fileName, progress);
  TPlotLoadResult result;
  try {
    loader.Run();
  } catch (const std::bad_alloc&) {
    result = Fail(kOutOfMemoryMessage, warn);
  } catch (const std::exception& e) {
    result = Fail(e.what(), warn);
  }
  if (!result.Ok) {
    // Nothing of a file that does not hold together is shown.
    model.ClearPlotModel();
    model.PlotInfo.FileKind = "therion-lox";
    return result;
  }
  SetEndOfLoadValues(model);
  if (progress) progress(model.Surveys.Count(), model.Plots.Count());
  result.Warning = loader.Warnings();
  return result;
}

}  // namespace lumora
