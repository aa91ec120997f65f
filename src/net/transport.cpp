// The ENet wrapper: address parsing and resolution (IPv4), the one-player host,
// the joiner, and the events and counters the session reads.
#include "net/transport.h"

#include <enet/enet.h>
#include <enet/time.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <mutex>

namespace net {
namespace {

// Sent with ENet's connect request; the host turns away a joiner without it, which
// is some other program that speaks ENet.
constexpr uint32_t CONNECT_TAG = 0x315A5242;  // "BRZ1"
constexpr size_t CHANNELS = 2;
// The host has a second slot so that it can tell a second player it is busy.
constexpr size_t HOST_SLOTS = 2;
// What one peer may keep waiting in ENet's queues; ours are a few small packets.
constexpr size_t MAX_WAITING_BYTES = 64 * 1024;

bool InitializeEnet() {
  // On Linux enet_initialize only seeds its clock; it is called once and never undone.
  static const bool ready = enet_initialize() == 0;
  return ready;
}

std::variant<uint16_t, std::string> ParsePort(std::string_view text) {
  unsigned value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (problem != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) {
    return "bad port '" + std::string(text) + "' (1..65535)";
  }
  return static_cast<uint16_t>(value);
}

// `endpoint.host` as an ENet address; an error text if it cannot be one.
std::variant<ENetAddress, std::string> Resolve(const Endpoint& endpoint) {
  ENetAddress address{ENET_HOST_ANY, endpoint.port};
  if (endpoint.host.empty()) return address;
  if (endpoint.host.find(':') != std::string::npos) {
    return "IPv6 address '" + endpoint.host +
           "' not supported: this build's ENet speaks IPv4 only; give an IPv4 address or name";
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(endpoint.host.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr) {
    return "cannot find an IPv4 address for '" + endpoint.host + "': " + gai_strerror(status);
  }
  address.host = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

_ENetHost* CreateHost(const ENetAddress* address, size_t slots, std::string* error) {
  if (!InitializeEnet()) {
    *error = "cannot start ENet";
    return nullptr;
  }
  ENetHost* host = enet_host_create(address, slots, CHANNELS, 0, 0);
  if (host == nullptr) {
    *error = address != nullptr
                 ? "cannot listen on UDP port " + std::to_string(address->port) + " (in use?)"
                 : std::string("cannot open a UDP socket");
    return nullptr;
  }
  host->maximumPacketSize = MAX_PACKET_BYTES;
  host->maximumWaitingData = MAX_WAITING_BYTES;
  return host;
}

void SetPeerTimeout(ENetPeer* peer) {
  enet_peer_timeout(peer, 0, PEER_TIMEOUT_MS, PEER_TIMEOUT_MS);
}

CloseReason ReasonOf(uint32_t data) {
  return data <= static_cast<uint32_t>(CloseReason::Foreign) ? static_cast<CloseReason>(data)
                                                             : CloseReason::Left;
}

}  // namespace

std::variant<Endpoint, std::string> ParseEndpoint(std::string_view text) {
  Endpoint endpoint;
  std::string_view port;
  if (text.starts_with('[')) {
    const size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return "bad address '" + std::string(text) + "'";
    endpoint.host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return "bad address '" + std::string(text) + "'";
    if (!rest.empty()) port = rest.substr(1);
    if (!rest.empty() && port.empty()) return "bad port '' (1..65535)";
  } else {
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
      return "an IPv6 address goes in brackets: [" + std::string(text) + "]:PORT";
    }
    endpoint.host = text.substr(0, colon);
    if (colon != std::string_view::npos) {
      port = text.substr(colon + 1);
      if (port.empty()) return "bad port '' (1..65535)";
    }
  }
  if (endpoint.host.empty()) return "no host given in '" + std::string(text) + "'";
  if (!port.empty()) {
    auto parsed = ParsePort(port);
    if (auto* problem = std::get_if<std::string>(&parsed)) return *problem;
    endpoint.port = std::get<uint16_t>(parsed);
  }
  return endpoint;
}

std::unique_ptr<Transport> Transport::Host(const Endpoint& local, std::string* error) {
  auto address = Resolve(local);
  if (auto* problem = std::get_if<std::string>(&address)) {
    *error = *problem;
    return nullptr;
  }
  ENetHost* host = CreateHost(&std::get<ENetAddress>(address), HOST_SLOTS, error);
  return host == nullptr ? nullptr : std::unique_ptr<Transport>(new Transport(host));
}

std::unique_ptr<Transport> Transport::Join(const Endpoint& remote, std::string* error) {
  auto address = Resolve(remote);
  if (auto* problem = std::get_if<std::string>(&address)) {
    *error = *problem;
    return nullptr;
  }
  if (remote.host.empty()) {
    *error = "no host to join";
    return nullptr;
  }
  ENetHost* host = CreateHost(nullptr, 1, error);
  if (host == nullptr) return nullptr;
  std::unique_ptr<Transport> transport(new Transport(host));
  transport->joining_ = true;
  transport->peer_ =
      enet_host_connect(host, &std::get<ENetAddress>(address), CHANNELS, CONNECT_TAG);
  if (transport->peer_ == nullptr) {
    *error = "cannot start connecting";
    return nullptr;
  }
  // Also bounds the attempt: a host that never answers is given up after the timeout.
  SetPeerTimeout(transport->peer_);
  return transport;
}

Transport::~Transport() {
  // A last word so the peer need not wait out the timeout; it may be lost.
  if (peer_ != nullptr) {
    enet_peer_disconnect_now(peer_, static_cast<uint32_t>(CloseReason::Left));
  }
  enet_host_destroy(host_);
}

TransportEvent Transport::Service(uint32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    ENetEvent event;
    const int got = enet_host_service(host_, &event, static_cast<uint32_t>(
                                                         std::max<int64_t>(left.count(), 0)));
    AddTraffic();
    LimitHalfOpenPeers();
    TransportEvent ours = got > 0 ? Handle(event) : TransportEvent{};
    if (ours.kind == TransportEvent::None) ours = DropSilentPeer();
    if (got <= 0) return ours;
    if (ours.kind != TransportEvent::None || Clock::now() >= deadline) return ours;
  }
}

TransportEvent Transport::Handle(const ENetEvent& event) {
  TransportEvent ours;
  switch (event.type) {
    case ENET_EVENT_TYPE_CONNECT:
      if (joining_) {
        connectedAt_ = enet_time_get();
        ours.kind = TransportEvent::Connected;
      } else if (peer_ != nullptr || event.data != CONNECT_TAG) {
        const CloseReason why = peer_ != nullptr ? CloseReason::Busy : CloseReason::Foreign;
        enet_peer_disconnect(event.peer, static_cast<uint32_t>(why));
      } else {
        peer_ = event.peer;
        connectedAt_ = enet_time_get();
        SetPeerTimeout(peer_);
        ours.kind = TransportEvent::Connected;
      }
      break;
    case ENET_EVENT_TYPE_RECEIVE:
      if (event.peer == peer_ && peer_->state == ENET_PEER_STATE_CONNECTED) {
        ours.kind = TransportEvent::Received;
        ours.channel = event.channelID == 0 ? Channel::Reliable : Channel::Unreliable;
        ours.data.assign(event.packet->data, event.packet->data + event.packet->dataLength);
      }
      enet_packet_destroy(event.packet);
      break;
    case ENET_EVENT_TYPE_DISCONNECT:
      if (event.peer == peer_) {
        peer_ = nullptr;
        ours.kind = TransportEvent::Closed;
        ours.reason = ReasonOf(event.data);
      }
      break;
    case ENET_EVENT_TYPE_NONE: break;
  }
  return ours;
}

TransportEvent Transport::DropSilentPeer() {
  // ENet's own timeout counts from its last unanswered reliable command, and an idle
  // peer is only pinged every half second, so it notices silence after 3 to 4 s. A
  // live peer answers every ping (ENet keeps the time of the last answer), so the
  // silence is measured here from that answer, or from the connection.
  if (peer_ == nullptr || peer_->state != ENET_PEER_STATE_CONNECTED) return {};
  const uint32_t now = enet_time_get();
  const uint32_t heard = ENET_TIME_LESS(peer_->lastReceiveTime, connectedAt_)
                             ? connectedAt_
                             : peer_->lastReceiveTime;
  if (ENET_TIME_DIFFERENCE(now, heard) < PEER_TIMEOUT_MS) return {};
  enet_peer_reset(peer_);
  peer_ = nullptr;
  TransportEvent lost;
  lost.kind = TransportEvent::Closed;
  lost.reason = CloseReason::Lost;
  return lost;
}

void Transport::LimitHalfOpenPeers() {
  // ENet answers a connect request at once and repeats the answer, with its long
  // default timeouts, until the asker confirms. A forged request would draw five
  // answers over 7.5 s; with ours it draws three, and the slot is free again in 3 s.
  for (ENetPeer* peer = host_->peers; peer < host_->peers + host_->peerCount; ++peer) {
    if (peer->state != ENET_PEER_STATE_DISCONNECTED && peer->timeoutMaximum != PEER_TIMEOUT_MS) {
      SetPeerTimeout(peer);
    }
  }
}

bool Transport::Send(Channel channel, std::span<const uint8_t> bytes) {
  if (!Connected() || bytes.size() > MAX_PACKET_BYTES) return false;
  const bool reliable = channel == Channel::Reliable;
  ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(),
                                          reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (packet == nullptr) return false;
  if (enet_peer_send(peer_, static_cast<uint8_t>(channel), packet) != 0) {
    enet_packet_destroy(packet);
    return false;
  }
  return true;
}

void Transport::Flush() {
  enet_host_flush(host_);
  AddTraffic();
}

void Transport::Close() {
  if (peer_ != nullptr) enet_peer_disconnect_later(peer_, static_cast<uint32_t>(CloseReason::Left));
}

bool Transport::Connected() const {
  return peer_ != nullptr && peer_->state == ENET_PEER_STATE_CONNECTED;
}

uint32_t Transport::RoundTripMs() const { return Connected() ? peer_->roundTripTime : 0; }

TrafficCounts Transport::Traffic() const { return traffic_; }

uint16_t Transport::Port() const { return host_->address.port; }

void Transport::AddTraffic() {
  // ENet's own counters are 32 bits and left to the user to reset.
  traffic_.bytesSent += host_->totalSentData;
  traffic_.bytesReceived += host_->totalReceivedData;
  traffic_.packetsSent += host_->totalSentPackets;
  traffic_.packetsReceived += host_->totalReceivedPackets;
  host_->totalSentData = host_->totalReceivedData = 0;
  host_->totalSentPackets = host_->totalReceivedPackets = 0;
}

}  // namespace net
