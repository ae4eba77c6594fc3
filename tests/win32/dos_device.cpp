// Test helper: gives a folder a drive letter in the running Wine session, or takes it back.
//   kestrane_dos_device define K: Z:\path\to\folder
//   kestrane_dos_device remove K: Z:\path\to\folder
// Wine lists the drives of a session (GetLogicalDrives) from its DOS device names, which it reads
// from the prefix's dosdevices folder once, when the session starts; a drive added to that folder
// later opens but is not listed until it is defined here too.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 || (std::wcscmp(argv[1], L"define") != 0 && std::wcscmp(argv[1], L"remove") != 0)) {
    std::fputs("usage: kestrane_dos_device define|remove DRIVE: TARGET\n", stderr);
    return 2;
  }
  // Removed by an exact match on the target, so that nothing this helper did not define goes.
  const DWORD flags = std::wcscmp(argv[1], L"define") == 0
                          ? DDD_NO_BROADCAST_SYSTEM
                          : DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE | DDD_NO_BROADCAST_SYSTEM;
  if (!::DefineDosDeviceW(flags, argv[2], argv[3])) {
    std::fprintf(stderr, "DefineDosDeviceW(%ls %ls) failed: %lu\n", argv[1], argv[2], ::GetLastError());
    return 1;
  }
  return 0;
}
