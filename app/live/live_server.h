// The live page's server: the loopback address only, a random token that every request
// must carry (so that no other page in the browser can send keys), and nothing served but
// the page itself, its stream and its input address. It stays up under load: the streams are
// capped, every request must arrive whole within seconds, and threads are left over for the
// page and its keys when the streams are full.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "app/live/live_channel.h"
#include "app/live/live_inbox.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace app {

class GuardedHttpServer;

inline constexpr int kMaxLiveStreams = 4;
inline constexpr size_t kMaxInputBytes = 64 * 1024;  // a POST /input body

class LiveServer {
 public:
  // Listens on 127.0.0.1:port (0: a free port) on a thread of its own. Throws
  // std::runtime_error, saying why, when the port cannot be had; a port another program
  // listens on (another live run) is never shared.
  LiveServer(std::string page_html, LiveChannel &channel, LiveInbox &inbox, int port);
  ~LiveServer();  // stops listening and waits for the streams to end
  LiveServer(const LiveServer &) = delete;
  LiveServer &operator=(const LiveServer &) = delete;

  // The address to open, token included.
  std::string Url() const;

 private:
  // The refusals before any route; the stream of the run; the page's inputs; the port.
  void Guard();
  void Stream(httplib::Response &res);
  void RouteInputs();
  void TakeInputs(const std::string &body, httplib::Response &res);
  void Listen(int port);
  // Fills res and returns true when the request is refused before its body is read.
  bool Refused(const httplib::Request &req, httplib::Response &res) const;

  std::string page_;
  LiveChannel &channel_;
  LiveInbox &inbox_;
  std::string token_;
  int port_ = 0;
  std::atomic<int> streams_{0};
  std::unique_ptr<GuardedHttpServer> server_;
  std::thread thread_;
};

}  // namespace app
