#include "app/live_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace app {

namespace {

constexpr char kLoopback[] = "127.0.0.1";

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

constexpr size_t kMaxInputBytes = 64 * 1024;

// One line of POST /input: "down VK [MS]", "repeat VK [MS]", "up VK", "release-all", a host
// control ("pause", "resume", "restart", "focus-next", "throttle-up", "throttle-down",
// "throttle-cut") or "focus NAME". VK is a virtual-key code 1 ... 254, MS the time the
// page saw the key, ms since the epoch.
bool ParseInput(std::string_view line, LiveInput &input) {
  static const std::pair<std::string_view, LiveInput::Kind> kWords[] = {
      {"down", LiveInput::kKeyDown},
      {"repeat", LiveInput::kKeyRepeat},
      {"up", LiveInput::kKeyUp},
      {"release-all", LiveInput::kReleaseKeys},
      {"focus", LiveInput::kFocus},
      {"focus-next", LiveInput::kFocusNext},
      {"throttle-up", LiveInput::kThrottleUp},
      {"throttle-down", LiveInput::kThrottleDown},
      {"throttle-cut", LiveInput::kThrottleCut},
      {"pause", LiveInput::kPause},
      {"resume", LiveInput::kResume},
      {"restart", LiveInput::kRestart},
  };
  const size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
  const auto known = std::find_if(std::begin(kWords), std::end(kWords),
                                  [word](const auto &w) { return w.first == word; });
  if (known == std::end(kWords)) return false;
  input = LiveInput{};
  input.kind = known->second;
  switch (input.kind) {
    case LiveInput::kKeyDown:
    case LiveInput::kKeyRepeat:
    case LiveInput::kKeyUp: {
      std::istringstream fields{std::string(rest)};
      if (!(fields >> input.vk) || input.vk < 1 || input.vk > 254) return false;
      fields >> input.pressed_ms;
      return true;
    }
    case LiveInput::kFocus:
      input.vessel = std::string(rest);
      return !rest.empty();
    default:
      return rest.empty();
  }
}

}  // namespace

LiveServer::LiveServer(std::string page_html, LiveChannel &channel, LiveInbox &inbox, int port)
    : page_(std::move(page_html)),
      channel_(channel),
      inbox_(inbox),
      token_(RandomToken()),
      server_(std::make_unique<httplib::Server>()) {
  httplib::Server &s = *server_;
  // Refused before any route: a request from another page, or from anywhere reached
  // through a name that only resolves here (DNS rebinding), does not know the token or does
  // not name this address as its host.
  s.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
    if (Allowed(req.get_header_value("Host"), req.get_param_value("token"))) {
      res.set_header("Cache-Control", "no-store");
      res.set_header("X-Content-Type-Options", "nosniff");
      return httplib::Server::HandlerResponse::Unhandled;
    }
    res.status = 403;
    res.set_content("forbidden: this address needs the token printed when it started\n",
                    "text/plain");
    return httplib::Server::HandlerResponse::Handled;
  });
  s.Get("/", [this](const httplib::Request &, httplib::Response &res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                   "connect-src 'self'; img-src data: blob:");
    res.set_content(page_, "text/html; charset=utf-8");
  });
  s.Get("/stream", [this](const httplib::Request &, httplib::Response &res) {
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
          LiveInput release{};
          release.kind = LiveInput::kReleaseKeys;
          inbox_.Push(std::move(release));
        });
  });
  // The page sends what it has gathered while its last request was on the way, a line
  // each, in order; a request with any line not understood is refused whole.
  s.set_payload_max_length(kMaxInputBytes);
  s.set_tcp_nodelay(true);             // a key is a few bytes: send it now, not with the next
  s.set_keep_alive_max_count(100000);  // one connection for all of the page's inputs
  s.Post("/input", [this](const httplib::Request &req, httplib::Response &res) {
    std::vector<LiveInput> inputs;
    std::istringstream lines(req.body);
    for (std::string line; std::getline(lines, line);) {
      if (line.empty()) continue;
      if (!ParseInput(line, inputs.emplace_back())) {
        res.status = 400;
        return;
      }
    }
    for (LiveInput &input : inputs) inbox_.Push(std::move(input));
    res.status = 204;
  });

  port_ = port == 0 ? s.bind_to_any_port(kLoopback) : (s.bind_to_port(kLoopback, port) ? port : -1);
  if (port_ <= 0) {
    throw std::runtime_error("cannot listen on " + std::string(kLoopback) + ":" +
                             std::to_string(port) + " (in use?)");
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

bool LiveServer::Allowed(const std::string &host, const std::string &token) const {
  const std::string port = ":" + std::to_string(port_);
  const bool our_host = host == kLoopback + port || host == "localhost" + port;
  return our_host && SameSecret(token, token_);
}

std::string LiveServer::Url() const {
  return "http://" + std::string(kLoopback) + ":" + std::to_string(port_) + "/?token=" + token_;
}

}  // namespace app
