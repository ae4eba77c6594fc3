// kestrane-check's arguments.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrane {

enum class OutputFormat { Table, Nagios, Prometheus };

// A threshold as given: a number in the unit ("1,5" with GB), or a free share ("10%").
struct ThresholdValue {
  std::string text;      // the number as typed, with the decimal comma
  bool percent = false;  // the disk cell's share, not its free space
};

struct CheckOptions {
  ThresholdValue threshold{"2", false};
  std::optional<ThresholdValue> warning;
  std::string unit = "GB";
  bool unitGiven = false;
  OutputFormat format = OutputFormat::Table;
  std::optional<std::string> output;     // a file written whole, or standard output
  std::vector<std::string> names;        // from the command line, in order
  std::vector<std::string> listFiles;    // their names follow those of the command line
  int parallel = 1;                      // servers checked at once
  std::optional<std::chrono::milliseconds> timeout;  // a server's deadline
  bool help = false;
};

// A message for the operator; the command ends with UNKNOWN (3).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

CheckOptions ParseCheckArguments(const std::vector<std::string>& args);

extern const char kCheckUsage[];

}  // namespace kestrane
