#include "records/RadarList.h"

#include "util/StrUtil.h"

namespace ombrix {

std::string RecordKey(const std::string& description, const std::string& product) {
  return description + "\t" + product;
}

int TRadarList::IndexOf(const std::string& key) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (SameText(entries_[i].first, key)) return static_cast<int>(i);
  return -1;
}

TRadarObj* TRadarList::Add(const std::string& key, std::unique_ptr<TRadarObj> record) {
  if (!folded_.insert(UpperCase(key)).second) return nullptr;
  entries_.emplace_back(key, std::move(record));
  return entries_.back().second.get();
}

void TRadarList::Delete(int index) {
  folded_.erase(UpperCase(entries_.at(static_cast<size_t>(index)).first));
  entries_.erase(entries_.begin() + index);
}

void TRadarList::Clear() {
  for (auto& entry : entries_) entry.second.reset();
  entries_.clear();
  folded_.clear();
}

}  // namespace ombrix
