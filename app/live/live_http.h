// cpp-httplib's server with its connections served by a loop of our own, so that no client
// holds a thread for long without doing its part: a request (its line, headers and body)
// must arrive whole within a deadline, a connection waits idle only so long for its next
// request, and a handler can have the connection closed after its answer (a body it
// refused is never read). cpp-httplib's own loop bounds each read but not a request, so a
// client sending a byte every few seconds would keep a thread forever.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace app {

class GuardedHttpServer : public httplib::Server {
 public:
  struct Limits {
    size_t threads;                     // connections served at once; more wait their turn
    std::chrono::milliseconds idle;     // for a connection's next request
    std::chrono::milliseconds request;  // from a request's first byte to its last
  };
  explicit GuardedHttpServer(const Limits &limits);

  // Called from a handler: the connection closes after this response.
  static void CloseAfterResponse();

 private:
  bool process_and_close_socket(socket_t sock) override;

  Limits limits_;
};

}  // namespace app
