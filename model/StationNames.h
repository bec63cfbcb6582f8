#pragma once
// The station names of one survey model, kept out of its records: a record
// holds a 4-byte name id, the model holds the bytes. Names have any length.
//
// Most names are stored whole in one block. A name that grows out of a
// changing label (a Survex .3d file's labels drop and append bytes) and is
// long may instead share its first bytes with the names before it, so that
// a label of a megabyte followed by thousands of stations costs the
// megabyte once. Either way a name reads back whole, through View or Text.
//
// Aliases: names can be equated (the names of one station), and each name
// then lists the others.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/MappedArray.h"

namespace lumora {

using TNameId = uint32_t;

class TStationNames {
 public:
  // The id of a record that has no name; it reads as "?".
  static constexpr TNameId kUnnamed = 0;

  // Where a label that changes by cuts and appends stands in the store,
  // for AddFromLabel: one per label, starting empty.
  struct TLabelShare {
    uint32_t Node = UINT32_MAX;
    uint32_t Kept = 0;  // bytes of the label that the node holds
  };

  TStationNames() { Clear(); }

  void Clear();
  // Gives back the room kept for growth, once a load is complete.
  void Trim();
  // Room for `names` more names of `bytes` bytes in all, for a reader that
  // knows its counts.
  void Reserve(size_t names, size_t bytes);

  // A new name. `prefixed`: a '|' parts a prefix from the station (the
  // names of a plot file).
  TNameId Add(std::string_view name, bool prefixed = false);
  // A new name equal to `label`, the whole current text of a changing
  // label; it shares the bytes it has in common with earlier names taken
  // from the same label. Every cut of the label must be told through Cut.
  TNameId AddFromLabel(TLabelShare& share, std::string_view label);
  // The label is now `length` bytes long: its later bytes were dropped.
  void Cut(TLabelShare& share, size_t length) const;

  // Ids run from 1 to Count() - 1; 0 is kUnnamed.
  TNameId Count() const { return static_cast<TNameId>(names_.size()); }
  size_t Size(TNameId id) const { return names_[id].Length & kLengthMask; }
  bool Prefixed(TNameId id) const { return (names_[id].Length & kPrefixedBit) != 0; }
  // The whole name: a view of the store, or of `scratch` for a name that
  // shares its start. Valid until the next change of either.
  std::string_view View(TNameId id, std::string& scratch) const;
  std::string Text(TNameId id) const;
  // The part before the first '|' of a prefixed name, and the part after
  // it (the whole name when there is none); both empty for kUnnamed.
  std::string Prefix(TNameId id) const;
  std::string Station(TNameId id) const;

  // Makes a and b names of one station; kUnnamed is no one's alias.
  void Equate(TNameId a, TNameId b);
  // The other names of the station that `id` names, in the order they were
  // added; empty for a name never equated.
  std::vector<TNameId> Aliases(TNameId id) const;
  bool HasAliases() const { return !group_.empty(); }

  // Bytes held, for memory accounts.
  size_t MemoryBytes() const;

 private:
  static constexpr uint32_t kSharedBit = 0x80000000u;
  static constexpr uint32_t kPrefixedBit = 0x40000000u;
  static constexpr uint32_t kLengthMask = 0x3FFFFFFFu;
  // A name: `At` is a byte offset in `bytes_`, or for a shared name the
  // node whose text (cut to the length) it is.
  struct TName {
    uint32_t At = 0;
    uint32_t Length = 0;  // with the flag bits above
  };
  // The text of a node: the first `ParentLength` bytes of its parent's
  // text, then its own bytes.
  struct TNode {
    uint32_t Parent = UINT32_MAX;
    uint32_t ParentLength = 0;
    uint32_t At = 0, Length = 0;
  };

  uint32_t Store(std::string_view bytes);
  uint32_t NodeEnd(uint32_t node) const { return nodes_[node].ParentLength + nodes_[node].Length; }
  TNameId Push(TName name);
  TNameId Root(TNameId id) const;

  // Grown in place: a million names are never copied to a bigger block.
  TMappedArray<char> bytes_;
  TMappedArray<TName> names_;
  std::vector<TNode> nodes_;
  // Equated names: a union-find parent and a ring through each group's
  // members; empty until the first Equate.
  std::vector<TNameId> group_, ring_;
};

// The end of a name that fits `max` bytes: whole leading parts (up to a
// `separator`) go first, so "mig.dysentry.bath.12" keeps as much of its path
// as fits; a last part that is still too long keeps its end.
std::string_view CutStationName(std::string_view name, size_t max, char separator);

}  // namespace lumora
