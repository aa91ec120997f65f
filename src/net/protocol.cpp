// Encoding and decoding of the online messages: a writer into a fixed buffer and
// a reader that checks each length before it reads.
#include "net/protocol.h"

#include <algorithm>

namespace net {
namespace {

enum class Type : uint8_t {
  Hello = 1,
  Welcome = 2,
  Refuse = 3,
  Input = 4,
  Checksum = 5,
  NextMatch = 6,
  Leave = 7,
  Timing = 8,
};

bool IsPrintable(uint8_t byte) { return byte >= 0x20 && byte <= 0x7E; }

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  // Each read fails (and keeps failing) once the bytes run out.
  bool U8(uint8_t& value) { return Take(1, [&](const uint8_t* at) { value = at[0]; }); }
  bool U32(uint32_t& value) { return Little(value); }
  bool U64(uint64_t& value) { return Little(value); }
  bool Bytes(uint8_t* out, size_t count) {
    return Take(count, [&](const uint8_t* at) { std::copy_n(at, count, out); });
  }
  bool AtEnd() const { return used_ == bytes_.size(); }

 private:
  template <typename Integer>
  bool Little(Integer& value) {
    return Take(sizeof(Integer), [&](const uint8_t* at) {
      value = 0;
      for (size_t i = 0; i < sizeof(Integer); ++i) value |= Integer{at[i]} << (8 * i);
    });
  }
  template <typename Use>
  bool Take(size_t count, Use use) {
    if (bytes_.size() - used_ < count) return false;
    use(bytes_.data() + used_);
    used_ += count;
    return true;
  }

  std::span<const uint8_t> bytes_;
  size_t used_ = 0;
};

}  // namespace

class Writer {
 public:
  explicit Writer(EncodedMessage& out) : out_(out) {}
  void U8(uint8_t value) { out_.bytes_[out_.size_++] = value; }
  void U32(uint32_t value) { Little(value); }
  void U64(uint64_t value) { Little(value); }
  void Bytes(const uint8_t* from, size_t count) {
    std::copy_n(from, count, out_.bytes_.data() + out_.size_);
    out_.size_ += count;
  }

 private:
  template <typename Integer>
  void Little(Integer value) {
    for (size_t i = 0; i < sizeof(Integer); ++i) U8(static_cast<uint8_t>(value >> (8 * i)));
  }
  EncodedMessage& out_;
};

namespace {

struct EncodeBody {
  Writer& w;
  void operator()(const Hello& m) {
    w.U8(static_cast<uint8_t>(Type::Hello));
    std::array<uint8_t, MAX_GAME_VERSION_BYTES> text{};
    size_t length = 0;
    for (const char c : m.gameVersion) {
      if (length == text.size()) break;
      text[length++] = IsPrintable(static_cast<uint8_t>(c)) ? static_cast<uint8_t>(c) : '?';
    }
    w.U8(static_cast<uint8_t>(length));
    w.Bytes(text.data(), length);
    w.Bytes(m.rules.data(), m.rules.size());
    w.U64(m.nonce);
  }
  void operator()(const Welcome& m) {
    w.U8(static_cast<uint8_t>(Type::Welcome));
    w.U64(m.nonce);
    w.U8(std::min(m.inputDelay, MAX_INPUT_DELAY));
    w.U32(m.startFrame);
  }
  void operator()(const Refuse& m) {
    w.U8(static_cast<uint8_t>(Type::Refuse));
    w.U8(static_cast<uint8_t>(m.reason));
  }
  void operator()(const Input& m) {
    w.U8(static_cast<uint8_t>(Type::Input));
    // A run never passes the last frame number.
    const auto count = static_cast<uint8_t>(
        std::min<uint64_t>({m.count, MAX_INPUT_FRAMES, uint64_t{UINT32_MAX} - m.first + 1}));
    w.U32(m.first);
    w.U8(count);
    w.U32(m.ack);
    for (size_t i = 0; i < count; ++i) w.U8(m.keys[i] & KEY_BITS_MASK);
  }
  void operator()(const Checksum& m) {
    w.U8(static_cast<uint8_t>(Type::Checksum));
    w.U32(m.frame);
    w.U64(m.hash);
  }
  void operator()(const NextMatch& m) {
    w.U8(static_cast<uint8_t>(Type::NextMatch));
    w.U32(m.frame);
  }
  void operator()(const Leave&) { w.U8(static_cast<uint8_t>(Type::Leave)); }
  void operator()(const Timing& m) {
    w.U8(static_cast<uint8_t>(Type::Timing));
    w.U32(m.frame);
  }
};

// The body after the version and type bytes; error None only if all of it read.
DecodeError ReadBody(Type type, Reader& r, std::optional<Message>& out, uint8_t version) {
  switch (type) {
    case Type::Hello: {
      Hello m;
      m.protocolVersion = version;
      uint8_t length = 0;
      std::array<uint8_t, MAX_GAME_VERSION_BYTES> text{};
      if (!r.U8(length)) return DecodeError::Truncated;
      if (length > MAX_GAME_VERSION_BYTES) return DecodeError::BadField;
      if (!r.Bytes(text.data(), length) || !r.Bytes(m.rules.data(), m.rules.size()) ||
          !r.U64(m.nonce)) {
        return DecodeError::Truncated;
      }
      if (!std::all_of(text.begin(), text.begin() + length, IsPrintable)) {
        return DecodeError::BadField;
      }
      m.gameVersion.assign(text.begin(), text.begin() + length);
      out = std::move(m);
      return DecodeError::None;
    }
    case Type::Welcome: {
      Welcome m;
      if (!r.U64(m.nonce) || !r.U8(m.inputDelay) || !r.U32(m.startFrame)) {
        return DecodeError::Truncated;
      }
      if (m.inputDelay > MAX_INPUT_DELAY) return DecodeError::BadField;
      out = m;
      return DecodeError::None;
    }
    case Type::Refuse: {
      uint8_t reason = 0;
      if (!r.U8(reason)) return DecodeError::Truncated;
      if (reason < 1 || reason > 3) return DecodeError::BadField;
      out = Refuse{static_cast<RefuseReason>(reason), version};
      return DecodeError::None;
    }
    case Type::Input: {
      Input m;
      if (!r.U32(m.first) || !r.U8(m.count) || !r.U32(m.ack)) return DecodeError::Truncated;
      if (m.count > MAX_INPUT_FRAMES || uint64_t{m.first} + m.count > uint64_t{UINT32_MAX} + 1) {
        return DecodeError::BadField;
      }
      if (!r.Bytes(m.keys.data(), m.count)) return DecodeError::Truncated;
      if (std::any_of(m.keys.begin(), m.keys.begin() + m.count,
                      [](uint8_t k) { return (k & ~KEY_BITS_MASK) != 0; })) {
        return DecodeError::BadField;
      }
      out = m;
      return DecodeError::None;
    }
    case Type::Checksum: {
      Checksum m;
      if (!r.U32(m.frame) || !r.U64(m.hash)) return DecodeError::Truncated;
      out = m;
      return DecodeError::None;
    }
    case Type::NextMatch: {
      NextMatch m;
      if (!r.U32(m.frame)) return DecodeError::Truncated;
      out = m;
      return DecodeError::None;
    }
    case Type::Leave: out = Leave{}; return DecodeError::None;
    case Type::Timing: {
      Timing m;
      if (!r.U32(m.frame)) return DecodeError::Truncated;
      out = m;
      return DecodeError::None;
    }
  }
  return DecodeError::UnknownType;
}

}  // namespace

bool Input::operator==(const Input& other) const {
  return first == other.first && count == other.count && ack == other.ack &&
         std::equal(keys.begin(), keys.begin() + std::min<size_t>(count, MAX_INPUT_FRAMES),
                    other.keys.begin());
}

EncodedMessage Encode(const Message& message) {
  EncodedMessage out;
  Writer w(out);
  // Hello and Refuse say which version their sender speaks; the rest are ours.
  uint8_t version = PROTOCOL_VERSION;
  if (const auto* hello = std::get_if<Hello>(&message)) version = hello->protocolVersion;
  if (const auto* refuse = std::get_if<Refuse>(&message)) version = refuse->protocolVersion;
  w.U8(version);
  std::visit(EncodeBody{w}, message);
  return out;
}

DecodeResult Decode(std::span<const uint8_t> bytes) {
  Reader r(bytes);
  uint8_t version = 0;
  uint8_t typeByte = 0;
  if (!r.U8(version) || !r.U8(typeByte)) return {std::nullopt, DecodeError::Truncated};
  if (typeByte < 1 || typeByte > static_cast<uint8_t>(Type::Timing)) {
    return {std::nullopt, DecodeError::UnknownType};
  }
  const auto type = static_cast<Type>(typeByte);
  if (version != PROTOCOL_VERSION && type != Type::Hello && type != Type::Refuse) {
    return {std::nullopt, DecodeError::WrongVersion};
  }
  DecodeResult result;
  result.error = ReadBody(type, r, result.message, version);
  if (result.error == DecodeError::None && !r.AtEnd()) result.error = DecodeError::TrailingBytes;
  if (result.error != DecodeError::None) result.message.reset();
  return result;
}

const char* DecodeErrorName(DecodeError error) {
  switch (error) {
    case DecodeError::None: return "none";
    case DecodeError::Truncated: return "truncated";
    case DecodeError::TrailingBytes: return "trailing bytes";
    case DecodeError::WrongVersion: return "wrong protocol version";
    case DecodeError::UnknownType: return "unknown type";
    case DecodeError::BadField: return "value out of range";
  }
  return "unknown error";
}

bool TravelsReliably(const Message& message) {
  return !std::holds_alternative<Input>(message) && !std::holds_alternative<Checksum>(message) &&
         !std::holds_alternative<Timing>(message);
}

}  // namespace net
