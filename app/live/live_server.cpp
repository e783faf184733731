#include "app/live/live_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string_view>

#include "app/live/live_http.h"
#include "app/live/live_input_parse.h"

namespace app {

namespace {

constexpr char kLoopback[] = "127.0.0.1";

// Each stream holds a thread for as long as it is open; the rest serve the page, its keys and
// the refusals of anything else.
constexpr size_t kThreads = 32;
static_assert(kThreads >= 2 * kMaxLiveStreams + 8);
// A client gets this long to send a whole request, and waits idle this long for its next.
constexpr auto kRequestTime = std::chrono::seconds(3);
constexpr auto kIdleTime = std::chrono::seconds(3);

std::string RandomToken() {
  std::random_device entropy;
  std::string token;
  constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 32; ++i) token += kHex[entropy() & 15u];
  return token;
}

// Compares every character, so that the time taken does not tell how much of a guess was
// right.
bool SameSecret(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  unsigned diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

// Only SO_REUSEADDR (a restart may bind while the last run's connections linger), never
// cpp-httplib's SO_REUSEPORT, with which a second live run on the port would start and share
// the requests.
void ExclusivePort(socket_t sock) {
  int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why 127.0.0.1:port cannot be bound, in the system's words (cpp-httplib does not say).
std::string WhyNotBound(int port) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  if (sock < 0) return std::strerror(errno);
  ExclusivePort(sock);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, kLoopback, &addr.sin_addr);
  const int failed = ::bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
  const int error = errno;
  ::close(sock);
  if (failed == 0) return "it could not be bound";
  if (error == EADDRINUSE) return "port " + std::to_string(port) + " is in use";
  return std::strerror(error);
}

void Refuse(httplib::Response &res, int status, const std::string &why) {
  res.status = status;
  res.set_content(why + "\n", "text/plain");
  res.set_header("Connection", "close");
  GuardedHttpServer::CloseAfterResponse();  // whatever body it sent stays unread
}

// The body's length as the request declares it, checked before a byte of it is read: a body
// is sent with a Content-Length of digits only, within the route's limit.
bool BodyRefused(const httplib::Request &req, httplib::Response &res) {
  const bool input = req.method == "POST" && req.path == "/input";
  const size_t limit = input ? kMaxInputBytes : 0;
  if (req.has_header("Transfer-Encoding")) {
    Refuse(res, 411, "refused: send a Content-Length, not a Transfer-Encoding");
    return true;
  }
  if (!req.has_header("Content-Length")) {
    if (!input) return false;
    Refuse(res, 411, "refused: POST /input needs a Content-Length");
    return true;
  }
  const std::string text = req.get_header_value("Content-Length");
  uint64_t length = 0;
  const bool digits =
      !text.empty() && req.get_header_value_count("Content-Length") == 1 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits) {
    Refuse(res, 400, "refused: Content-Length must be one number of digits");
    return true;
  }
  const auto r = std::from_chars(text.data(), text.data() + text.size(), length);
  if (r.ec != std::errc() || length > limit) {
    Refuse(res, 413,
           input ? "refused: at most " + std::to_string(kMaxInputBytes) + " bytes a request"
                 : std::string("refused: this request takes no body"));
    return true;
  }
  if (input && req.get_header_value("Content-Type").rfind("multipart/", 0) == 0) {
    Refuse(res, 415, "refused: inputs are plain text, a line each");
    return true;
  }
  return false;
}

}  // namespace

LiveServer::LiveServer(std::string page_html, LiveChannel &channel, LiveInbox &inbox, int port)
    : page_(std::move(page_html)),
      channel_(channel),
      inbox_(inbox),
      token_(RandomToken()),
      server_(std::make_unique<GuardedHttpServer>(
          GuardedHttpServer::Limits{kThreads, kIdleTime, kRequestTime})) {
  Guard();
  server_->Get("/", [this](const httplib::Request &, httplib::Response &res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                   "connect-src 'self'; img-src data: blob:");
    res.set_content(page_, "text/html; charset=utf-8");
  });
  server_->Get("/stream",
               [this](const httplib::Request &, httplib::Response &res) { Stream(res); });
  RouteInputs();
  Listen(port);
}

void LiveServer::Guard() {
  // Refused before any route and before any body is read: a request from another page, or
  // from anywhere reached through a name that only resolves here (DNS rebinding), does not
  // know the token or does not name this address as its host.
  server_->set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
    if (Refused(req, res)) return httplib::Server::HandlerResponse::Handled;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // A client that waits for a go-ahead before its body hears the refusal instead.
  server_->set_expect_100_continue_handler(
      [this](const httplib::Request &req, httplib::Response &res) {
        return Refused(req, res) ? res.status : 100;
      });
}

void LiveServer::Stream(httplib::Response &res) {
  if (streams_.fetch_add(1) >= kMaxLiveStreams) {
    --streams_;
    Refuse(res, 503,
           "busy: at most " + std::to_string(kMaxLiveStreams) + " streams are open at once");
    return;
  }
  auto seen = std::make_shared<LiveChannel::Seen>();
  res.set_chunked_content_provider(
      "text/event-stream",
      [this, seen](size_t, httplib::DataSink &sink) {
        std::string text;
        if (!channel_.Next(*seen, text, std::chrono::milliseconds(1000))) {
          sink.done();
          return true;
        }
        if (text.empty()) text = ": still here\n\n";
        return sink.write(text.data(), text.size());
      },
      // A page that went away without a word (closed, crashed) cannot let its keys go.
      [this](bool) {
        --streams_;
        LiveInput release{};
        release.kind = LiveInput::kReleaseKeys;
        inbox_.Push(std::move(release));
      });
}

void LiveServer::RouteInputs() {
  // The page sends what it has gathered while its last request was on the way, a line
  // each, in order; a request with any line not understood is refused whole. The body is
  // read here rather than by cpp-httplib, which would cap a form-encoded one at 8 KiB.
  GuardedHttpServer &s = *server_;
  s.set_payload_max_length(kMaxInputBytes);
  s.set_tcp_nodelay(true);             // a key is a few bytes: send it now, not with the next
  s.set_keep_alive_max_count(100000);  // one connection for all of the page's inputs
  s.set_socket_options(ExclusivePort);
  s.Post("/input", [this](const httplib::Request &, httplib::Response &res,
                          const httplib::ContentReader &read) {
    std::string body;
    const bool whole = read([&body](const char *data, size_t size) {
      if (body.size() + size > kMaxInputBytes) return false;
      body.append(data, size);
      return true;
    });
    if (!whole) {
      Refuse(res, 400, "refused: the body did not arrive whole in time");
      return;
    }
    TakeInputs(body, res);
  });
}

void LiveServer::TakeInputs(const std::string &body, httplib::Response &res) {
  std::vector<LiveInput> inputs;
  size_t bad = 0;
  if (!ParseLiveInputs(body, inputs, &bad)) {
    res.status = 400;
    res.set_content("refused: line " + std::to_string(bad) + " is not an input\n", "text/plain");
    return;
  }
  for (const LiveInput &input : inputs) {
    if (input.kind == LiveInput::kFocus && !channel_.HasVessel(input.vessel)) {
      res.status = 400;
      res.set_content("refused: no vessel of the run has that name\n", "text/plain");
      return;
    }
  }
  for (LiveInput &input : inputs) inbox_.Push(std::move(input));
  res.status = 204;
}

void LiveServer::Listen(int port) {
  GuardedHttpServer &s = *server_;
  port_ = port == 0 ? s.bind_to_any_port(kLoopback) : (s.bind_to_port(kLoopback, port) ? port : -1);
  if (port_ <= 0) {
    throw std::runtime_error("cannot listen on " + std::string(kLoopback) + ":" +
                             std::to_string(port) + ": " + WhyNotBound(port));
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // A stop that comes before the server loop has begun is lost and the loop then runs on:
  // an error right after start-up would leave the program waiting for it forever.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LiveServer::~LiveServer() {
  channel_.Close();  // the streams end, so that stopping does not wait on them
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

bool LiveServer::Refused(const httplib::Request &req, httplib::Response &res) const {
  const std::string port = ":" + std::to_string(port_);
  const std::string host = req.get_header_value("Host");
  if (host != kLoopback + port && host != "localhost" + port) {
    Refuse(res, 403,
           "forbidden: the Host header must be 127.0.0.1" + port + " or localhost" + port +
               " (this server answers no other name)");
    return true;
  }
  if (!SameSecret(req.get_param_value("token"), token_)) {
    Refuse(res, 403, "forbidden: this address needs the token printed when it started");
    return true;
  }
  return BodyRefused(req, res);
}

std::string LiveServer::Url() const {
  return "http://" + std::string(kLoopback) + ":" + std::to_string(port_) + "/?token=" + token_;
}

}  // namespace app
