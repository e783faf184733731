#include "app/live/live_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace app {

namespace {

using Clock = std::chrono::steady_clock;

thread_local bool g_close_after = false;

int PollFor(int sock, short events, Clock::duration wait) {
  pollfd p{sock, events, 0};
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(std::max(wait, Clock::duration{}));
  return ::poll(&p, 1, static_cast<int>(std::min<long long>(ms.count(), 60'000)));
}

bool Address(int sock, bool peer, std::string &ip, int &port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  if ((peer ? ::getpeername(sock, reinterpret_cast<sockaddr *>(&addr), &len)
            : ::getsockname(sock, reinterpret_cast<sockaddr *>(&addr), &len)) != 0 ||
      addr.ss_family != AF_INET)
    return false;
  const auto &in = reinterpret_cast<const sockaddr_in &>(addr);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
  ip = text;
  port = ntohs(in.sin_port);
  return true;
}

// A connection's socket read against the current request's deadline, with a buffer that
// outlives one request (so a pipelined request is not lost).
class DeadlineStream : public httplib::Stream {
 public:
  DeadlineStream(int sock, Clock::duration write_timeout)
      : sock_(sock), write_timeout_(write_timeout) {}

  void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }
  bool Buffered() const { return begin_ < end_; }

  bool is_readable() const override {
    return Buffered() || PollFor(sock_, POLLIN, deadline_ - Clock::now()) > 0;
  }
  bool is_writable() const override {
    if (PollFor(sock_, POLLOUT, write_timeout_) <= 0) return false;
    // A peer that has gone (a closed page) shows as readable with nothing to read.
    if (PollFor(sock_, POLLIN, Clock::duration{}) == 0) return true;
    char byte;
    return ::recv(sock_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
  }
  ssize_t read(char *ptr, size_t size) override {
    if (!Buffered()) {
      if (Clock::now() >= deadline_ || PollFor(sock_, POLLIN, deadline_ - Clock::now()) <= 0)
        return -1;
      const ssize_t got = ::recv(sock_, buffer_, sizeof buffer_, 0);
      if (got <= 0) return got;
      begin_ = 0;
      end_ = static_cast<size_t>(got);
    }
    const size_t n = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_ + begin_, n);
    begin_ += n;
    return static_cast<ssize_t>(n);
  }
  ssize_t write(const char *ptr, size_t size) override {
    if (PollFor(sock_, POLLOUT, write_timeout_) <= 0) return -1;
    return ::send(sock_, ptr, size, MSG_NOSIGNAL);
  }
  void get_remote_ip_and_port(std::string &ip, int &port) const override {
    Address(sock_, true, ip, port);
  }
  void get_local_ip_and_port(std::string &ip, int &port) const override {
    Address(sock_, false, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  int sock_;
  Clock::duration write_timeout_;
  Clock::time_point deadline_{};
  char buffer_[4096];
  size_t begin_ = 0, end_ = 0;
};

}  // namespace

GuardedHttpServer::GuardedHttpServer(const Limits &limits) : limits_(limits) {
  new_task_queue = [n = limits.threads] { return new httplib::ThreadPool(n); };
}

void GuardedHttpServer::CloseAfterResponse() { g_close_after = true; }

bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
  DeadlineStream stream(sock, std::chrono::seconds(write_timeout_sec_) +
                                  std::chrono::microseconds(write_timeout_usec_));
  bool ok = true;
  for (size_t served = 0; served < keep_alive_max_count_; ++served) {
    // Waits in short turns, so that a stopping server does not wait for idle clients.
    const auto idle_until = Clock::now() + limits_.idle;
    int ready = stream.Buffered() ? 1 : 0;
    while (ready == 0 && svr_sock_ != INVALID_SOCKET && Clock::now() < idle_until)
      ready = PollFor(
          sock, POLLIN,
          std::min<Clock::duration>(std::chrono::milliseconds(50), idle_until - Clock::now()));
    if (ready <= 0 || svr_sock_ == INVALID_SOCKET) break;
    stream.SetDeadline(Clock::now() + limits_.request);
    g_close_after = false;
    bool closed = false;
    ok = process_request(stream, served + 1 == keep_alive_max_count_, closed, nullptr);
    if (!ok || closed || g_close_after) break;
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

}  // namespace app
