#include "app/world/roster.h"

#include "app/scenario/scenario.h"

namespace app {

size_t Roster::Add(OBJHANDLE handle, std::string name, std::optional<std::string> class_name,
                   bool fixed_to_body) {
  RosterEntry e;
  e.handle = handle;
  e.carrier_class = class_name && *class_name == kCarrierClass;
  e.fixed_to_body = fixed_to_body;
  by_handle_[handle] = entries_.size();
  entries_.push_back(e);
  labels_.push_back({std::move(name), std::move(class_name)});
  return entries_.size() - 1;
}

void Roster::MarkDeleted(OBJHANDLE handle) {
  const long index = IndexOf(handle);
  if (index >= 0) entries_[static_cast<size_t>(index)].alive = false;
}

long Roster::IndexOf(OBJHANDLE handle) const {
  const auto it = by_handle_.find(handle);
  return it == by_handle_.end() ? -1 : static_cast<long>(it->second);
}

const std::string &Roster::NameOf(OBJHANDLE handle) const {
  static const std::string kNone, kUnknown = "?";
  if (handle == nullptr) return kNone;
  const long index = IndexOf(handle);
  return index < 0 ? kUnknown : labels_[static_cast<size_t>(index)].name;
}

long Roster::CarrierIndex() const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].alive && entries_[i].carrier_class) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace app
