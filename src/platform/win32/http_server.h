// The exporter's HTTP server on the HTTP Server API (http.sys, httpapi.dll): the system parses and
// frames every message, refuses over-long lines and headers, and holds slow clients itself; we get
// whole requests only.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <http.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/service_log.h"
#include "platform/http_server.h"
#include "platform/win32/unique_handle.h"

namespace kestrane::win32 {

class HttpSysServer {
 public:
  // Registers `urlPrefix` ("http://+:10135/") and answers its requests through `handler` on
  // `receivers` threads, each waiting for one request at a time. Throws std::runtime_error with the
  // system's reason when the URL cannot be registered (in use, or not reserved for this account).
  HttpSysServer(const std::string& urlPrefix, HttpHandler handler, int receivers, ServiceLog log);
  HttpSysServer(const HttpSysServer&) = delete;
  HttpSysServer& operator=(const HttpSysServer&) = delete;
  ~HttpSysServer();

  // Takes no new request and gives the requests in hand up to `limit` to be answered. True when
  // every receiving thread has ended; until then the object must stay (the destructor waits).
  bool Stop(std::chrono::milliseconds limit);

 private:
  static DWORD WINAPI ReceiverThread(void* self);
  void Receive();
  void Answer(const HTTP_REQUEST& request);
  void Send(HTTP_REQUEST_ID id, const HttpResponse& response);
  void Close();

  std::wstring url_;
  HttpHandler handler_;
  ServiceLog log_;
  bool initialized_ = false;
  HTTP_SERVER_SESSION_ID session_ = HTTP_NULL_ID;
  HTTP_URL_GROUP_ID group_ = HTTP_NULL_ID;
  HANDLE queue_ = nullptr;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> failing_{false};  // a receive failure is told once, not once per thread
  std::vector<UniqueHandle> threads_;
};

}  // namespace kestrane::win32
