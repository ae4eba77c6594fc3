// Prints the working set in bytes and the handle count of each running process of an image name,
// one "WORKING_SET HANDLES" line per process, as Task Manager reads them; exit 1 when none runs.
// The handles are counted in the system's handle table: Wine answers GetProcessHandleCount for the
// calling process only.
// Usage: process_usage.exe kestrane-check.exe
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace {

struct HandleEntry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
  ULONG ownerProcessId;
  UCHAR objectType, flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
constexpr SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);

long HandlesOf(DWORD processId) {
  using Query = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<NTSTATUS>(0xC0000004)) {  // STATUS_INFO_LENGTH_MISMATCH
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status < 0) return -1;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < table->count; ++i) count += table->entries[i].ownerProcessId == processId;
    return count;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 2;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (::_wcsicmp(entry.szExeFile, argv[1]) != 0) continue;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
    if (!process) continue;
    PROCESS_MEMORY_COUNTERS memory{};
    const long handles = HandlesOf(entry.th32ProcessID);
    if (::K32GetProcessMemoryInfo(process, &memory, sizeof memory) && handles >= 0) {
      std::printf("%llu %ld\n", static_cast<unsigned long long>(memory.WorkingSetSize), handles);
      ++found;
    }
    ::CloseHandle(process);
  }
  ::CloseHandle(snapshot);
  return found ? 0 : 1;
}
