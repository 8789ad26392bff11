#include "serve/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "contest/ascii_text.h"

namespace tarno::score {

using Clock = std::chrono::steady_clock;

namespace {

// A body refused for its size is still read, up to this much more, and dropped, so that a
// plain client that sends it whole before reading gets the refusal instead of a reset.
constexpr uint64_t kDroppedAtMost = 32 * 1024 * 1024;

// Where no route takes the path: only a short body, read and dropped.
const BodyRule kNoBody;

}  // namespace

struct HttpServer::Route {
  std::string method;
  std::regex pattern;
  BodyRule body;
  Handler handler;
};

// One client socket, from accept to close; only the event thread touches it.
struct HttpServer::Connection {
  int fd = -1;
  enum class Phase { kWaiting, kReading, kWorking, kAnswering } phase = Phase::kWaiting;
  Clock::time_point deadline;
  bool shut = false;  // closed by a deadline; the library notices on its next turn
};

// One request, from its headers to its answer. The event thread owns it, except that a
// worker fills `response` between Dispatch and `ready`.
struct HttpServer::Exchange {
  HttpServer* server = nullptr;
  MHD_Connection* mhd = nullptr;
  Connection* connection = nullptr;
  const Route* route = nullptr;
  HttpRequest request;
  HttpResponse response;
  MHD_PostProcessor* post = nullptr;
  size_t bodyBytes = 0;
  size_t held = 0;  // of the server's body budget
  int refusal = 0;  // a status to answer with once the body is read and dropped
  bool dispatched = false;
  bool answered = false;
  int missing = 0;  // no route: 404, or 405 where another method has the path
  std::mutex mutex;
  bool ready = false;  // the worker's answer is in `response`
};

// A fixed set of threads taking exchanges in order of arrival.
class HttpServer::Workers {
 public:
  Workers(HttpServer* server, int count) : m_server(server) {
    for (int i = 0; i < std::max(count, 1); ++i) m_threads.emplace_back([this] { Loop(); });
  }
  ~Workers() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_ending = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) thread.join();
  }
  void Push(Exchange* exchange) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_queue.push_back(exchange);
    }
    m_wake.notify_one();
  }
  // True when no exchange waits or runs.
  bool Idle() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.empty() && m_busy == 0;
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [this] { return m_ending || !m_queue.empty(); });
      if (m_queue.empty()) return;
      Exchange* exchange = m_queue.front();
      m_queue.pop_front();
      ++m_busy;
      lock.unlock();
      m_server->Work(exchange);
      lock.lock();
      --m_busy;
    }
  }

  HttpServer* m_server;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<Exchange*> m_queue;
  int m_busy = 0;
  bool m_ending = false;
  std::vector<std::thread> m_threads;
};

namespace {

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (!address) return std::string();
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
    } else {
      inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
  }
  return text;
}

enum MHD_Result CollectHeader(void* cls, enum MHD_ValueKind, const char* key, const char* value) {
  static_cast<HttpRequest*>(cls)->headers.emplace_back(key ? key : "", value ? value : "");
  return MHD_YES;
}

enum MHD_Result CollectParam(void* cls, enum MHD_ValueKind, const char* key, const char* value) {
  if (key) static_cast<HttpRequest*>(cls)->params.emplace(key, value ? value : "");
  return MHD_YES;
}

void FreeBody(void* body) { delete static_cast<std::string*>(body); }

// A stranger's path as one short line of the robot's log: no control byte reaches it.
std::string LoggedPath(const std::string& path) {
  std::string out;
  for (size_t i = 0; i < path.size() && i < 200; ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  return path.size() > 200 ? out + "..." : out;
}

// The listening socket, made here so that the listen queue is ours to size.
int ListeningSocket(const std::string& host, int port, int backlog, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
    *error = "cannot find the address " + host;
    return -1;
  }
  int fd = -1;
  for (addrinfo* at = found; at && fd < 0; at = at->ai_next) {
    fd = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) continue;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, at->ai_addr, at->ai_addrlen) != 0 || listen(fd, backlog) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) *error = "cannot listen on " + host + ":" + service;
  return fd;
}

int BoundPort(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET)
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
  if (address.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  return 0;
}

}  // namespace

// The library's callbacks, with its own signatures, handing on to the server.
struct HttpCallbacks {
  static enum MHD_Result Request(void* cls, MHD_Connection* connection, const char* url,
                                 const char* method, const char*, const char* uploadData,
                                 size_t* uploadSize, void** state) {
    auto* server = static_cast<HttpServer*>(cls);
    if (!*state) return static_cast<MHD_Result>(server->Begin(connection, url, method, state));
    return static_cast<MHD_Result>(
        server->Continue(static_cast<HttpServer::Exchange*>(*state), uploadData, uploadSize));
  }
  static void Completed(void* cls, MHD_Connection*, void** state, enum MHD_RequestTerminationCode) {
    auto* exchange = static_cast<HttpServer::Exchange*>(*state);
    if (!exchange) return;
    static_cast<HttpServer*>(cls)->End(exchange);
    *state = nullptr;
  }
  static void Notify(void* cls, MHD_Connection* connection, void** socketState,
                     enum MHD_ConnectionNotificationCode code) {
    auto* server = static_cast<HttpServer*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      const MHD_ConnectionInfo* info =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
      *socketState = server->Opened(info ? info->connect_fd : -1);
    } else {
      server->Closed(static_cast<HttpServer::Connection*>(*socketState));
      *socketState = nullptr;
    }
  }
  static enum MHD_Result PostData(void* cls, enum MHD_ValueKind, const char* key,
                                  const char* filename, const char*, const char*, const char* data,
                                  uint64_t offset, size_t size) {
    auto* exchange = static_cast<HttpServer::Exchange*>(cls);
    return exchange->server->Keep(exchange, key ? key : "", filename, data, offset, size) ? MHD_YES
                                                                                          : MHD_NO;
  }
};

std::string HttpRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (EqualsIgnoringCase(key, name)) return value;
  }
  return std::string();
}

std::string HttpRequest::Param(const std::string& name) const {
  const auto found = params.find(name);
  return found == params.end() ? std::string() : found->second;
}

const FormField* HttpRequest::Field(const std::string& name) const {
  const auto found = fields.find(name);
  return found == fields.end() ? nullptr : &found->second;
}

void HttpResponse::SetHeader(const std::string& name, const std::string& value) {
  for (auto& [key, old] : headers) {
    if (EqualsIgnoringCase(key, name)) {
      old = value;
      return;
    }
  }
  headers.emplace_back(name, value);
}

void HttpResponse::AddHeader(const std::string& name, const std::string& value) {
  headers.emplace_back(name, value);
}

void HttpResponse::SetContent(std::string content, const std::string& type) {
  body = std::move(content);
  contentType = type;
}

HttpServer::HttpServer(const HttpLimits& limits) : m_limits(limits) {}

HttpServer::~HttpServer() {
  m_workers.reset();
  if (m_daemon) MHD_stop_daemon(m_daemon);
  if (m_listenSocket >= 0) close(m_listenSocket);
}

void HttpServer::Get(const std::string& pattern, Handler handler) {
  m_routes.push_back(
      std::make_unique<Route>(Route{"GET", std::regex(pattern), BodyRule{}, std::move(handler)}));
}

void HttpServer::Post(const std::string& pattern, const BodyRule& body, Handler handler) {
  m_routes.push_back(
      std::make_unique<Route>(Route{"POST", std::regex(pattern), body, std::move(handler)}));
}

int HttpServer::Listen(const std::string& host, int port, std::string* error) {
  m_listenSocket = ListeningSocket(host, port, m_limits.listenBacklog, error);
  if (m_listenSocket < 0) return 0;
  const int bound = BoundPort(m_listenSocket);
  // The library's own log would name every stranger's broken request on standard error.
  const unsigned int flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
  m_daemon = MHD_start_daemon(
      flags, 0, nullptr, nullptr, &HttpCallbacks::Request, this, MHD_OPTION_LISTEN_SOCKET,
      m_listenSocket, MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(m_limits.connections),
      MHD_OPTION_PER_IP_CONNECTION_LIMIT,
      static_cast<unsigned>(std::max(m_limits.connectionsPerAddress, 0)),
      MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(m_limits.idleSeconds),
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(m_limits.headerBytes * 2),
      MHD_OPTION_NOTIFY_COMPLETED, &HttpCallbacks::Completed, this, MHD_OPTION_NOTIFY_CONNECTION,
      &HttpCallbacks::Notify, this, MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_END);
  if (!m_daemon) {
    *error = "the HTTP server could not be started";
    return 0;
  }
  m_workers = std::make_unique<Workers>(this, m_limits.workers);
  return bound;
}

bool HttpServer::Run() {
  bool sound = true;
  while (!m_stopping.load()) {
    if (MHD_run_wait(m_daemon, 250) != MHD_YES) sound = false;
    CloseOverdue(false);
    if (!sound) break;
  }
  // No new connection; what the workers still do is answered before everything closes.
  const MHD_socket listening = MHD_quiesce_daemon(m_daemon);
  if (listening != MHD_INVALID_SOCKET) {
    close(listening);
    m_listenSocket = -1;
  }
  while (!m_workers->Idle() || m_working.load() > 0) {
    MHD_run_wait(m_daemon, 50);
    CloseOverdue(true);
  }
  const auto flushUntil = Clock::now() + std::chrono::milliseconds(300);
  while (Clock::now() < flushUntil && MHD_run_wait(m_daemon, 50) == MHD_YES) {
  }
  m_workers.reset();
  MHD_stop_daemon(m_daemon);
  m_daemon = nullptr;
  return sound;
}

void HttpServer::Stop() { m_stopping.store(true); }

HttpServer::Connection* HttpServer::Opened(int fd) {
  auto* connection = new Connection;
  connection->fd = fd;
  connection->deadline = Clock::now() + std::chrono::seconds(m_limits.headerSeconds);
  m_open.insert(connection);
  ++m_connections;
  return connection;
}

void HttpServer::Closed(Connection* connection) {
  if (!connection) return;
  m_open.erase(connection);
  delete connection;
  --m_connections;
}

// `everyIdle`: the server is stopping, and every connection not waiting for a worker goes.
void HttpServer::CloseOverdue(bool everyIdle) {
  const auto now = Clock::now();
  for (Connection* connection : m_open) {
    if (connection->shut || connection->phase == Connection::Phase::kWorking ||
        connection->fd < 0 || (!everyIdle && now < connection->deadline)) {
      continue;
    }
    // The library closes the socket itself once it reads the end; this thread is the only
    // one that could close it, so the descriptor is still this connection's.
    shutdown(connection->fd, SHUT_RDWR);
    connection->shut = true;
  }
}

int HttpServer::Begin(MHD_Connection* mhd, const char* url, const char* method, void** state) {
  auto* exchange = new Exchange;
  *state = exchange;
  exchange->server = this;
  exchange->mhd = mhd;
  if (const MHD_ConnectionInfo* info =
          MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_SOCKET_CONTEXT)) {
    exchange->connection = static_cast<Connection*>(info->socket_context);
  }
  if (exchange->connection) {
    exchange->connection->phase = Connection::Phase::kReading;
    exchange->connection->deadline = Clock::now() + std::chrono::seconds(m_limits.requestSeconds);
  }
  HttpRequest& request = exchange->request;
  request.method = method ? method : "";
  if (request.method == "HEAD") request.method = "GET";
  request.path = url ? url : "";
  if (const MHD_ConnectionInfo* info =
          MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_CLIENT_ADDRESS)) {
    request.remoteAddress = AddressText(info->client_addr);
  }
  MHD_get_connection_values(mhd, MHD_HEADER_KIND, &CollectHeader, &request);
  MHD_get_connection_values(mhd, MHD_GET_ARGUMENT_KIND, &CollectParam, &request);

  size_t headerBytes = 0;
  for (const auto& [key, value] : request.headers) headerBytes += key.size() + value.size() + 4;
  if (request.headers.size() > m_limits.headerCount || headerBytes > m_limits.headerBytes)
    return AnswerNow(exchange, 431);

  bool pathKnown = false;
  for (const auto& route : m_routes) {
    std::smatch match;
    if (!std::regex_match(request.path, match, route->pattern)) continue;
    pathKnown = true;
    if (route->method != request.method) continue;
    exchange->route = route.get();
    for (const auto& group : match) request.matches.push_back(group.str());
    break;
  }
  // A path no route takes still goes to a worker: the guard may have its own answer for it.
  if (!exchange->route) exchange->missing = pathKnown ? 405 : 404;
  const BodyRule& rule = RuleOf(exchange);
  const std::string length = request.Header("Content-Length");
  if (!length.empty()) {
    const uint64_t bytes = std::strtoull(length.c_str(), nullptr, 10);
    if (bytes > rule.maxBytes + kDroppedAtMost) return AnswerNow(exchange, 413);
    if (bytes > rule.maxBytes) exchange->refusal = 413;
  }
  if (rule.kind != BodyRule::Kind::kNone && !exchange->refusal) {
    exchange->post = MHD_create_post_processor(mhd, 16 * 1024, &HttpCallbacks::PostData, exchange);
    const std::string type = LowerAscii(request.Header("Content-Type"));
    const bool expected = rule.kind == BodyRule::Kind::kMultipart
                              ? type.rfind("multipart/form-data", 0) == 0
                              : type.rfind("application/x-www-form-urlencoded", 0) == 0;
    if (!exchange->post || !expected) {
      if (exchange->post) MHD_destroy_post_processor(exchange->post);
      exchange->post = nullptr;
      request.notForm = true;
    }
  }
  return MHD_YES;
}

const BodyRule& HttpServer::RuleOf(const Exchange* exchange) {
  return exchange->route ? exchange->route->body : kNoBody;
}

int HttpServer::Continue(Exchange* exchange, const char* data, size_t* size) {
  if (exchange->answered) {
    *size = 0;  // answered already: the rest of the body is not wanted
    return MHD_YES;
  }
  const BodyRule& rule = RuleOf(exchange);
  if (*size > 0) {
    const size_t length = *size;
    *size = 0;
    exchange->bodyBytes += length;
    if (exchange->bodyBytes > rule.maxBytes && !exchange->refusal) exchange->refusal = 413;
    if (exchange->refusal) {
      ReleaseBody(exchange);
      return exchange->bodyBytes > rule.maxBytes + kDroppedAtMost
                 ? AnswerNow(exchange, exchange->refusal)
                 : MHD_YES;
    }
    if (exchange->post && !exchange->request.formBroken &&
        MHD_post_process(exchange->post, data, length) != MHD_YES && !exchange->refusal) {
      exchange->request.formBroken = true;
    }
    if (exchange->refusal) ReleaseBody(exchange);
    return MHD_YES;
  }
  if (exchange->refusal) return AnswerNow(exchange, exchange->refusal);
  if (!exchange->dispatched) {
    Dispatch(exchange);
    return MHD_YES;
  }
  bool ready = false;
  {
    std::lock_guard<std::mutex> lock(exchange->mutex);
    ready = exchange->ready;
  }
  return ready ? Answer(exchange) : MHD_YES;
}

// A refused body is dropped as it comes; what was kept of it goes at once.
void HttpServer::ReleaseBody(Exchange* exchange) {
  if (exchange->post) {
    MHD_destroy_post_processor(exchange->post);
    exchange->post = nullptr;
  }
  exchange->request.fields.clear();
  exchange->request.params.clear();
  m_bodyBytesHeld.fetch_sub(exchange->held);
  exchange->held = 0;
}

bool HttpServer::Keep(Exchange* exchange, const std::string& key, const char* filename,
                      const char* data, uint64_t offset, size_t size) {
  HttpRequest& request = exchange->request;
  const BodyRule& rule = RuleOf(exchange);
  if (rule.kind == BodyRule::Kind::kUrlEncoded) {
    if (!TakeBudget(exchange, size)) return false;
    if (offset == 0) request.params.erase(key);
    request.params[key].append(data ? data : "", size);
    return true;
  }
  const auto known = std::find_if(rule.fields.begin(), rule.fields.end(),
                                  [&key](const FieldRule& field) { return field.name == key; });
  if (known == rule.fields.end()) return true;  // read and dropped
  FormField& field = request.fields[key];
  if (offset == 0) {
    ++field.parts;
    if (filename) field.filename = filename;
  }
  if (field.parts > 1) return true;  // the handler refuses a form with a field twice over
  const size_t room = known->maxBytes - std::min(known->maxBytes, field.value.size());
  if (size > room) {
    if (!known->cut) {
      exchange->refusal = 413;
      return false;
    }
    field.cut = true;
    size = room;
  }
  if (!TakeBudget(exchange, size)) return false;
  field.value.append(data ? data : "", size);
  return true;
}

bool HttpServer::TakeBudget(Exchange* exchange, size_t bytes) {
  const size_t before = m_bodyBytesHeld.fetch_add(bytes);
  if (before + bytes > m_limits.bodyBudgetBytes) {
    m_bodyBytesHeld.fetch_sub(bytes);
    exchange->refusal = 503;
    return false;
  }
  exchange->held += bytes;
  return true;
}

void HttpServer::Dispatch(Exchange* exchange) {
  exchange->dispatched = true;
  ++m_working;
  if (exchange->post) {
    MHD_destroy_post_processor(exchange->post);
    exchange->post = nullptr;
  }
  if (m_stopping.load()) {
    exchange->response.status = 503;
    std::lock_guard<std::mutex> lock(exchange->mutex);
    exchange->ready = true;
  }
  if (exchange->connection) exchange->connection->phase = Connection::Phase::kWorking;
  MHD_suspend_connection(exchange->mhd);
  if (m_stopping.load()) {
    MHD_resume_connection(exchange->mhd);
    return;
  }
  m_workers->Push(exchange);
}

void HttpServer::Work(Exchange* exchange) {
  HttpResponse response;
  const HttpRequest& request = exchange->request;
  if (m_stopping.load()) {
    response.status = 503;
  } else {
    try {
      const bool guarded = m_guard && m_guard(request, response);
      if (!guarded && exchange->route) {
        exchange->route->handler(request, response);
      } else if (!guarded) {
        response.status = exchange->missing;
        if (response.status == 405) response.SetHeader("Allow", "GET, HEAD, POST");
      }
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "tarno-score serve: %s %s failed: %s\n", request.method.c_str(),
                   LoggedPath(request.path).c_str(), failure.what());
      response = HttpResponse();
      response.status = 500;
    } catch (...) {
      std::fprintf(stderr, "tarno-score serve: %s %s failed\n", request.method.c_str(),
                   LoggedPath(request.path).c_str());
      response = HttpResponse();
      response.status = 500;
    }
  }
  {
    std::lock_guard<std::mutex> lock(exchange->mutex);
    exchange->response = std::move(response);
    exchange->ready = true;
  }
  MHD_resume_connection(exchange->mhd);
}

int HttpServer::AnswerNow(Exchange* exchange, int status) {
  exchange->response.status = status;
  exchange->response.body.clear();
  if (status == 503) exchange->response.SetHeader("Retry-After", "10");
  return Answer(exchange);
}

int HttpServer::Answer(Exchange* exchange) {
  HttpResponse& response = exchange->response;
  if (m_finisher) m_finisher(exchange->request, response);
  auto* body = new std::string(std::move(response.body));
  MHD_Response* answer = MHD_create_response_from_buffer_with_free_callback_cls(
      body->size(), body->data(), &FreeBody, body);
  if (!answer) {
    delete body;
    return MHD_NO;
  }
  if (!response.contentType.empty())
    MHD_add_response_header(answer, MHD_HTTP_HEADER_CONTENT_TYPE, response.contentType.c_str());
  for (const auto& [name, value] : response.headers)
    MHD_add_response_header(answer, name.c_str(), value.c_str());
  const MHD_Result queued =
      MHD_queue_response(exchange->mhd, static_cast<unsigned>(response.status), answer);
  MHD_destroy_response(answer);
  exchange->answered = true;
  if (exchange->dispatched) --m_working;
  if (exchange->connection) {
    exchange->connection->phase = Connection::Phase::kAnswering;
    exchange->connection->deadline = Clock::now() + std::chrono::seconds(m_limits.requestSeconds);
  }
  return queued;
}

void HttpServer::End(Exchange* exchange) {
  ReleaseBody(exchange);
  if (exchange->connection) {
    exchange->connection->phase = Connection::Phase::kWaiting;
    exchange->connection->deadline = Clock::now() + std::chrono::seconds(m_limits.headerSeconds);
  }
  delete exchange;
}

}  // namespace tarno::score
