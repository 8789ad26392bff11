#ifndef TARNO_TOOLS_SERVE_HTTP_SERVER_H_
#define TARNO_TOOLS_SERVE_HTTP_SERVER_H_

// The robot's HTTP server, over libmicrohttpd (Debian's), which reads, parses and writes
// every connection on one event thread of its own. No handler runs there: a request whose
// headers and body are in is handed to a pool of workers, and its connection sleeps until
// the answer is ready. A client that sends slowly, or not at all, therefore costs a socket
// and a few kB, never a worker, and cannot delay anybody else's request.
//
// What a stranger can hold, and for how long (HttpLimits):
//  - connections: at most `connections` in all and `connectionsPerAddress` per client
//    address (a further one is closed at once);
//  - headers: their whole block within `headerSeconds` of the connection or of the answer
//    before, at most `headerBytes` and `headerCount` fields (431 beyond either);
//  - the body: within `requestSeconds` of the headers, at most the route's limit (413), and
//    all bodies held at once at most `bodyBudgetBytes` (503 beyond);
//  - the answer: sent within `requestSeconds`; a client silent for `idleSeconds` at any
//    point is dropped.
// A connection past its deadline is closed; its worker, if it had one, finishes unharmed.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

namespace tarno::score {

struct HttpLimits {
  int headerSeconds = 10;
  int requestSeconds = 120;
  int idleSeconds = 10;
  size_t headerBytes = 32 * 1024;
  size_t headerCount = 100;
  int connections = 1000;
  int connectionsPerAddress = 16;  // 0: no cap (a reverse proxy in front holds that line)
  size_t bodyBudgetBytes = 256 * 1024 * 1024;
  int workers = 16;
  int listenBacklog = 128;
};

// A field of a multipart form, as far as its route keeps it.
struct FormField {
  std::string value;
  std::string filename;  // as the client named the file; empty for a plain field
  int parts = 0;         // how many parts of the form bore this name
  bool cut = false;      // longer than its route keeps; the rest was dropped
};

struct HttpRequest {
  std::string method;  // "GET" for a HEAD too: the server leaves the body out itself
  std::string path;    // decoded, without the query
  std::string remoteAddress;
  std::vector<std::string> matches;  // the route's pattern groups; [0] is the whole path
  std::vector<std::pair<std::string, std::string>> headers;
  std::map<std::string, std::string> params;  // the query's and a url-encoded form's
  std::map<std::string, FormField> fields;    // a multipart form's kept fields
  bool formBroken = false;                    // the body was not the form its Content-Type said
  bool notForm = false;                       // the route takes a form and the body is none

  // The first header of that name, in any case; empty when absent.
  std::string Header(const std::string& name) const;
  std::string Param(const std::string& name) const;
  const FormField* Field(const std::string& name) const;
};

struct HttpResponse {
  int status = 200;
  std::string body;
  std::string contentType;
  std::vector<std::pair<std::string, std::string>> headers;

  void SetHeader(const std::string& name, const std::string& value);
  // Another header of that name beside those there are (Set-Cookie).
  void AddHeader(const std::string& name, const std::string& value);
  void SetContent(std::string content, const std::string& type);
};

// What a route reads of a request's body. Fields not named are read and dropped.
struct FieldRule {
  std::string name;
  size_t maxBytes = 0;
  bool cut = false;  // keep the first maxBytes and drop the rest; else 413 beyond
};
struct BodyRule {
  enum class Kind { kNone, kUrlEncoded, kMultipart } kind = Kind::kNone;
  size_t maxBytes = 64 * 1024;  // the whole body; 413 beyond
  std::vector<FieldRule> fields;
};

class HttpServer {
 public:
  using Handler = std::function<void(const HttpRequest&, HttpResponse&)>;
  // Runs on a worker before the route's handler; true when it answered the request itself.
  using Guard = std::function<bool(const HttpRequest&, HttpResponse&)>;
  // Runs on the thread that answers, for every answer: common headers, and a page for an
  // answer that has no body of its own (the server's 404, 413, 431, 503 ...). Must not block.
  using Finisher = std::function<void(const HttpRequest&, HttpResponse&)>;

  explicit HttpServer(const HttpLimits& limits);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Routes are set up before Listen. A pattern matches the whole decoded path.
  void Get(const std::string& pattern, Handler handler);
  void Post(const std::string& pattern, const BodyRule& body, Handler handler);
  void SetGuard(Guard guard) { m_guard = std::move(guard); }
  void SetFinisher(Finisher finisher) { m_finisher = std::move(finisher); }

  // Binds `host` (a numeric IPv4 or IPv6 address, or a name) and `port` (0: any free one)
  // and starts the workers; the bound port, or 0 with the reason.
  int Listen(const std::string& host, int port, std::string* error);
  // Serves until Stop: answers what the workers finish, then closes every connection.
  // False when the event loop failed.
  bool Run();
  // From any thread, a signal-waiting one included: Run returns within a second or so,
  // after the workers' running handlers end (queued ones are answered 503).
  void Stop();

  // Open connections now; for tests and the progress of a stop.
  int Connections() const { return m_connections.load(); }

 private:
  struct Route;
  struct Connection;
  struct Exchange;
  class Workers;
  friend struct HttpCallbacks;

  int Begin(MHD_Connection* connection, const char* url, const char* method, void** state);
  int Continue(Exchange* exchange, const char* data, size_t* size);
  bool Keep(Exchange* exchange, const std::string& key, const char* filename, const char* data,
            uint64_t offset, size_t size);
  void End(Exchange* exchange);
  void ReleaseBody(Exchange* exchange);
  static const BodyRule& RuleOf(const Exchange* exchange);
  Connection* Opened(int fd);
  void Closed(Connection* connection);
  int Answer(Exchange* exchange);
  int AnswerNow(Exchange* exchange, int status);
  void Dispatch(Exchange* exchange);
  void Work(Exchange* exchange);
  bool TakeBudget(Exchange* exchange, size_t bytes);
  void CloseOverdue(bool everyIdle);

  HttpLimits m_limits;
  std::vector<std::unique_ptr<Route>> m_routes;
  Guard m_guard;
  Finisher m_finisher;
  MHD_Daemon* m_daemon = nullptr;
  int m_listenSocket = -1;
  std::unique_ptr<Workers> m_workers;
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_connections{0};
  std::atomic<size_t> m_bodyBytesHeld{0};
  std::atomic<int> m_working{0};  // handed to a worker and not yet answered
  // Only the event thread touches the set of connections.
  std::unordered_set<Connection*> m_open;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_HTTP_SERVER_H_
