// The live server against a client that does not play by the rules: numbers out of range,
// bodies not understood, lengths that lie, headers sent a byte at a time, more streams than
// it serves, a port already taken. The server runs in-process; its client is a raw socket on
// 127.0.0.1, and every wait is bounded.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "app/live/live_channel.h"
#include "app/live/live_inbox.h"
#include "app/live/live_server.h"
#include "support/e2e_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int Connect(int port) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
  if (::connect(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
    ::close(sock);
    return -1;
  }
  return sock;
}

// Reads until the peer closes, `until` passes or `done` holds for what has arrived.
template <typename Done>
std::string ReadUntil(int sock, Clock::time_point until, Done done) {
  std::string got;
  while (!done(got)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    pollfd p{sock, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t n = ::read(sock, buffer, sizeof buffer);  // a socket or a pipe
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

// The number written right after `prefix` in text (after any spaces), or -1.
double NumberAfter(const std::string &text, const std::string &prefix, size_t from = 0) {
  size_t at = text.find(prefix, from);
  if (at == std::string::npos) return -1;
  at += prefix.size();
  while (at < text.size() && text[at] == ' ') ++at;
  if (at == text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return -1;
  return std::strtod(text.c_str() + at, nullptr);
}

// The port and token of the address the server printed; false when there is none.
bool PortAndToken(const std::string &url, int &port, std::string &token) {
  const size_t mark = url.find("/?token=");
  const size_t colon = url.rfind(':', mark);
  if (mark == std::string::npos || colon == std::string::npos) return false;
  port = std::atoi(url.c_str() + colon + 1);
  token = url.substr(mark + 8, 32);
  return port > 0 && token.size() == 32;
}

// Whether text holds a whole response: its head and, by Content-Length, its body.
bool WholeResponse(const std::string &text) {
  const size_t head = text.find("\r\n\r\n");
  if (head == std::string::npos) return false;
  std::string header = text.substr(0, head);
  std::transform(header.begin(), header.end(), header.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const double length = NumberAfter(header, "content-length:");
  return length < 0 || text.size() >= head + 4 + static_cast<size_t>(length);
}

int StatusOf(const std::string &response) {
  return response.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(response.c_str() + 9) : 0;
}

struct Reply {
  int status = 0;
  std::string text;
  double seconds = 0.0;
};

// One request on a connection of its own; the answer within `patience`.
Reply Exchange(int port, const std::string &request, std::chrono::milliseconds patience = 3000ms) {
  const auto start = Clock::now();
  const int sock = Connect(port);
  if (sock < 0) return {};
  ::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
  Reply r;
  r.text = ReadUntil(sock, start + patience, WholeResponse);
  r.status = StatusOf(r.text);
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(sock);
  return r;
}

class LiveProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    channel.PublishVessels({"crew", "lander"});
    server = std::make_unique<app::LiveServer>("<html>the page</html>", channel, inbox, 0);
    const std::string url = server->Url();
    ASSERT_TRUE(PortAndToken(url, port, token)) << url;
    host = "127.0.0.1:" + std::to_string(port);
  }
  void TearDown() override {
    for (const int s : open) ::close(s);
    server.reset();
  }

  std::string Get(const std::string &path) const {
    return "GET " + path + "?token=" + token + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
  }
  std::string Post(const std::string &body, const std::string &headers = "") const {
    return "POST /input?token=" + token + " HTTP/1.1\r\nHost: " + host + "\r\n" +
           (headers.empty() ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : headers) +
           "\r\n" + body;
  }
  std::vector<app::LiveInput> Taken() { return inbox.Take(Clock::now()); }

  // A stream held open: its head read; -1 unless it answered 200.
  int OpenStream() {
    const int sock = Connect(port);
    if (sock < 0) return -1;
    open.push_back(sock);
    const std::string request = Get("/stream");
    ::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
    const std::string head = ReadUntil(sock, Clock::now() + 3s, [](const std::string &t) {
      return t.find("\r\n\r\n") != std::string::npos;
    });
    return StatusOf(head) == 200 ? sock : -1;
  }

  app::LiveChannel channel;
  app::LiveInbox inbox;
  std::unique_ptr<app::LiveServer> server;
  int port = 0;
  std::string token, host;
  std::vector<int> open;
};

TEST_F(LiveProtocol, EveryAbuseIsAnsweredAtOnceAndNothingRefusedReachesTheRun) {
  const std::string lines64k = [] {
    std::string body;
    while (body.size() + 12 <= app::kMaxInputBytes) body += "release-all\n";
    return body + std::string(app::kMaxInputBytes - body.size(), '\n');
  }();
  struct Row {
    const char *what;
    std::string request;
    int status;
    size_t inputs;  // reaching the run
    const char *says = "";
  };
  const Row rows[] = {
      {"a key with its time", Post("down 87 1733580000000.5\nup 87\n"), 204, 2},
      {"the latest time there is", Post("repeat 87 1000000000000000"), 204, 1},
      {"a time past it", Post("down 87 1000000000000000.1"), 400, 0},
      {"a time beyond a double", Post("down 65 1e400"), 400, 0},
      {"a time that is not a number", Post("down 87 nan"), 400, 0},
      {"a negative time", Post("down 87 -5"), 400, 0},
      {"a time after a key-up", Post("up 87 5"), 400, 0},
      {"a key code 0", Post("down 0"), 400, 0},
      {"a key code 255", Post("down 255"), 400, 0},
      {"a key code with a sign", Post("down +87"), 400, 0},
      {"a key code and junk", Post("down 87x"), 400, 0},
      {"two spaces", Post("down  87"), 400, 0},
      {"a word after a control", Post("pause now"), 400, 0},
      {"an unknown word", Post("jump"), 400, 0},
      {"no vessel of that name", Post("focus nosuchvessel"), 400, 0, "no vessel"},
      {"a vessel of the run", Post("focus lander"), 204, 1},
      {"one bad line refuses the body", Post("down 87\nup 87\nbogus\n"), 400, 0, "line 3"},
      {"64 KiB of inputs", Post(lines64k), 204, app::kMaxInputBytes / 12},
      {"64 KiB, form-encoded",
       Post(lines64k, "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                          std::to_string(lines64k.size()) + "\r\n"),
       204, app::kMaxInputBytes / 12},
      {"a byte more than 64 KiB", Post(lines64k + "\n"), 413, 0},
      {"a length of 10 GB, never sent", Post("", "Content-Length: 10000000000\r\n"), 413, 0},
      {"a negative length", Post("pause", "Content-Length: -1\r\n"), 400, 0},
      {"a length that is no number", Post("pause", "Content-Length: abc\r\n"), 400, 0},
      {"two lengths", Post("pause", "Content-Length: 5\r\nContent-Length: 5\r\n"), 400, 0},
      {"no length", Post("pause", "Connection: close\r\n"), 411, 0},
      {"a chunked body", Post("5\r\npause\r\n0\r\n\r\n", "Transfer-Encoding: chunked\r\n"), 411, 0},
      {"a body on a GET",
       "GET /?token=" + token + " HTTP/1.1\r\nHost: " + host +
           "\r\nContent-Length: 10000000000\r\n\r\n",
       413, 0},
      {"a length that is a lie", Post("pause", "Content-Length: 500\r\n"), 400, 0},
      {"another name for the host",
       "GET /?token=" + token + " HTTP/1.1\r\nHost: attacker.example:" + std::to_string(port) +
           "\r\n\r\n",
       403, 0, "Host header must be"},
      {"no token", "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n", 403, 0, "needs the token"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    // Slower than this is waiting for something that will not come; the lie waits for a
    // request's time (3 s).
    const bool lie = std::string(row.what) == "a length that is a lie";
    const Reply reply = Exchange(port, row.request, lie ? 6000ms : 3000ms);
    EXPECT_EQ(reply.status, row.status) << reply.text.substr(0, 300);
    EXPECT_LT(reply.seconds, lie ? 4.5 : 1.0);
    EXPECT_NE(reply.text.find(row.says), std::string::npos) << reply.text.substr(0, 300);
    const std::vector<app::LiveInput> taken = Taken();
    EXPECT_EQ(taken.size(), row.inputs);
    if (row.status == 204 && !taken.empty() && taken[0].kind == app::LiveInput::kKeyDown) {
      EXPECT_EQ(taken[0].vk, 87);
      EXPECT_EQ(taken[0].pressed_ms, 1733580000000.5);
    }
  }
}

TEST_F(LiveProtocol, StreamsBeyondTheCapAreTurnedAwayAndThePageAndKeysStillAnswer) {
  int streams = 0, busy = 0;
  for (int i = 0; i < 2 * app::kMaxLiveStreams; ++i) {
    const int before = static_cast<int>(open.size());
    if (OpenStream() >= 0) {
      ++streams;
    } else if (StatusOf(Exchange(port, Get("/stream")).text) == 503) {
      ++busy;
      ::close(open.back());
      open.resize(static_cast<size_t>(before));
    }
  }
  EXPECT_EQ(streams, app::kMaxLiveStreams);
  EXPECT_EQ(busy, app::kMaxLiveStreams);
  for (int i = 0; i < 3; ++i) {
    const Reply page = Exchange(port, Get("/"), 2000ms);
    EXPECT_EQ(page.status, 200);
    EXPECT_LT(page.seconds, 1.0);
    EXPECT_EQ(Exchange(port, Post("down 87"), 2000ms).status, 204);
  }
  // A stream that ends frees its place.
  ::close(open.back());
  open.pop_back();
  bool freed = false;
  for (const auto until = Clock::now() + 5s; !freed && Clock::now() < until;) {
    freed = OpenStream() >= 0;
    if (!freed) std::this_thread::sleep_for(100ms);
  }
  EXPECT_TRUE(freed);
}

TEST_F(LiveProtocol, HeadersSentAByteAtATimeAreCutOffAndOthersStillServed) {
  constexpr int kSlow = 12;  // more than cpp-httplib's own pool of 8 threads
  std::vector<int> slow;
  for (int i = 0; i < kSlow; ++i) slow.push_back(Connect(port));
  const std::string request = Get("/");
  const auto start = Clock::now();
  std::vector<bool> cut(kSlow, false);
  int served_meanwhile = 0;
  // A byte from each every half second, for at most 8 s.
  for (size_t at = 0; at < request.size() && Clock::now() < start + 8s; ++at) {
    for (int i = 0; i < kSlow; ++i) {
      if (cut[i]) continue;
      if (::send(slow[i], &request[at], 1, MSG_NOSIGNAL) != 1) cut[i] = true;
      pollfd p{slow[i], POLLIN, 0};
      if (::poll(&p, 1, 0) > 0) cut[i] = true;  // answered or closed: either way, dropped
    }
    if (Exchange(port, Get("/"), 2000ms).status == 200) ++served_meanwhile;
    if (std::count(cut.begin(), cut.end(), true) == kSlow) break;
    std::this_thread::sleep_for(500ms);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(std::count(cut.begin(), cut.end(), true), kSlow);
  EXPECT_LT(seconds, 5.0);
  EXPECT_GE(served_meanwhile, 3);
  for (const int s : slow) ::close(s);
}

TEST_F(LiveProtocol, APortInUseIsRefusedSayingSo) {
  app::LiveChannel other_channel;
  app::LiveInbox other_inbox;
  try {
    app::LiveServer second("", other_channel, other_inbox, port);
    ADD_FAILURE() << "a second server started on port " << port;
  } catch (const std::runtime_error &e) {
    EXPECT_NE(std::string(e.what()).find("port " + std::to_string(port) + " is in use"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(Exchange(port, Get("/")).status, 200);
}

}  // namespace

namespace {

// touchdown-sim --live in a process of its own: its address read from its first line.
class LiveProgram {
 public:
  explicit LiveProgram(const std::vector<std::string> &args) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = e2e::Start(args, {}, out[1], -1);
    ::close(out[1]);
    out_ = out[0];
    first_line = ReadUntil(out_, Clock::now() + 20s,
                           [](const std::string &t) { return t.find('\n') != std::string::npos; });
    PortAndToken(first_line, port, token);
  }
  ~LiveProgram() {
    if (pid_ > 0 && Stop() < 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
    if (out_ >= 0) ::close(out_);
  }
  // Ctrl-C, and the exit status (-1: not ended within 20 s).
  int Stop() {
    ::kill(pid_, SIGINT);
    for (const auto until = Clock::now() + 20s; Clock::now() < until;) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }
  std::string Post(const std::string &body) const {
    return "POST /input?token=" + token + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  // Waits on the stream until a frame's time reaches t_s; false after `patience`.
  bool Reach(double t_s, std::chrono::seconds patience) const {
    const int sock = Connect(port);
    const std::string request = "GET /stream?token=" + token +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    ::send(sock, request.data(), request.size(), MSG_NOSIGNAL);
    bool reached = false;
    ReadUntil(sock, Clock::now() + patience, [&](const std::string &text) {
      for (size_t at = text.find("data: {"); at != std::string::npos;
           at = text.find("data: {", at + 1))
        reached = reached || NumberAfter(text, "data: {\"t\":", at) >= t_s;
      return reached;
    });
    ::close(sock);
    return reached;
  }

  int port = 0;
  std::string token, first_line;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

double EpochMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

using LiveRecording = e2e::E2E;

TEST_F(LiveRecording, ASessionOfTwoMinutesWithAKeyHeldOverAMinuteReplaysToTheSameEventLog) {
  if (!std::filesystem::exists(std::filesystem::path(TD_SIM_PROGRAM).parent_path() / "replay" /
                               "live.js"))
    GTEST_SKIP() << "touchdown-sim was built without its live page (no node and npm)";
  // The scenario's own timed repeat is played once, by the file's own event, not again as
  // if it came from the page.
  const std::string scenario =
      Write("live.toml", e2e::Slurp(std::string(TD_SOURCE_DIR) + "/tests/visual/live.toml") +
                             "\n[[event]]\nt_s = 0.5\nkey_down = \"S\"\n[[event]]\nt_s = 0.6\n"
                             "key_repeat = \"S\"\n[[event]]\nt_s = 0.7\nkey_up = \"S\"\n");
  const std::string live_log = (work_dir / "live.jsonl").string(),
                    recorded = (work_dir / "recorded.toml").string(),
                    replay_log = (work_dir / "replayed.jsonl").string();
  {
    LiveProgram live({"--live", scenario, "--rate", "100", "--port", "0", "--events", live_log,
                      "--record-scenario", recorded});
    ASSERT_GT(live.port, 0) << "no address printed: " << live.first_line;
    ASSERT_TRUE(live.Reach(1.0, 20s));
    // W pressed, repeated by the browser and let go; a turn; released at once by G.
    const std::string keys[] = {"down 87 " + std::to_string(EpochMs()), "repeat 87", "up 87",
                                "down 65\nup 65", "down 71\nup 71"};
    for (const std::string &k : keys) {
      EXPECT_EQ(StatusOf(Exchange(live.port, live.Post(k)).text), 204) << k;
      std::this_thread::sleep_for(20ms);
    }
    // A turn held for over a minute: no auto-repeat of the file may add to it.
    EXPECT_EQ(StatusOf(Exchange(live.port, live.Post("down 68")).text), 204);
    ASSERT_TRUE(live.Reach(70.0, 40s)) << "the run did not reach 70 s";
    EXPECT_EQ(StatusOf(Exchange(live.port, live.Post("repeat 68\nup 68")).text), 204);
    ASSERT_TRUE(live.Reach(125.0, 60s)) << "the run did not reach two minutes";
    EXPECT_EQ(live.Stop(), 130);
  }
  const e2e::Ran replay = e2e::RunIn(work_dir, {recorded, "--events", replay_log});
  EXPECT_EQ(replay.status, 0) << replay.err;
  const std::string a = e2e::Slurp(live_log), b = e2e::Slurp(replay_log);
  EXPECT_GT(std::count(a.begin(), a.end(), '\n'), 100);
  EXPECT_TRUE(a == b) << "the replay's event log differs from the live run's";
}

// A run of the simulator's own file is recorded as a scenario that takes its world from that
// file by its absolute path: the recording replays from any folder, to the same event log.
TEST_F(LiveRecording, TheSimulatorsFileIsRecordedByReferenceAndReplaysFromAnywhere) {
  if (!std::filesystem::exists(std::filesystem::path(TD_SIM_PROGRAM).parent_path() / "replay" /
                               "live.js"))
    GTEST_SKIP() << "touchdown-sim was built without its live page (no node and npm)";
  const std::string scn = std::string(TD_SOURCE_DIR) +
                          "/orbiter/Scenarios/touchdown/Lander on the Moon.scn",
                    live_log = (work_dir / "live.jsonl").string(),
                    recorded = (work_dir / "elsewhere" / "recorded.toml").string();
  std::filesystem::create_directories(work_dir / "elsewhere");
  {
    LiveProgram live({"--live", scn, "--rate", "100", "--port", "0", "--events", live_log,
                      "--record-scenario", recorded});
    ASSERT_GT(live.port, 0) << "no address printed: " << live.first_line;
    ASSERT_TRUE(live.Reach(1.0, 20s));
    EXPECT_EQ(StatusOf(Exchange(live.port, live.Post("down 71\nup 71")).text), 204);
    ASSERT_TRUE(live.Reach(3.0, 20s));
    EXPECT_EQ(live.Stop(), 130);
  }
  EXPECT_NE(e2e::Slurp(recorded).find("world_from = '" + scn + "'"), std::string::npos)
      << e2e::Slurp(recorded);
  const e2e::Ran replay = e2e::RunIn(
      work_dir / "elsewhere", {recorded, "--events", (work_dir / "replayed.jsonl").string()});
  EXPECT_EQ(replay.status, 0) << replay.err;
  EXPECT_TRUE(e2e::Slurp(live_log) == e2e::Slurp(work_dir / "replayed.jsonl"))
      << "the replay's event log differs from the live run's";
}

}  // namespace
