// Building and judging the handshake's Hello.
#include "game/online/handshake.h"

#include "game/fingerprint.h"
#include "game/options.h"

namespace game::online {
namespace {

int HexDigit(char c) { return c >= 'a' ? c - 'a' + 10 : c - '0'; }

}  // namespace

net::Hello OurHello(uint64_t nonce) {
  net::Hello hello;
  hello.gameVersion = GameVersion();
  const std::string fingerprint = RulesFingerprint();
  for (size_t i = 0; i < hello.rules.size() && 2 * i + 1 < fingerprint.size(); ++i) {
    hello.rules[i] =
        static_cast<uint8_t>(HexDigit(fingerprint[2 * i]) << 4 | HexDigit(fingerprint[2 * i + 1]));
  }
  hello.nonce = nonce;
  return hello;
}

std::optional<net::RefuseReason> Judge(const net::Hello& theirs, const net::Hello& ours) {
  if (theirs.protocolVersion != ours.protocolVersion || theirs.gameVersion != ours.gameVersion) {
    return net::RefuseReason::VersionDiffers;
  }
  if (theirs.rules != ours.rules) return net::RefuseReason::RulesDiffer;
  return std::nullopt;
}

std::string_view RefuseText(net::RefuseReason reason) {
  switch (reason) {
    case net::RefuseReason::VersionDiffers: return "Drugi igrac ima drugu verziju igre.";
    case net::RefuseReason::RulesDiffer: return "Drugi igrac igra po drugim pravilima.";
    case net::RefuseReason::HostBusy: break;
  }
  return "Domacin vec ima igraca.";
}

}  // namespace game::online
