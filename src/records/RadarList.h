// RadarList: the download records in insertion order, each under the key
// Description + TAB + Product. Keys are unique without regard to case. The
// list owns its records; their addresses stay put while they are in it.
#pragma once
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "records/RadarObj.h"

namespace ombrix {

std::string RecordKey(const std::string& description, const std::string& product);
inline std::string RecordKey(const TRadarObj& r) { return RecordKey(r.Description, r.Product); }

class TRadarList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  // -1 when no key is equal, letter case ignored.
  int IndexOf(const std::string& key) const;
  // Appends the record unless the key is already there; returns the record
  // kept, or nullptr when it was a duplicate (and was freed).
  TRadarObj* Add(const std::string& key, std::unique_ptr<TRadarObj> record);
  TRadarObj& Objects(int index) { return *entries_.at(static_cast<size_t>(index)).second; }
  const TRadarObj& Objects(int index) const { return *entries_.at(static_cast<size_t>(index)).second; }
  const std::string& Keys(int index) const { return entries_.at(static_cast<size_t>(index)).first; }
  // Frees the record at index.
  void Delete(int index);
  // Frees every record, first to last.
  void Clear();

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TRadarObj>>> entries_;
  // The keys upper-cased, so that adding stays constant time and loading a
  // list of any length stays linear.
  std::unordered_set<std::string> folded_;
};

}  // namespace ombrix
