// The message codec on every message and on broken bytes, and the input send
// window at its bounds.
#include <gtest/gtest.h>

#include <vector>

#include "net/input_window.h"
#include "net/protocol.h"

namespace net {
namespace {

std::vector<uint8_t> Bytes(const Message& message) {
  const EncodedMessage encoded = Encode(message);
  return {encoded.data(), encoded.data() + encoded.size()};
}

DecodeError ErrorOf(const std::vector<uint8_t>& bytes) { return Decode(bytes).error; }

Input FullInput() {
  Input input{0xFFFFFF00u, MAX_INPUT_FRAMES, 12345, {}};
  for (size_t i = 0; i < MAX_INPUT_FRAMES; ++i) input.keys[i] = static_cast<uint8_t>(i % 32);
  return input;
}

const std::vector<Message>& EveryMessage() {
  static const std::vector<Message> messages = {
      Hello{PROTOCOL_VERSION, std::string(MAX_GAME_VERSION_BYTES, 'v'),
            {1, 2, 3, 4, 5, 6, 7, 0xFF}, 0x0123456789ABCDEFull},
      Hello{PROTOCOL_VERSION, "", {}, 0},
      Welcome{42, MAX_INPUT_DELAY, 0xFFFFFFFFu},
      Refuse{RefuseReason::VersionDiffers},
      Refuse{RefuseReason::RulesDiffer},
      Refuse{RefuseReason::HostBusy},
      FullInput(),
      Input{7, 0, 6, {}},
      Checksum{99, 0xFEDCBA9876543210ull},
      NextMatch{1000},
      Leave{},
      Timing{77},
  };
  return messages;
}

TEST(Protocol, EveryMessageRoundTripsAndEveryShorterPrefixIsTruncated) {
  for (const Message& message : EveryMessage()) {
    const std::vector<uint8_t> bytes = Bytes(message);
    ASSERT_LE(bytes.size(), MAX_MESSAGE_BYTES);
    const DecodeResult decoded = Decode(bytes);
    ASSERT_EQ(decoded.error, DecodeError::None) << "type " << message.index();
    EXPECT_TRUE(decoded.message == message) << "type " << message.index();
    EXPECT_EQ(TravelsReliably(message), message.index() <= 2 || message.index() == 5 ||
                                            message.index() == 6);
    for (size_t size = 0; size < bytes.size(); ++size) {
      const DecodeResult cut = Decode({bytes.data(), size});
      EXPECT_EQ(cut.error, DecodeError::Truncated) << "type " << message.index() << " at " << size;
      EXPECT_FALSE(cut.message.has_value());
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(ErrorOf(longer), DecodeError::TrailingBytes) << "type " << message.index();
  }
}

TEST(Protocol, LayoutIsLittleEndianAfterVersionAndType) {
  EXPECT_EQ(Bytes(Checksum{0x04030201u, 0x0C0B0A0908070605ull}),
            (std::vector<uint8_t>{PROTOCOL_VERSION, 5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(Bytes(Input{0x100, 2, 3, {0x1F, 0x01}}),
            (std::vector<uint8_t>{PROTOCOL_VERSION, 4, 0, 1, 0, 0, 2, 3, 0, 0, 0, 0x1F, 0x01}));
}

TEST(Protocol, RejectsValuesOutOfRange) {
  const uint8_t v = PROTOCOL_VERSION;
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    DecodeError error;
  } cases[] = {
      {"unknown type 0", {v, 0}, DecodeError::UnknownType},
      {"unknown type 9", {v, 9, 0, 0, 0, 0}, DecodeError::UnknownType},
      {"other version", {v + 1, 8, 0, 0, 0, 0}, DecodeError::WrongVersion},
      {"65 keys", {v, 4, 0, 0, 0, 0, 65, 0, 0, 0, 0}, DecodeError::BadField},
      {"255 keys", {v, 4, 0, 0, 0, 0, 255, 0, 0, 0, 0}, DecodeError::BadField},
      {"key bit 5", {v, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0x20}, DecodeError::BadField},
      {"run past the last frame", {v, 4, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0, 0},
       DecodeError::BadField},
      {"input delay", {v, 2, 0, 0, 0, 0, 0, 0, 0, 0, MAX_INPUT_DELAY + 1, 0, 0, 0, 0},
       DecodeError::BadField},
      {"refuse reason 0", {v, 3, 0}, DecodeError::BadField},
      {"refuse reason 4", {v, 3, 4}, DecodeError::BadField},
      {"version string of 33", {v, 1, 33}, DecodeError::BadField},
      {"control byte in version", {v, 1, 1, '\n', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       DecodeError::BadField},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.bytes), c.error) << c.what;
}

TEST(Protocol, HelloAndRefuseOfAnotherVersionStillDecode) {
  Hello hello{PROTOCOL_VERSION + 1, "2.0.0", {}, 5};
  EXPECT_TRUE(Decode(Bytes(hello)).message == Message(hello));
  std::vector<uint8_t> refuse = Bytes(Refuse{RefuseReason::VersionDiffers});
  refuse[0] = PROTOCOL_VERSION + 1;
  const DecodeResult decoded = Decode(refuse);
  ASSERT_TRUE(decoded.message);
  EXPECT_EQ(std::get<Refuse>(*decoded.message).reason, RefuseReason::VersionDiffers);
  EXPECT_EQ(Bytes(*decoded.message), refuse);  // the refusing side's version is kept
}

TEST(Protocol, EncodingCutsFieldsToTheirBounds) {
  Input input = FullInput();
  input.count = 200;
  input.keys[0] = 0xFF;
  const DecodeResult decoded = Decode(Bytes(input));
  ASSERT_EQ(decoded.error, DecodeError::None);
  const Input& back = std::get<Input>(*decoded.message);
  EXPECT_EQ(back.count, 64);  // also within the frames left before UINT32_MAX wraps
  EXPECT_EQ(back.keys[0], KEY_BITS_MASK);
  const Hello hello{PROTOCOL_VERSION, std::string(40, 'x') + "\n", {}, 0};
  EXPECT_EQ(std::get<Hello>(*Decode(Bytes(hello)).message).gameVersion,
            std::string(MAX_GAME_VERSION_BYTES, 'x'));
  const Input nearEnd{0xFFFFFFFEu, 5, 0, {}};
  EXPECT_EQ(std::get<Input>(*Decode(Bytes(nearEnd)).message).count, 2);
}

TEST(InputSendWindow, HoldsWhatIsUnacknowledgedUpToItsBound) {
  InputSendWindow window(100);
  for (uint8_t i = 0; i < MAX_INPUT_FRAMES; ++i) ASSERT_TRUE(window.Push(i % 32));
  EXPECT_TRUE(window.Full());
  EXPECT_FALSE(window.Push(1));
  EXPECT_EQ(window.NextFrame(), 164u);

  Input packet = window.Packet(9);
  EXPECT_EQ(packet.first, 100u);
  EXPECT_EQ(packet.count, MAX_INPUT_FRAMES);
  EXPECT_EQ(packet.ack, 9u);
  EXPECT_EQ(packet.keys[63], 63 % 32);

  window.Acknowledge(110);
  window.Acknowledge(105);  // older, from a reordered packet
  EXPECT_EQ(window.FirstUnacknowledged(), 110u);
  for (uint8_t i = 0; i < 10; ++i) ASSERT_TRUE(window.Push(0x1F));  // the ring wraps
  EXPECT_FALSE(window.Push(0));
  packet = window.Packet(0);
  EXPECT_EQ(packet.first, 110u);
  EXPECT_EQ(packet.keys[0], 10);
  EXPECT_EQ(packet.keys[53], 63 % 32);
  EXPECT_EQ(packet.keys[54], 0x1F);

  window.Acknowledge(1000);  // beyond what was sent: everything sent
  EXPECT_EQ(window.Size(), 0u);
  EXPECT_EQ(window.FirstUnacknowledged(), 174u);
  EXPECT_EQ(window.Packet(0).count, 0);
}

TEST(InputSendWindow, StopsAtTheLastFrameNumber) {
  InputSendWindow window(0xFFFFFFFEu);
  EXPECT_TRUE(window.Push(1));
  EXPECT_TRUE(window.Push(2));
  EXPECT_FALSE(window.Push(3));
  EXPECT_EQ(Decode(Encode(window.Packet(0)).span()).error, DecodeError::None);
  window.Acknowledge(0xFFFFFFFFu);
  EXPECT_EQ(window.Size(), 1u);
}

}  // namespace
}  // namespace net
