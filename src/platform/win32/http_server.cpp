#include "platform/win32/http_server.h"


#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

constexpr HTTPAPI_VERSION kVersion2 = HTTPAPI_VERSION_2;
// http.sys refuses a request line and headers beyond 16 KB itself (MaxRequestBytes); a server that
// hands one over anyway is answered 414 here.
constexpr ULONG kLongestRequest = 16 * 1024;
constexpr ULONG kMostRequestBytes = 1024 * 1024;
constexpr char kTimeoutHeader[] = "X-Prometheus-Scrape-Timeout-Seconds";

std::runtime_error HttpError(const std::string& what, ULONG code) {
  const std::string reason = SystemErrorText(code);
  return std::runtime_error(what + ": " + (reason.empty() ? "error " + std::to_string(code) : reason));
}

std::string VerbText(const HTTP_REQUEST& request) {
  static const char* const kVerbs[] = {"OPTIONS", "GET",      "HEAD",      "POST",  "PUT",  "DELETE",
                                       "TRACE",   "CONNECT",  "TRACK",     "MOVE",  "COPY", "PROPFIND",
                                       "PROPPATCH", "MKCOL",  "LOCK",      "UNLOCK", "SEARCH"};
  if (request.Verb >= HttpVerbOPTIONS && request.Verb <= HttpVerbSEARCH) return kVerbs[request.Verb - HttpVerbOPTIONS];
  if (request.pUnknownVerb) return std::string(request.pUnknownVerb, request.UnknownVerbLength);
  return "";
}

// Aligned for HTTP_REQUEST, which holds 64-bit members.
std::vector<ULONGLONG> RequestBuffer(ULONG bytes) { return std::vector<ULONGLONG>((bytes + 7) / 8); }

}  // namespace

HttpSysServer::HttpSysServer(const std::string& urlPrefix, HttpHandler handler, int receivers, ServiceLog log)
    : url_(Widen(urlPrefix)), handler_(std::move(handler)), log_(std::move(log)) {
  try {
    ULONG result = ::HttpInitialize(kVersion2, HTTP_INITIALIZE_SERVER, nullptr);
    if (result != NO_ERROR) throw HttpError("HttpInitialize", result);
    initialized_ = true;
    if ((result = ::HttpCreateServerSession(kVersion2, &session_, 0)) != NO_ERROR) throw HttpError("HttpCreateServerSession", result);
    if ((result = ::HttpCreateUrlGroup(session_, &group_, 0)) != NO_ERROR) throw HttpError("HttpCreateUrlGroup", result);
    if ((result = ::HttpCreateRequestQueue(kVersion2, nullptr, nullptr, 0, &queue_)) != NO_ERROR) {
      queue_ = nullptr;
      throw HttpError("HttpCreateRequestQueue", result);
    }
    HTTP_BINDING_INFO binding{};
    binding.Flags.Present = 1;
    binding.RequestQueueHandle = queue_;
    result = ::HttpSetUrlGroupProperty(group_, HttpServerBindingProperty, &binding, sizeof binding);
    if (result != NO_ERROR) throw HttpError("HttpSetUrlGroupProperty", result);
    // A connection that sends its headers slower than this is cut, once its first request has come.
    HTTP_TIMEOUT_LIMIT_INFO timeouts{};
    timeouts.Flags.Present = 1;
    timeouts.HeaderWait = 15;
    timeouts.IdleConnection = 120;
    result = ::HttpSetUrlGroupProperty(group_, HttpServerTimeoutsProperty, &timeouts, sizeof timeouts);
    if (result != NO_ERROR) log_(LogEvent::Notice, HttpError("Сроки соединений http.sys не заданы", result).what());
    result = ::HttpAddUrlToUrlGroup(group_, url_.c_str(), 0, 0);
    if (result == ERROR_ACCESS_DENIED) {
      throw HttpError("Адрес " + urlPrefix + " не зарезервирован для этой учётной записи (--install-service "
                      "резервирует его для службы; для консоли: netsh http add urlacl url=" + urlPrefix + " user=ИМЯ)", result);
    }
    if (result != NO_ERROR) throw HttpError("Адрес " + urlPrefix + " не удалось занять", result);
    for (int i = 0; i < receivers; ++i) {
      UniqueHandle thread(::CreateThread(nullptr, 0, ReceiverThread, this, 0, nullptr));
      if (!thread) throw HttpError("CreateThread", ::GetLastError());
      threads_.push_back(std::move(thread));
    }
  } catch (...) {
    while (!Stop(std::chrono::seconds(1))) {
    }
    throw;
  }
}

HttpSysServer::~HttpSysServer() {
  // The threads use this object: it goes only after the last one.
  while (!Stop(std::chrono::seconds(1))) {
  }
}

DWORD WINAPI HttpSysServer::ReceiverThread(void* self) {
  static_cast<HttpSysServer*>(self)->Receive();
  return 0;
}

void HttpSysServer::Receive() {
  std::vector<ULONGLONG> buffer = RequestBuffer(8192);
  while (!stopping_) {
    auto* request = reinterpret_cast<HTTP_REQUEST*>(buffer.data());
    ULONG bytes = 0;
    ULONG result = ::HttpReceiveHttpRequest(queue_, HTTP_NULL_ID, 0, request,
                                            static_cast<ULONG>(buffer.size() * 8), &bytes, nullptr);
    if (result == ERROR_MORE_DATA && bytes <= kMostRequestBytes) {
      // The same request again, whole, into a buffer of the size it needs.
      const HTTP_REQUEST_ID id = request->RequestId;
      std::vector<ULONGLONG> whole = RequestBuffer(bytes);
      request = reinterpret_cast<HTTP_REQUEST*>(whole.data());
      result = ::HttpReceiveHttpRequest(queue_, id, 0, request, static_cast<ULONG>(whole.size() * 8), &bytes, nullptr);
      if (result == NO_ERROR) {
        if (bytes > kLongestRequest) {
          HttpResponse tooLong{414, "text/plain; charset=utf-8", "Запрос слишком длинный.\n", ""};
          Send(request->RequestId, tooLong);
        } else {
          Answer(*request);
        }
        failing_ = false;
        continue;
      }
    }
    if (result == NO_ERROR) {
      Answer(*request);
      failing_ = false;
      continue;
    }
    if (stopping_) break;
    // The client left before its request was taken: nothing to answer.
    if (result == ERROR_CONNECTION_INVALID) continue;
    if (!failing_.exchange(true)) log_(LogEvent::Failure, HttpError("Запрос не принят", result).what());
    ::Sleep(100);  // a broken queue must not spin the processor
  }
}

void HttpSysServer::Answer(const HTTP_REQUEST& request) {
  HttpRequest in;
  in.method = VerbText(request);
  if (request.CookedUrl.pAbsPath) {
    in.path = Narrow(std::wstring_view(request.CookedUrl.pAbsPath, request.CookedUrl.AbsPathLength / sizeof(wchar_t)));
  }
  // The query exactly as sent: the cooked URL may have decoded it already.
  if (request.pRawUrl) {
    const std::string raw(request.pRawUrl, request.RawUrlLength);
    const std::size_t mark = raw.find('?');
    if (mark != std::string::npos) in.query = raw.substr(mark + 1, raw.find('#', mark) - mark - 1);
  }
  for (USHORT i = 0; i < request.Headers.UnknownHeaderCount; ++i) {
    const HTTP_UNKNOWN_HEADER& header = request.Headers.pUnknownHeaders[i];
    if (header.NameLength == sizeof kTimeoutHeader - 1 &&
        ::_strnicmp(header.pName, kTimeoutHeader, header.NameLength) == 0) {
      in.scrapeTimeout = std::string(header.pRawValue, header.RawValueLength);
    }
  }
  HttpResponse out;
  try {
    out = handler_(in);
  } catch (const std::exception& e) {
    log_(LogEvent::Failure, std::string("Запрос не обработан: ") + e.what());
    out = {500, "text/plain; charset=utf-8", std::string(e.what()) + "\n", ""};
  }
  Send(request.RequestId, out);
}

void HttpSysServer::Send(HTTP_REQUEST_ID id, const HttpResponse& out) {
  const std::string reason = ReasonPhrase(out.status);
  HTTP_RESPONSE response{};
  response.StatusCode = static_cast<USHORT>(out.status);
  response.pReason = reason.c_str();
  response.ReasonLength = static_cast<USHORT>(reason.size());
  auto header = [&](HTTP_HEADER_ID which, const std::string& value) {
    response.Headers.KnownHeaders[which].pRawValue = value.c_str();
    response.Headers.KnownHeaders[which].RawValueLength = static_cast<USHORT>(value.size());
  };
  header(HttpHeaderContentType, out.contentType);
  if (!out.allow.empty()) header(HttpHeaderAllow, out.allow);
  HTTP_DATA_CHUNK chunk{};
  chunk.DataChunkType = HttpDataChunkFromMemory;
  chunk.FromMemory.pBuffer = const_cast<char*>(out.body.data());
  chunk.FromMemory.BufferLength = static_cast<ULONG>(out.body.size());
  response.EntityChunkCount = 1;
  response.pEntityChunks = &chunk;
  ULONG sent = 0;
  // A client that has gone gets no answer; nothing else to do about it.
  ::HttpSendHttpResponse(queue_, id, 0, &response, nullptr, &sent, nullptr, 0, nullptr, nullptr);
}

bool HttpSysServer::Stop(std::chrono::milliseconds limit) {
  stopping_ = true;
  const auto until = std::chrono::steady_clock::now() + limit;
  bool ended = false;
  // A thread between two receives starts one more after a cancel: cancel until all have seen the stop.
  while (queue_) {
    ::CancelIoEx(queue_, nullptr);
    ended = true;
    for (const UniqueHandle& thread : threads_) ended = ended && ::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
    if (ended || std::chrono::steady_clock::now() >= until) break;
    ::Sleep(10);
  }
  if (!queue_ || ended) threads_.clear();
  Close();
  return !queue_ || ended;
}

void HttpSysServer::Close() {
  if (group_ != HTTP_NULL_ID) ::HttpCloseUrlGroup(group_);
  group_ = HTTP_NULL_ID;
  if (session_ != HTTP_NULL_ID) ::HttpCloseServerSession(session_);
  session_ = HTTP_NULL_ID;
  // A thread still answering uses the queue: it stays open for the process's last moments.
  if (queue_ && threads_.empty()) {
    ::HttpCloseRequestQueue(queue_);
    queue_ = nullptr;
  }
  if (initialized_ && !queue_) {
    ::HttpTerminate(HTTP_INITIALIZE_SERVER, nullptr);
    initialized_ = false;
  }
}

}  // namespace kestrane::win32
