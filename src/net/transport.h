// A connection to one other player over UDP, on top of ENet: two channels (one
// reliable, one unreliable and sequenced), a round-trip estimate, and traffic
// counters. The host takes one player; a second one is turned away.
//
//   std::string error;
//   auto host = net::Transport::Host({"", net::DEFAULT_PORT}, &error);    // any address
//   auto joiner = net::Transport::Join({"localhost", net::DEFAULT_PORT}, &error);
//   for (net::TransportEvent e; (e = joiner->Service(10)).kind != net::TransportEvent::None;) ...
//   joiner->Send(net::Channel::Unreliable, net::Encode(packet).span());
//
// Debian's ENet (1.3.17) speaks IPv4 only: names resolve to IPv4 addresses, and an
// IPv6 address is refused with a message. A peer that answers nothing for
// PEER_TIMEOUT_MS is gone. Not thread-safe; one thread services and sends.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct _ENetHost;
struct _ENetPeer;
struct _ENetEvent;

namespace net {

inline constexpr uint16_t DEFAULT_PORT = 27455;
inline constexpr uint32_t PEER_TIMEOUT_MS = 3000;
// Packets above this size are not ours; ENet refuses them before reassembling.
inline constexpr size_t MAX_PACKET_BYTES = 1024;

// Why a connection ended, as the peer said when it closed it (ENet's disconnect data).
enum class CloseReason : uint32_t {
  Lost = 0,     // no word from the peer for PEER_TIMEOUT_MS, or it never answered
  Left = 1,     // the peer closed the connection
  Busy = 2,     // the host already has its player
  Foreign = 3,  // the other end is not this game
};

enum class Channel : uint8_t { Reliable = 0, Unreliable = 1 };

struct Endpoint {
  std::string host;  // a name or an IPv4 address; empty means any local address
  uint16_t port = DEFAULT_PORT;
};

// HOST, HOST:PORT, [ADDRESS] or [ADDRESS]:PORT (the brackets hold an IPv6
// address, which parses but Transport refuses). The error text is one line.
std::variant<Endpoint, std::string> ParseEndpoint(std::string_view text);

struct TransportEvent {
  enum Kind { None, Connected, Received, Closed } kind = None;
  Channel channel = Channel::Reliable;  // Received
  std::vector<uint8_t> data;            // Received: the packet
  CloseReason reason = CloseReason::Lost;  // Closed
};

struct TrafficCounts {
  uint64_t bytesSent = 0;  // UDP payload bytes, ENet's own headers and commands included
  uint64_t bytesReceived = 0;
  uint64_t packetsSent = 0;
  uint64_t packetsReceived = 0;
};

class Transport {
 public:
  // Listens on `local` (host "" for every IPv4 address; port 0 picks a free port).
  static std::unique_ptr<Transport> Host(const Endpoint& local, std::string* error);
  // Starts connecting to `remote`; a Connected or Closed event tells how it went.
  static std::unique_ptr<Transport> Join(const Endpoint& remote, std::string* error);
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // Sends and receives, waiting up to timeoutMs for something to happen. Returns
  // the next event, None if none came in time.
  TransportEvent Service(uint32_t timeoutMs);
  // Queues a packet for the peer (sent on the next Service, or Flush). False
  // without a connected peer or for a packet above MAX_PACKET_BYTES.
  bool Send(Channel channel, std::span<const uint8_t> bytes);
  // Sends what is queued now, without waiting.
  void Flush();
  // Closes the connection after what is queued has gone; a Closed event follows.
  void Close();

  bool Connected() const;
  // ENet's smoothed round-trip time to the peer, in milliseconds (0 without one).
  uint32_t RoundTripMs() const;
  TrafficCounts Traffic() const;
  // The local port, as bound.
  uint16_t Port() const;

 private:
  explicit Transport(_ENetHost* host) : host_(host) {}
  // One ENet event turned into ours; None for what only concerns ENet or a stranger.
  TransportEvent Handle(const _ENetEvent& event);
  void AddTraffic();
  void LimitHalfOpenPeers();
  TransportEvent DropSilentPeer();

  _ENetHost* host_;
  _ENetPeer* peer_ = nullptr;  // the one player (for a joiner: the host), once connected
  bool joining_ = false;
  uint32_t connectedAt_ = 0;  // ENet time of the connection, where silence is first counted from
  TrafficCounts traffic_;
};

}  // namespace net
