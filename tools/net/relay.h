// The lag relay's loop: UDP on a loopback address, from a listening port to a
// target port and back, each datagram impaired by the dice.
//
//   netrelay::LagRelay relay(options, &error);   // binds; error says why not
//   relay.Run(deadline, stop);                   // until the deadline or *stop
//   relay.Counts().toTarget.dropped ...
//
// The client is whoever sent the latest datagram to the listening port; what the
// target sends goes back to it. Datagrams from the target before any client are
// discarded uncounted.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <queue>
#include <string>
#include <vector>

#include "impairment.h"

namespace netrelay {

struct RelayOptions {
  std::string address = "127.0.0.1";  // loopback only: 127.0.0.0/8 or ::1
  uint16_t listenPort = 0;            // 0: any free port (see LagRelay::ListenPort)
  uint16_t targetPort = 0;
  Impairment impairment;
  uint64_t seed = 1;
  uint32_t seconds = 60;
};

struct DirectionCounts {
  uint64_t received = 0;
  uint64_t dropped = 0;
  uint64_t duplicated = 0;
  uint64_t reordered = 0;
  uint64_t sent = 0;
};

struct RelayCounts {
  DirectionCounts toTarget;
  DirectionCounts toClient;
};

// Whether `address` is a numeric loopback address.
bool IsLoopback(const std::string& address);

class LagRelay {
 public:
  LagRelay(const RelayOptions& options, std::string* error);
  ~LagRelay();
  LagRelay(const LagRelay&) = delete;
  LagRelay& operator=(const LagRelay&) = delete;

  bool Ready() const { return listener_ >= 0 && forwarder_ >= 0; }
  uint16_t ListenPort() const;
  void Run(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& stop);
  const RelayCounts& Counts() const { return counts_; }

 private:
  struct Pending {
    std::chrono::steady_clock::time_point due;
    uint64_t order;  // arrival order, so that equal times keep it
    bool toTarget;
    std::vector<uint8_t> bytes;
    bool operator>(const Pending& other) const {
      return due != other.due ? due > other.due : order > other.order;
    }
  };

  void Receive(int socket, bool toTarget);
  void SendDue(std::chrono::steady_clock::time_point now);

  int listener_ = -1;
  int forwarder_ = -1;  // connected to the target, so it hears only the target
  sockaddr_storage client_{};
  socklen_t clientLength_ = 0;
  ImpairmentDice dice_;
  std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending_;
  uint64_t arrivals_ = 0;
  RelayCounts counts_;
};

}  // namespace netrelay
