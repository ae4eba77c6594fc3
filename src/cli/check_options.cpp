#include "cli/check_options.h"

#include <cmath>

#include "core/errors.h"
#include "core/number_text.h"
#include "core/size_text.h"

namespace kestrane {

const char kCheckUsage[] =
    "Использование: kestrane-check [параметры] [ИМЯ ...]\n"
    "Проверяет свободное место на фиксированных дисках серверов; без имени и без --list - этого\n"
    "компьютера. Числа пишутся с десятичной запятой: 1,5.\n"
    "\n"
    "  --threshold T        критический порог: число в единицах --unit или доля свободного места\n"
    "                       в процентах (10%); по умолчанию 2 GB\n"
    "  --warning T          порог предупреждения, в тех же единицах, что и --threshold, не ниже его\n"
    "  --unit MB|GB         единица порогов в байтах; к порогам в процентах не применяется\n"
    "  --format F           table (таблица, по умолчанию), nagios (строка состояния и данные\n"
    "                       производительности для Nagios, Icinga, Checkmk) или prometheus\n"
    "                       (текстовый формат 0.0.4 для textfile collector)\n"
    "  --output FILE        записать результат в файл (через временный файл рядом, целиком)\n"
    "  --list FILE          имена серверов из файла, по одному в строке (ANSI, UTF-8 или UTF-16\n"
    "                       с меткой порядка байтов); добавляются к именам из командной строки\n"
    "  --parallel N         проверять до N серверов одновременно (1-64, по умолчанию 1)\n"
    "  --timeout SECONDS    срок на один сервер; не ответивший вовремя считается недоступным\n"
    "  --help               эта справка\n"
    "  --                   дальше только имена\n"
    "\n"
    "Код выхода: 0 - OK; 1 - WARNING (есть диск ниже --warning, ни одного ниже --threshold);\n"
    "2 - CRITICAL (есть диск ниже --threshold или сервер, который не удалось проверить);\n"
    "3 - UNKNOWN (неверные параметры, нечитаемый файл списка).\n";

namespace {

ThresholdValue ParseThreshold(const std::string& option, const std::string& value) {
  ThresholdValue limit{value, false};
  if (!value.empty() && value.back() == '%') {
    limit.percent = true;
    limit.text = value.substr(0, value.size() - 1);
  }
  try {
    double number = ParseFloat(limit.text);
    if (number < 0 || !std::isfinite(number)) throw ConversionError("'" + value + "' is negative");
    if (limit.percent && number > 100) throw ConversionError("'" + value + "' is more than 100%");
  } catch (const ConversionError& e) {
    throw UsageError("Неверное значение " + option + ": " + e.what() + ".");
  }
  return limit;
}

int ParseWhole(const std::string& option, const std::string& value, int least, int most) {
  std::int32_t n = 0;
  if (!TryParseInteger(value, n) || n < least || n > most) {
    throw UsageError("Значение " + option + " должно быть целым числом от " + std::to_string(least) + " до " +
                     std::to_string(most) + ", а не \"" + value + "\".");
  }
  return n;
}

}  // namespace

CheckOptions ParseCheckArguments(const std::vector<std::string>& args) {
  CheckOptions options;
  bool namesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (namesOnly || arg.size() < 2 || arg[0] != '-' || arg[1] != '-') {
      if (!namesOnly && (arg == "-h" || arg == "/?")) {
        options.help = true;
      } else {
        options.names.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      namesOnly = true;
      continue;
    }
    if (arg == "--help") {
      options.help = true;
      continue;
    }
    static const char* const kWithValue[] = {"--threshold", "--warning", "--unit",     "--format",
                                             "--output",    "--list",    "--parallel", "--timeout"};
    bool known = false;
    for (const char* name : kWithValue) known = known || arg == name;
    if (!known) throw UsageError("Неизвестный параметр: " + arg + ".");
    if (i + 1 >= args.size()) throw UsageError("После " + arg + " нужно значение.");
    const std::string& value = args[++i];
    if (arg == "--threshold") {
      options.threshold = ParseThreshold(arg, value);
    } else if (arg == "--warning") {
      options.warning = ParseThreshold(arg, value);
    } else if (arg == "--unit") {
      if (value != "MB" && value != "GB") {
        throw UsageError("Единица порога должна быть MB или GB, а не \"" + value + "\".");
      }
      options.unit = value;
      options.unitGiven = true;
    } else if (arg == "--format") {
      if (value == "table") {
        options.format = OutputFormat::Table;
      } else if (value == "nagios") {
        options.format = OutputFormat::Nagios;
      } else if (value == "prometheus") {
        options.format = OutputFormat::Prometheus;
      } else {
        throw UsageError("Формат должен быть table, nagios или prometheus, а не \"" + value + "\".");
      }
    } else if (arg == "--output") {
      if (value.empty()) throw UsageError("После --output нужно имя файла.");
      options.output = value;
    } else if (arg == "--list") {
      options.listFiles.push_back(value);
    } else if (arg == "--parallel") {
      options.parallel = ParseWhole(arg, value, 1, 64);
    } else if (arg == "--timeout") {
      double seconds = 0;
      try {
        seconds = ParseFloat(value);
      } catch (const ConversionError&) {
        seconds = -1;
      }
      if (!(seconds > 0) || seconds > 86400) {
        throw UsageError("Значение --timeout должно быть числом секунд больше нуля, а не \"" + value + "\".");
      }
      options.timeout = std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(seconds * 1000)));
    }
  }
  // Combinations that cannot mean anything.
  if (options.threshold.percent && options.unitGiven) {
    throw UsageError("--unit не применяется к порогу в процентах (" + options.threshold.text + "%).");
  }
  if (options.warning) {
    if (options.warning->percent != options.threshold.percent) {
      throw UsageError("--warning и --threshold должны быть в одних единицах: оба в процентах или оба в " +
                       options.unit + ".");
    }
    if (ParseFloat(options.warning->text) < ParseFloat(options.threshold.text)) {
      throw UsageError("Порог предупреждения --warning не может быть ниже критического --threshold.");
    }
  }
  return options;
}

}  // namespace kestrane
