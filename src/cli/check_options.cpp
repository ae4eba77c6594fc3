#include "cli/check_options.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "cli/durations.h"
#include "cli/serve/listen_address.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "core/size_text.h"

namespace kestrane {

const char kCheckUsage[] =
    "Использование: kestrane-check [параметры] [ИМЯ ...]\n"
    "Проверяет свободное место на фиксированных дисках серверов; без имени и без --list - этого\n"
    "компьютера. Дробные числа пишутся с запятой или точкой: 1,5 или 1.5.\n"
    "\n"
    "  --threshold T        критический порог: число в единицах --unit или доля свободного места\n"
    "                       в процентах (10%); по умолчанию 2 в единицах --unit: 2 GB,\n"
    "                       а с --unit MB - 2 MB\n"
    "  --warning T          порог предупреждения, в тех же единицах, что и --threshold, не ниже его\n"
    "  --unit MB|GB         единица порогов: MB = 1 048 576 байт, GB = 1 073 741 824 байт;\n"
    "                       к порогам в процентах не применяется\n"
    "  --format F           table (таблица, по умолчанию), nagios (строка состояния и данные\n"
    "                       производительности для Nagios, Icinga, Checkmk) или prometheus\n"
    "                       (текстовый формат 0.0.4 для textfile collector)\n"
    "  --output FILE        записать результат в файл (через временный файл рядом, целиком)\n"
    "  --list FILE          имена серверов из файла, по одному в строке (UTF-8, ANSI, UTF-8 или\n"
    "                       UTF-16 с меткой порядка байтов); добавляются к именам из командной строки;\n"
    "                       пустые строки пропускаются, пробелы вокруг имени отбрасываются\n"
    "  --disk ОБРАЗЕЦ       проверять только диски, имя которых подходит под образец (C:, D:\\Mounts\\*;\n"
    "                       * - любые знаки, ? - один знак, без учёта регистра); можно повторять\n"
    "  --exclude-disk ОБРАЗЕЦ  не проверять диски, подходящие под образец; можно повторять\n"
    "  --volumes            тома вместо логических дисков, с точками подключения (D:\\Mounts\\Data1\\);\n"
    "                       тома без пути не проверяются\n"
    "  --parallel N         проверять до N серверов одновременно (1-64, по умолчанию 1)\n"
    "  --timeout SECONDS    срок на один сервер, до 86400 секунд; не ответивший вовремя считается\n"
    "                       недоступным\n"
    "  --connect-timeout SECONDS  сколько ждать, пока имя сервера разрешится и порт TCP 135 (RPC)\n"
    "                       примет соединение, прежде чем спрашивать WMI (по умолчанию 2, до 60);\n"
    "                       0 - не проверять\n"
    "  --history FILE       дописывать замеры в историю (CSV) и показывать, через сколько диск\n"
    "                       заполнится; прогноз - после 4 замеров за 6 часов после последней очистки\n"
    "  --warning-time СРОК  WARNING, если диск заполнится раньше срока: 36h, 7d, 1d12h (m, h, d, w);\n"
    "                       только с --history\n"
    "  --critical-time СРОК CRITICAL, если диск заполнится раньше срока; только с --history\n"
    "  --serve [АДРЕС:]ПОРТ экспортёр для Prometheus: отвечать по HTTP на порту ПОРТ (по умолчанию\n"
    "                       10135) всех адресов или только адреса АДРЕС (127.0.0.1, [::1]):\n"
    "                       GET /probe?target=ИМЯ проверяет сервер ИМЯ, /metrics - счётчики самого\n"
    "                       экспортёра; до --parallel проверок сразу (по умолчанию 8); срок - из\n"
    "                       заголовка X-Prometheus-Scrape-Timeout-Seconds минус 0,5 с (без него\n"
    "                       9,5 с), не больше --timeout\n"
    "  --allow-target ОБРАЗЕЦ  с --serve: разрешить проверку серверов, имя которых подходит под\n"
    "                       образец (как у --disk); можно повторять; имена из --list разрешены тоже,\n"
    "                       файл перечитывается при изменении\n"
    "  --allow-any-target   с --serve: разрешить проверку любого сервера (опасно: кто достучится до\n"
    "                       порта, тот заставит проверять любые серверы с правами службы)\n"
    "  --install-service    установить службу Kestrane с этими параметрами (запуск автоматический,\n"
    "                       от имени NetworkService или --service-account ИМЯ); запуск: sc start Kestrane\n"
    "  --uninstall-service  остановить и удалить службу Kestrane\n"
    "  --help               эта справка\n"
    "  --                   дальше только имена\n"
    "\n"
    "Код выхода: 0 - OK; 1 - WARNING (есть диск ниже --warning, ни одного ниже --threshold);\n"
    "2 - CRITICAL (есть диск ниже --threshold или сервер, который не удалось проверить);\n"
    "3 - UNKNOWN (неверные параметры, имя, которое не является именем сервера, нечитаемый файл\n"
    "списка, ни одного диска для проверки, файл --output или --history не записан).\n"
    "С --warning-time и --critical-time WARNING и CRITICAL дают и диски, которые заполнятся раньше срока.\n";

namespace {

constexpr int kMostDecimals = 9;
constexpr int kLongestTimeout = 86400;  // seconds
constexpr int kLongestConnectTimeout = 60;  // seconds

// Reads the number exactly: digits with at most one decimal mark, the comma or the point, as a
// script writer types it. No sign, no exponent, at most nine decimals that count.
ThresholdValue ParseThreshold(const std::string& option, const std::string& value) {
  ThresholdValue limit{value, false, 0, 0};
  std::string number = value;
  if (!number.empty() && number.back() == '%') {
    limit.percent = true;
    number.pop_back();
  }
  auto refuse = [&](const std::string& why) { throw UsageError("Неверное значение " + option + ": " + why + "."); };
  if (!number.empty() && number[0] == '-') refuse("'" + value + "' is negative");
  const std::size_t mark = number.find_first_of(",.");
  std::string whole = number.substr(0, mark);
  std::string fraction = mark == std::string::npos ? std::string() : number.substr(mark + 1);
  auto digitsOnly = [](const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; };
  if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction)) {
    refuse("'" + value + "' is not a valid floating point value");
  }
  limit.text = (whole.empty() ? "0" : whole) + (fraction.empty() ? "" : "," + fraction);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (fraction.size() > kMostDecimals) {
    refuse("'" + value + "' has more than " + std::to_string(kMostDecimals) + " decimals");
  }
  for (char c : whole + fraction) {
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (limit.digits > (UINT64_MAX - digit) / 10) refuse("'" + value + "' is too large");
    limit.digits = limit.digits * 10 + digit;
  }
  limit.scale = static_cast<int>(fraction.size());
  if (limit.percent && limit.digits > 100 * Pow10(limit.scale)) refuse("'" + value + "' is more than 100%");
  return limit;
}

// a < b, exactly.
bool Less(const ThresholdValue& a, const ThresholdValue& b) {
  return static_cast<unsigned __int128>(a.digits) * Pow10(b.scale) <
         static_cast<unsigned __int128>(b.digits) * Pow10(a.scale);
}

// A number as typed on a command line: the decimal point read as the comma.
double ParseNumber(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return ParseFloat(text);
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A plain decimal number, as the help describes it: digits with at most one decimal mark, the
// comma or the point; no sign, no blank, no exponent. Nothing for any other text.
std::optional<double> ParseSeconds(const std::string& value) {
  const std::size_t mark = value.find_first_of(",.");
  if (!AllDigits(mark == std::string::npos ? value : value.substr(0, mark) + value.substr(mark + 1))) {
    return std::nullopt;
  }
  try {
    return ParseNumber(value);
  } catch (const ConversionError&) {  // more digits than a double holds
    return std::nullopt;
  }
}

// Plain decimal digits, as the help describes the value: no sign, no blank, no hexadecimal.
int ParseWhole(const std::string& option, const std::string& value, int least, int most) {
  std::int32_t n = 0;
  if (!AllDigits(value) || !TryParseInteger(value, n) || n < least || n > most) {
    throw UsageError("Значение " + option + " должно быть целым числом от " + std::to_string(least) + " до " +
                     std::to_string(most) + ", а не \"" + value + "\".");
  }
  return n;
}

// The exporter's options apply only to it, and its targets come from the scrapes: what a check
// alone would take (names, a format, an output file) means nothing there.
void CheckServeOptions(CheckOptions& options) {
  if (options.uninstallService && (options.Serves() || !options.names.empty())) {
    throw UsageError("--uninstall-service не принимает других параметров.");
  }
  if (options.serviceAccount && !options.installService) {
    throw UsageError("--service-account задаётся только вместе с --install-service.");
  }
  if (!options.Serves()) {
    if (!options.allowedTargets.empty() || options.allowAnyTarget) {
      throw UsageError("--allow-target и --allow-any-target задаются только вместе с --serve.");
    }
    return;
  }
  if (!options.names.empty() || options.output || options.format != OutputFormat::Table) {
    throw UsageError("С --serve имена серверов приходят в запросах (/probe?target=ИМЯ), а результат - в ответах: "
                     "имена, --format и --output не задаются; разрешённые имена - через --list и --allow-target.");
  }
  if (options.history) {
    throw UsageError("--history не задаётся с --serve: историю ведёт проверка по расписанию, а для экспортёра "
                     "время до заполнения считает Prometheus (predict_linear).");
  }
  if (options.listFiles.empty() && options.allowedTargets.empty() && !options.allowAnyTarget) {
    throw UsageError("С --serve нужно указать, какие серверы можно проверять: --list ФАЙЛ, --allow-target ОБРАЗЕЦ "
                     "или --allow-any-target.");
  }
  if (!options.parallelGiven) options.parallel = kServeParallel;
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
    if (arg == "--volumes") {
      options.volumes = true;
      continue;
    }
    if (arg == "--allow-any-target" || arg == "--install-service" || arg == "--uninstall-service" || arg == "--service") {
      (arg == "--allow-any-target"   ? options.allowAnyTarget
       : arg == "--install-service"  ? options.installService
       : arg == "--uninstall-service" ? options.uninstallService
                                      : options.service) = true;
      continue;
    }
    if (arg == "--serve") {
      // The address may be left out: the default port on every address.
      const bool valued = i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-';
      options.serve = valued ? args[++i] : std::string();
      ParseListenAddress(*options.serve);
      continue;
    }
    static const char* const kWithValue[] = {"--threshold",    "--warning",         "--unit",         "--format",
                                             "--output",       "--list",            "--parallel",     "--timeout",
                                             "--connect-timeout", "--disk",         "--exclude-disk", "--history",
                                             "--warning-time", "--critical-time",   "--allow-target", "--service-account"};
    bool known = false;
    for (const char* name : kWithValue) known = known || arg == name;
    if (!known) throw UsageError("Неизвестный параметр: " + arg + ".");
    if (i + 1 >= args.size()) throw UsageError("После " + arg + " нужно значение.");
    const std::string& value = args[++i];
    // A forgotten value would take the next option as a file name or a pattern.
    const bool file = arg == "--output" || arg == "--list" || arg == "--history";
    const bool takesName = file || arg == "--disk" || arg == "--exclude-disk" || arg == "--allow-target";
    if (takesName && value.rfind("--", 0) == 0) {
      throw UsageError("После " + arg +
                       (file ? " нужно имя файла" : arg == "--allow-target" ? " нужен образец имени сервера" : " нужен образец имени диска") +
                       ", а не параметр \"" + value + "\"" +
                       (file ? " (файл с таким именем: .\\" + value + ")." : "."));
    }
    // No disk name holds a quote: one here is a closing backslash before a quote ("Z:\") that the
    // command line read as a quote of the value, taking the options after it along.
    if ((arg == "--disk" || arg == "--exclude-disk") && value.find('"') != std::string::npos) {
      throw UsageError("Образец " + arg + " не может содержать кавычку: \"" + value +
                       "\". Обратная косая черта перед закрывающей кавычкой (\"Z:\\\") делает кавычку "
                       "частью значения; пишите Z: или \"Z:\\\\\".");
    }
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
    } else if (arg == "--history") {
      if (value.empty()) throw UsageError("После --history нужно имя файла.");
      options.history = value;
    } else if (arg == "--warning-time" || arg == "--critical-time") {
      (arg == "--warning-time" ? options.warningTime : options.criticalTime) = ParseDuration(arg, value);
    } else if (arg == "--list") {
      options.listFiles.push_back(value);
    } else if (arg == "--disk" || arg == "--exclude-disk") {
      if (value.empty()) throw UsageError("После " + arg + " нужен образец имени диска, например C: или D:\\Mounts\\*.");
      (arg == "--disk" ? options.disks : options.excludedDisks).push_back(value);
    } else if (arg == "--parallel") {
      options.parallel = ParseWhole(arg, value, 1, 64);
      options.parallelGiven = true;
    } else if (arg == "--allow-target") {
      if (value.empty()) throw UsageError("После --allow-target нужен образец имени сервера, например web*.");
      options.allowedTargets.push_back(value);
    } else if (arg == "--service-account") {
      if (value.empty()) throw UsageError("После --service-account нужно имя учётной записи.");
      options.serviceAccount = value;
    } else if (arg == "--timeout") {
      const std::optional<double> seconds = ParseSeconds(value);
      if (!seconds || !(*seconds > 0) || *seconds > kLongestTimeout) {
        throw UsageError("Значение --timeout должно быть числом секунд больше нуля и не больше " +
                         std::to_string(kLongestTimeout) + " (сутки), а не \"" + value + "\".");
      }
      options.timeout = std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(*seconds * 1000)));
    } else if (arg == "--connect-timeout") {
      const std::optional<double> seconds = ParseSeconds(value);
      if (!seconds || *seconds > kLongestConnectTimeout) {
        throw UsageError("Значение --connect-timeout должно быть числом секунд от 0 до " +
                         std::to_string(kLongestConnectTimeout) + ", а не \"" + value + "\".");
      }
      options.connectTimeout = std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(*seconds * 1000)));
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
    if (Less(*options.warning, options.threshold)) {
      throw UsageError("Порог предупреждения --warning не может быть ниже критического --threshold.");
    }
  }
  if ((options.warningTime || options.criticalTime) && !options.history) {
    throw UsageError("--warning-time и --critical-time действуют только с --history: время до заполнения "
                     "считается по истории замеров.");
  }
  if (options.warningTime && options.criticalTime && *options.warningTime < *options.criticalTime) {
    throw UsageError("Срок --warning-time не может быть меньше --critical-time.");
  }
  CheckServeOptions(options);
  return options;
}

}  // namespace kestrane
