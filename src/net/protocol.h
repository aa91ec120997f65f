// The messages two machines exchange during an online match, and their encoding.
//
//   net::EncodedMessage out = net::Encode(net::Timing{frame});
//   send(out.data(), out.size());
//   net::DecodeResult in = net::Decode(bytes);   // in.message, or in.error says why not
//
// Every message starts with the protocol version byte and a type byte; numbers
// are little-endian. Hello and Refuse keep their layout in every protocol version,
// so that two different builds can still tell each other why they cannot play.
// Decoding checks every length before reading, rejects unknown types, values out
// of range and trailing bytes, and allocates nothing beyond a Hello's bounded
// version string.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace net {

inline constexpr uint8_t PROTOCOL_VERSION = 1;
inline constexpr size_t MAX_GAME_VERSION_BYTES = 32;
inline constexpr size_t MAX_INPUT_FRAMES = 64;
inline constexpr uint8_t MAX_INPUT_DELAY = 15;
// The TankKey bits that exist: left, right, accelerate, brake, fire.
inline constexpr uint8_t KEY_BITS_MASK = 0x1F;

// Joiner -> host: who is asking.
struct Hello {
  uint8_t protocolVersion = PROTOCOL_VERSION;
  std::string gameVersion;           // printable ASCII, at most MAX_GAME_VERSION_BYTES
  std::array<uint8_t, 8> rules = {};  // the rules fingerprint (16 hex digits as 8 bytes)
  uint64_t nonce = 0;                 // chosen afresh for each attempt to join
  bool operator==(const Hello&) const = default;
};

// Host -> joiner: the match is on.
struct Welcome {
  uint64_t nonce = 0;      // the Hello's, so a late answer to an earlier attempt is known
  uint8_t inputDelay = 0;  // frame steps between a key press and its effect, both sides
  uint32_t startFrame = 0;
  bool operator==(const Welcome&) const = default;
};

enum class RefuseReason : uint8_t { VersionDiffers = 1, RulesDiffer = 2, HostBusy = 3 };

// Host -> joiner: no match. The host's protocol version tells a joiner of another
// version which build it met.
struct Refuse {
  RefuseReason reason = RefuseReason::HostBusy;
  uint8_t protocolVersion = PROTOCOL_VERSION;
  bool operator==(const Refuse&) const = default;
};

// The sender's keys for frames first .. first+count-1, one byte of TankKey bits
// each, and how far it has the other side's keys: every frame below `ack`.
struct Input {
  uint32_t first = 0;
  uint8_t count = 0;
  uint32_t ack = 0;
  std::array<uint8_t, MAX_INPUT_FRAMES> keys = {};  // the first `count` are used
  bool operator==(const Input& other) const;
};

// A hash of the match state after `frame`, once both sides' keys for it are known.
struct Checksum {
  uint32_t frame = 0;
  uint64_t hash = 0;
  bool operator==(const Checksum&) const = default;
};

// The player asked for the next match (Space); it starts at `frame` on both sides.
struct NextMatch {
  uint32_t frame = 0;
  bool operator==(const NextMatch&) const = default;
};

// The player left (Esc).
struct Leave {
  bool operator==(const Leave&) const = default;
};

// The sender's current frame, so that the side running ahead can hold back a step.
struct Timing {
  uint32_t frame = 0;
  bool operator==(const Timing&) const = default;
};

using Message = std::variant<Hello, Welcome, Refuse, Input, Checksum, NextMatch, Leave, Timing>;

// Hello is the largest but for Input: version, type, first, count, ack, 64 key bytes.
inline constexpr size_t MAX_MESSAGE_BYTES = 2 + 4 + 1 + 4 + MAX_INPUT_FRAMES;

class EncodedMessage {
 public:
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return size_; }
  std::span<const uint8_t> span() const { return {bytes_.data(), size_}; }

 private:
  friend class Writer;
  std::array<uint8_t, MAX_MESSAGE_BYTES> bytes_ = {};
  size_t size_ = 0;
};

// Encodes a message. Fields beyond their bounds (a longer version string, a count
// above MAX_INPUT_FRAMES) are cut to the bound, key bytes to KEY_BITS_MASK, so
// the result always decodes.
EncodedMessage Encode(const Message& message);

enum class DecodeError : uint8_t {
  None,
  Truncated,      // fewer bytes than the message needs
  TrailingBytes,  // more bytes than the message needs
  WrongVersion,   // a protocol version other than ours (Hello and Refuse excepted)
  UnknownType,
  BadField,  // a value out of range: a count, a key byte, a reason, a version string
};

struct DecodeResult {
  std::optional<Message> message;
  DecodeError error = DecodeError::None;
};

DecodeResult Decode(std::span<const uint8_t> bytes);

// A short English name of a decode error, for logs.
const char* DecodeErrorName(DecodeError error);

// Whether a message goes on the reliable channel: the handshake and the
// players' decisions must arrive; keys, checksums and timing are sent again
// anyway, so a lost one costs nothing and a late one would only hold up the rest.
bool TravelsReliably(const Message& message);

}  // namespace net
