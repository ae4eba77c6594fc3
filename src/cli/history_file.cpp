#include "cli/history_file.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>

#include "core/utf8_text.h"

namespace kestrane {
namespace {

constexpr std::size_t kUtcLength = 20;   // 2024-05-01T10:15:00Z
constexpr std::size_t kDateLength = 11;  // 2024-05-01T
constexpr std::size_t kFields = 5;

void PutDigits(char* at, unsigned value, int count) {
  for (int i = count - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, unsigned& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return true;
}

// Times as the file writes them. A history holds hundreds of readings a day, so the date of the
// reading before is kept rather than worked out again.
class UtcTimes {
 public:
  void Append(std::string& out, std::int64_t seconds) {
    using namespace std::chrono;
    const std::int64_t day = floor<days>(sys_seconds{std::chrono::seconds{seconds}}).time_since_epoch().count();
    if (day != day_) {
      const year_month_day date{sys_days{days{day}}};
      PutDigits(date_, static_cast<unsigned>(static_cast<int>(date.year())), 4);
      PutDigits(date_ + 5, static_cast<unsigned>(date.month()), 2);
      PutDigits(date_ + 8, static_cast<unsigned>(date.day()), 2);
      day_ = day;
    }
    const auto inDay = static_cast<unsigned>(seconds - day * kSecondsPerDay);
    char text[kUtcLength];
    std::memcpy(text, date_, kDateLength);
    PutDigits(text + 11, inDay / 3600, 2);
    text[13] = ':';
    PutDigits(text + 14, inDay / 60 % 60, 2);
    text[16] = ':';
    PutDigits(text + 17, inDay % 60, 2);
    text[19] = 'Z';
    out.append(text, kUtcLength);
  }

  bool Read(std::string_view text, std::int64_t& seconds) {
    unsigned h = 0, m = 0, s = 0;
    if (text.size() != kUtcLength || text[13] != ':' || text[16] != ':' || text[19] != 'Z' || !Digits(text, 11, 2, h) ||
        !Digits(text, 14, 2, m) || !Digits(text, 17, 2, s) || h > 23 || m > 59 || s > 59) {
      return false;
    }
    if (day_ == kNoDay || text.substr(0, kDateLength) != std::string_view(date_, kDateLength)) {
      unsigned y = 0, mo = 0, d = 0;
      if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || !Digits(text, 0, 4, y) || !Digits(text, 5, 2, mo) ||
          !Digits(text, 8, 2, d)) {
        return false;
      }
      using namespace std::chrono;
      const year_month_day date{year(static_cast<int>(y)), month(mo), day(d)};
      if (!date.ok()) return false;
      day_ = sys_days(date).time_since_epoch().count();
      std::memcpy(date_, text.data(), kDateLength);
    }
    seconds = day_ * kSecondsPerDay + h * 3600 + m * 60 + s;
    return true;
  }

 private:
  static constexpr std::int64_t kNoDay = INT64_MIN;
  std::int64_t day_ = kNoDay;
  char date_[kDateLength] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0', 'T'};
};

// A name quoted when it holds what would end or open a field.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// The records of an RFC 4180 text, one at a time; a field in quotes may hold commas, quotes and
// line ends.
class CsvRecords {
 public:
  explicit CsvRecords(std::string_view text) : text_(text) {}

  bool AtEnd() const { return pos_ == text_.size(); }
  std::size_t Line() const { return line_; }

  // The next record's first kFields fields and how many it has.
  std::size_t Next(std::string_view (&fields)[kFields]) {
    const char* begin = text_.data() + pos_;
    const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', text_.size() - pos_));
    std::string_view line(begin, newline ? static_cast<std::size_t>(newline - begin) : text_.size() - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t count = 0;
    for (std::string_view rest = line;; ++count) {
      const std::size_t comma = rest.find(',');
      if (count < kFields) fields[count] = rest.substr(0, comma);
      // A name in quotes may hold a comma or a line end; a time or a number never has quotes.
      if ((count == 1 || count == 2) && fields[count].starts_with('"')) return NextQuoted(fields);
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    pos_ += static_cast<std::size_t>(newline ? newline + 1 - begin : text_.size() - pos_);
    ++line_;
    return count + 1;
  }

  [[noreturn]] void Fail(const std::string& why) const {
    throw HistoryFormatError("строка " + std::to_string(line_) + ": " + why);
  }

 private:
  std::size_t NextQuoted(std::string_view (&fields)[kFields]) {
    std::size_t count = 0;
    for (bool ended = false; !ended; ++count) {
      const std::string_view field = Field(unquoted_[std::min(count, kFields)], ended);
      if (count < kFields) fields[count] = field;
    }
    return count;
  }

  // The next field, its quotes undone into `unquoted` when it has them; `recordEnded` tells whether
  // a line end or the text's end closed it rather than a comma.
  std::string_view Field(std::string& unquoted, bool& recordEnded) {
    std::string_view value;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      unquoted.clear();
      for (++pos_;;) {
        const std::size_t quote = text_.find('"', pos_);
        if (quote == std::string_view::npos) Fail("кавычка не закрыта");
        const std::string_view piece = text_.substr(pos_, quote - pos_);
        line_ += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        unquoted.append(piece);
        pos_ = quote + 1;
        if (pos_ == text_.size() || text_[pos_] != '"') break;
        unquoted += '"';
        ++pos_;
      }
      value = unquoted;
    } else {
      const std::size_t end = std::min(text_.find_first_of(",\r\n\"", pos_), text_.size());
      value = text_.substr(pos_, end - pos_);
      pos_ = end;
    }
    recordEnded = true;
    if (pos_ == text_.size()) return value;
    if (text_[pos_] == ',') {
      ++pos_;
      recordEnded = false;
    } else if (text_[pos_] == '\n' || text_.substr(pos_, 2) == "\r\n") {
      pos_ += text_[pos_] == '\n' ? 1 : 2;
      ++line_;
    } else {
      Fail("лишний знак в поле");
    }
    return value;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::string unquoted_[kFields + 1];
};

bool ParseCount(std::string_view text, std::int64_t& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool Earlier(const DiskSample& a, const DiskSample& b) { return a.time < b.time; }

std::string DiskKey(std::string_view server, std::string_view disk) { return FoldCase(server) + "\n" + FoldCase(disk); }

}  // namespace

std::string UtcText(std::int64_t seconds) {
  std::string out;
  UtcTimes().Append(out, seconds);
  return out;
}

History History::Parse(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // as Notepad saves it
  History history;
  CsvRecords records(text);
  std::string_view fields[kFields];
  static constexpr std::string_view kNames[kFields] = {"time_utc", "server", "disk", "free_bytes", "size_bytes"};
  if (records.AtEnd() || records.Next(fields) != kFields || !std::equal(fields, fields + kFields, kNames)) {
    throw HistoryFormatError("строка 1: нет заголовка истории kestrane-check");
  }
  UtcTimes times;
  std::string server, disk;  // of the record before: a disk's readings stand together
  DiskHistory* series = nullptr;
  while (!records.AtEnd()) {
    const std::size_t line = records.Line();
    auto fail = [line](const std::string& why) {
      throw HistoryFormatError("строка " + std::to_string(line) + ": " + why);
    };
    const std::size_t count = records.Next(fields);
    if (count == 1 && fields[0].empty()) continue;  // a blank line
    DiskSample sample;
    if (count != kFields) fail("полей " + std::to_string(count) + " вместо 5");
    if (!times.Read(fields[0], sample.time)) fail("время не в виде 2024-05-01T10:15:00Z");
    if (fields[1].empty() || fields[2].empty()) fail("нет имени сервера или диска");
    if (!ParseCount(fields[3], sample.free) || !ParseCount(fields[4], sample.size)) {
      fail("размер не целое число байт");
    }
    if (!series || fields[1] != server || fields[2] != disk) {
      const std::size_t before = series ? series->samples.size() : 0;
      series = &history.Series(fields[1], fields[2]);
      server.assign(fields[1]);
      disk.assign(fields[2]);
      // Disks mostly hold as many readings as the one before: room for those and this run's.
      if (series->samples.empty()) series->samples.reserve(before + 1);
    }
    series->samples.push_back(sample);
  }
  return history;
}

DiskHistory& History::Series(std::string_view server, std::string_view disk) {
  auto [it, added] = index_.try_emplace(DiskKey(server, disk), disks_.size());
  if (added) disks_.push_back(DiskHistory{std::string(server), std::string(disk), {}});
  return disks_[it->second];
}

void History::Add(const std::string& server, const std::string& disk, const DiskSample& sample) {
  Series(server, disk).samples.push_back(sample);
}

void History::Trim(std::int64_t now) {
  const std::int64_t oldest = now - kHistoryDays * kSecondsPerDay;
  for (DiskHistory& d : disks_) {
    std::vector<DiskSample>& s = d.samples;
    if (!std::is_sorted(s.begin(), s.end(), Earlier)) std::stable_sort(s.begin(), s.end(), Earlier);
    auto keep = std::lower_bound(s.begin(), s.end(), DiskSample{oldest, 0, 0}, Earlier);
    if (s.end() - keep > static_cast<std::ptrdiff_t>(kMostReadingsPerDisk)) {
      keep = s.end() - static_cast<std::ptrdiff_t>(kMostReadingsPerDisk);
    }
    s.erase(s.begin(), keep);
  }
  std::erase_if(disks_, [](const DiskHistory& d) { return d.samples.empty(); });
  index_.clear();
  for (std::size_t i = 0; i < disks_.size(); ++i) index_.emplace(DiskKey(disks_[i].server, disks_[i].disk), i);
}

std::string History::Text() const {
  std::string out = std::string(kHistoryHeader) + "\r\n";
  std::size_t lines = 0;
  for (const DiskHistory& d : disks_) lines += d.samples.size();
  out.reserve(out.size() + lines * 64);
  UtcTimes times;
  char number[24];
  for (const DiskHistory& d : disks_) {
    std::string names = ",";
    names.append(CsvField(d.server)).append(",").append(CsvField(d.disk)).append(",");
    for (const DiskSample& s : d.samples) {
      times.Append(out, s.time);
      out += names;
      out.append(number, std::to_chars(number, number + sizeof number, s.free).ptr);
      out += ',';
      out.append(number, std::to_chars(number, number + sizeof number, s.size).ptr);
      out += "\r\n";
    }
  }
  return out;
}

const DiskHistory* History::Find(const std::string& server, const std::string& disk) const {
  auto it = index_.find(DiskKey(server, disk));
  return it == index_.end() ? nullptr : &disks_[it->second];
}

}  // namespace kestrane
