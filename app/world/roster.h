// The vessels of a run in the host's index order, with the names the outputs use for them.
// Handles are never printed: a vessel is named, an attachment point numbered.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/orbiter_api.h"

namespace app {

// What every step reads of every vessel: sixteen bytes, so that a pass over ten thousand
// vessels reads no names.
struct RosterEntry {
  OBJHANDLE handle = nullptr;
  bool alive = true;
  bool fixed_to_body = false;
  bool carrier_class = false;  // class "DynamicPlanet": the module's ground
};

// What the outputs call it.
struct RosterLabel {
  std::string name;
  std::optional<std::string> class_name;
};

class Roster {
 public:
  size_t Add(OBJHANDLE handle, std::string name, std::optional<std::string> class_name,
             bool fixed_to_body);
  void MarkDeleted(OBJHANDLE handle);

  const std::vector<RosterEntry> &Entries() const { return entries_; }
  const RosterLabel &Label(size_t index) const { return labels_[index]; }
  // The index of a vessel that was ever in the run, or -1.
  long IndexOf(OBJHANDLE handle) const;
  // The vessel's name; "" for the null handle and "?" for a handle never seen.
  const std::string &NameOf(OBJHANDLE handle) const;
  // The first live vessel of class "DynamicPlanet": the module's carrier. -1 when none.
  long CarrierIndex() const;

 private:
  std::vector<RosterEntry> entries_;
  std::vector<RosterLabel> labels_;  // the same index
  std::unordered_map<OBJHANDLE, size_t> by_handle_;
};

}  // namespace app
