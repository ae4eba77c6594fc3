// A query of the directory of the user's domain through ADO and the ADSI provider, as a record
// set read one record at a time.
#pragma once

#include <string>

namespace kestrane {

class DirectoryQuery {
 public:
  virtual ~DirectoryQuery() = default;
  // Opens the read-only connection to the directory provider. Throws when it cannot.
  virtual void Connect() = 0;
  // Replaces the query text; a result still open from an earlier query is closed.
  virtual void SetText(const std::string& text) = 0;
  // Runs the query (opening a closed connection first) and goes to the first record.
  virtual void Open() = 0;
  virtual bool Eof() = 0;
  virtual std::string Name() = 0;  // the field Name of the current record
  virtual void Next() = 0;
  virtual int RecordCount() = 0;
};

}  // namespace kestrane
