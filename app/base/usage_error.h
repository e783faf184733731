// A command line that cannot be run as given: outputs that clash, sessions that disagree.
#pragma once

#include <stdexcept>

namespace app {

// main ends with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace app
