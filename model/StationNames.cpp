#include "model/StationNames.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace lumora {
namespace {

// Names up to this long are copied whole even when they could share: a
// view of them costs nothing, and real station names are shorter.
constexpr size_t kShareAbove = 64;

constexpr uint32_t kNoNode = UINT32_MAX;

}  // namespace

void TStationNames::Clear() {
  bytes_.clear();
  names_.clear();
  names_.push_back(TName{});
  nodes_.clear();
  group_.clear();
  ring_.clear();
}

void TStationNames::Trim() {
  bytes_.shrink_to_fit();
  names_.shrink_to_fit();
  nodes_.shrink_to_fit();
}

void TStationNames::Reserve(size_t names, size_t bytes) {
  names_.reserve(names_.size() + names);
  bytes_.reserve(bytes_.size() + bytes);
}

uint32_t TStationNames::Store(std::string_view bytes) {
  if (bytes_.size() + bytes.size() > UINT32_MAX) throw std::bad_alloc();
  const auto at = static_cast<uint32_t>(bytes_.size());
  bytes_.resize(at + bytes.size());
  if (!bytes.empty()) std::memcpy(bytes_.data() + at, bytes.data(), bytes.size());
  return at;
}

TNameId TStationNames::Push(TName name) {
  if (names_.size() >= UINT32_MAX) throw std::bad_alloc();
  names_.push_back(name);
  if (!group_.empty()) {
    group_.push_back(static_cast<TNameId>(names_.size() - 1));
    ring_.push_back(static_cast<TNameId>(names_.size() - 1));
  }
  return static_cast<TNameId>(names_.size() - 1);
}

TNameId TStationNames::Add(std::string_view name, bool prefixed) {
  if (name.size() > kLengthMask) throw std::bad_alloc();
  const uint32_t at = Store(name);
  return Push({at, static_cast<uint32_t>(name.size()) | (prefixed ? kPrefixedBit : 0)});
}

void TStationNames::Cut(TLabelShare& share, size_t length) const {
  if (length >= share.Kept) return;
  share.Kept = static_cast<uint32_t>(length);
  // The node that holds the end of the kept bytes.
  while (share.Node != kNoNode && share.Kept <= nodes_[share.Node].ParentLength) share.Node = nodes_[share.Node].Parent;
  if (share.Kept == 0) share.Node = kNoNode;
}

TNameId TStationNames::AddFromLabel(TLabelShare& share, std::string_view label) {
  if (label.size() <= kShareAbove) return Add(label);
  if (label.size() > kLengthMask) throw std::bad_alloc();
  if (label.size() > share.Kept) {
    // The bytes appended since the last shared name become a node.
    TNode node{share.Node, share.Kept, 0, 0};
    node.At = Store(label.substr(share.Kept));
    node.Length = static_cast<uint32_t>(label.size() - share.Kept);
    if (nodes_.size() >= kNoNode) throw std::bad_alloc();
    nodes_.push_back(node);
    share.Node = static_cast<uint32_t>(nodes_.size() - 1);
    share.Kept = static_cast<uint32_t>(label.size());
  }
  return Push({share.Node, static_cast<uint32_t>(label.size()) | kSharedBit});
}

std::string_view TStationNames::View(TNameId id, std::string& scratch) const {
  if (id == kUnnamed) return "?";
  const TName& n = names_[id];
  const uint32_t length = n.Length & kLengthMask;
  if (!(n.Length & kSharedBit)) return std::string_view(bytes_.data() + n.At, length);
  // Each node fills the bytes it holds below what its children already gave.
  scratch.resize(length);
  uint32_t end = length;
  for (uint32_t node = n.At; end > 0; node = nodes_[node].Parent) {
    const TNode& d = nodes_[node];
    if (end <= d.ParentLength) continue;
    const uint32_t count = end - d.ParentLength;
    std::copy_n(bytes_.data() + d.At, count, scratch.data() + d.ParentLength);
    end = d.ParentLength;
  }
  return scratch;
}

std::string TStationNames::Text(TNameId id) const {
  std::string scratch;
  const std::string_view v = View(id, scratch);
  return v.data() == scratch.data() ? scratch : std::string(v);
}

std::string TStationNames::Prefix(TNameId id) const {
  if (id == kUnnamed || !Prefixed(id)) return {};
  const std::string name = Text(id);
  const size_t bar = name.find('|');
  return bar == std::string::npos ? std::string() : name.substr(0, bar);
}

std::string TStationNames::Station(TNameId id) const {
  if (id == kUnnamed) return {};
  const std::string name = Text(id);
  const size_t bar = Prefixed(id) ? name.find('|') : std::string::npos;
  return bar == std::string::npos ? name : name.substr(bar + 1);
}

TNameId TStationNames::Root(TNameId id) const {
  while (group_[id] != id) id = group_[id];
  return id;
}

void TStationNames::Equate(TNameId a, TNameId b) {
  if (a == kUnnamed || b == kUnnamed) return;
  if (group_.empty()) {
    group_.resize(names_.size());
    ring_.resize(names_.size());
    for (TNameId i = 0; i < names_.size(); ++i) group_[i] = ring_[i] = i;
  }
  TNameId ra = Root(a), rb = Root(b);
  if (ra == rb) return;
  // The older root stays, so that later names hang below earlier ones and
  // paths stay short: each name is looked up from its own entry.
  if (rb < ra) std::swap(ra, rb);
  group_[rb] = ra;
  for (TNameId x : {a, b}) {
    // Compress the path, so chains of equates stay flat.
    while (group_[x] != ra) x = std::exchange(group_[x], ra);
  }
  std::swap(ring_[a], ring_[b]);  // joins the two rings into one
}

std::vector<TNameId> TStationNames::Aliases(TNameId id) const {
  std::vector<TNameId> out;
  if (group_.empty() || id == kUnnamed) return out;
  for (TNameId x = ring_[id]; x != id; x = ring_[x]) out.push_back(x);
  std::sort(out.begin(), out.end());
  return out;
}

size_t TStationNames::MemoryBytes() const {
  return bytes_.capacity() + names_.capacity() * sizeof(TName) + nodes_.capacity() * sizeof(TNode) +
         (group_.capacity() + ring_.capacity()) * sizeof(TNameId);
}

std::string_view CutStationName(std::string_view name, size_t max, char separator) {
  while (name.size() > max) {
    const size_t cut = name.find(separator);
    if (cut == std::string_view::npos || cut + 1 >= name.size()) return name.substr(name.size() - max);
    name.remove_prefix(cut + 1);
  }
  return name;
}

}  // namespace lumora
