// HTTP as the exporter sees it: one request in, one response out. The system's HTTP server parses
// and frames the messages; nothing of ours reads HTTP.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kestrane {

struct HttpRequest {
  std::string method;  // "GET"
  std::string path;    // "/probe", as the server gives it
  std::string query;   // "target=srv1", as sent: percent-encoded, without the '?'
  std::optional<std::string> scrapeTimeout;  // X-Prometheus-Scrape-Timeout-Seconds, as sent
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;
  std::string allow;  // the Allow header of a 405
};

// Called on the server's threads, several at once.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

// "Not Found" for 404.
inline const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 414: return "URI Too Long";
    case 503: return "Service Unavailable";
    default: return "Error";
  }
}

}  // namespace kestrane
