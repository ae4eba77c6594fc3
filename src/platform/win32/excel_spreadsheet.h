// Microsoft Excel through automation, late-bound: a new visible workbook written cell by cell.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <memory>

#include "platform/spreadsheet.h"
#include "platform/win32/ado_directory.h"
#include "platform/win32/automation.h"

namespace kestrane::win32 {

// Creates "Excel.Application" (in-process or local server), shows it, adds a workbook, names its
// first sheet and writes the note into A2. Every reference is let go when the object ends, also
// after an error; the workbook stays the operator's.
std::unique_ptr<Spreadsheet> OpenExcel(const ObjectFactory& create = CreateAutomationObject);

}  // namespace kestrane::win32
