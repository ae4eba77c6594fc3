// The system's dialog for opening one file.
#pragma once

#include <optional>
#include <string>

namespace kestrane {

class OpenFileDialog {
 public:
  virtual ~OpenFileDialog() = default;
  // Shows the dialog modally in `initialDir`: every file listed, no title or default extension of
  // our own, a typed name of a missing file returned like any other. Nothing when cancelled.
  virtual std::optional<std::string> Choose(const std::string& initialDir) = 0;
};

}  // namespace kestrane
