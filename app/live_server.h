// The live page's server: the loopback address only, a random token that every request
// must carry (so that no other page in the browser can send keys), and nothing served but
// the page itself, its stream and its input address.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "app/live_channel.h"
#include "app/live_inbox.h"

namespace httplib {
class Server;
}

namespace app {

class LiveServer {
 public:
  // Listens on 127.0.0.1:port (0: a free port) on a thread of its own. Throws
  // std::runtime_error when the port cannot be had.
  LiveServer(std::string page_html, LiveChannel &channel, LiveInbox &inbox, int port);
  ~LiveServer();  // stops listening and waits for the streams to end
  LiveServer(const LiveServer &) = delete;
  LiveServer &operator=(const LiveServer &) = delete;

  // The address to open, token included.
  std::string Url() const;

 private:
  bool Allowed(const std::string &host, const std::string &token) const;

  std::string page_;
  LiveChannel &channel_;
  LiveInbox &inbox_;
  std::string token_;
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
};

}  // namespace app
