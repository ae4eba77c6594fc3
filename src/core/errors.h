// Failures the check core reports. Each carries the exact text the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace kestrane {

// A text that does not read as a number ("'1.5' is not a valid floating point value").
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A division whose divisor is zero (a disk that reports the size 0).
class DivisionByZeroError : public std::runtime_error {
 public:
  DivisionByZeroError() : std::runtime_error("Division by zero") {}
};

// A floating-point value that does not fit the integer it is truncated to.
class InvalidFloatOperationError : public std::runtime_error {
 public:
  InvalidFloatOperationError() : std::runtime_error("Invalid floating point operation") {}
};

// A server that cannot be reached where every remote WMI connection begins: its name does not
// resolve, or nothing answers on the RPC endpoint mapper's port. The text says which.
class HostUnreachable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kestrane
