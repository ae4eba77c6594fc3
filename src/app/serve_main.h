// kestrane-check --serve, in a console or as the Kestrane service, and the service's installation.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/check_command.h"

namespace kestrane::app {

using TextWriter = std::function<void(const std::string& text)>;

// The exit code of serving, installing or removing the service; nothing when `args` ask for a check
// (or cannot be read: the check then says why).
std::optional<int> ServeMode(const std::vector<std::string>& args, const CheckEnvironment& env, const TextWriter& out,
                             const TextWriter& err);

}  // namespace kestrane::app
