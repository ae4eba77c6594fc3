// The disk query over WMI scripting: late-bound calls on "WbemScripting.SWbemLocator".
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>
#include <memory>

#include "core/disk_query.h"
#include "platform/win32/automation.h"

namespace kestrane::win32 {

// The COM entry points the query uses, replaceable so tests can record them.
struct ComApi {
  std::function<HRESULT()> initialize;    // CoInitialize(nullptr)
  std::function<void()> uninitialize;     // CoUninitialize()
  std::function<ComPtr<IDispatch>(const wchar_t* progId)> createObject;
  static ComApi System();
  // The same with the thread in the multithreaded apartment: for workers without a message loop,
  // as kestrane-check's (single-threaded apartments that pump nothing can block each other in WMI).
  static ComApi Multithreaded();
};

inline constexpr wchar_t kWmiLocatorProgId[] = L"WbemScripting.SWbemLocator";
inline constexpr wchar_t kWmiNamespace[] = L"root\\cimv2";
inline constexpr wchar_t kFixedDiskQuery[] = L"Select * From Win32_LogicalDisk where drivetype=3";
// Fixed volumes (drive type 3) by their paths: a drive letter such as C:\ or a mount point such
// as D:\Mounts\Data1\ .
inline constexpr wchar_t kFixedVolumeQuery[] = L"Select Name, Capacity, FreeSpace From Win32_Volume where DriveType=3";
inline constexpr std::int32_t kWbemConnectFlagUseMaxWait = 128;
inline constexpr std::int32_t kWbemFlagForwardOnly = 32;

enum class WmiDisks { LogicalDisks, Volumes };

// Volumes are delivered with their path as the device name and their capacity as the size; a volume
// without a path (no Name, or only its \\?\Volume{...}\ name) is left out, as a disk without free space is.
std::unique_ptr<DiskQuery> MakeWmiDiskQuery(ComApi api = ComApi::System(), WmiDisks disks = WmiDisks::LogicalDisks);

}  // namespace kestrane::win32
