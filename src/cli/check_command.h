// kestrane-check: one check run from the command line, the table printed as text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "core/disk_query.h"

namespace kestrane {

inline constexpr int kExitNoAlert = 0;
inline constexpr int kExitAlert = 1;
inline constexpr int kExitBadArguments = 2;

inline constexpr char kCheckUsage[] =
    "Использование: kestrane-check [--threshold T] [--unit MB|GB] [ИМЯ ...]\n"
    "Проверяет свободное место на фиксированных дисках серверов (без имени - этого компьютера).\n"
    "По умолчанию порог 2 GB. Код выхода: 0 - места достаточно, 1 - место заканчивается,\n"
    "2 - неверные аргументы.\n";

struct CheckOptions {
  std::string threshold = "2";
  std::string unit = "GB";
  std::vector<std::string> names;  // server list lines; none means the local computer
  bool help = false;
};

// Throws std::invalid_argument with a message for the operator.
CheckOptions ParseCheckArguments(const std::vector<std::string>& args);

// Runs one check over the names and prints every table row, then the alert line.
// The calling thread serves as the window thread. Returns the exit code.
int RunCheckCommand(const CheckOptions& options, const DiskQueryFactory& queries, std::ostream& out);

// The whole command: arguments to exit code, errors to `err`.
int CheckMain(const std::vector<std::string>& args, const DiskQueryFactory& queries, std::ostream& out,
              std::ostream& err);

}  // namespace kestrane
