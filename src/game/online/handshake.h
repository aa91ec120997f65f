// The handshake's judgement: the joiner's Hello names its protocol, game version
// and rules fingerprint; the host plays only with the very same rules.
//
//   net::Hello hello = game::online::OurHello(nonce);               // joiner
//   if (auto reason = game::online::Judge(theirHello)) refuse(*reason);  // host
//   std::string_view why = game::online::RefuseText(reason);        // both pages
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/protocol.h"

namespace game::online {

// This build's Hello: protocol version, game version and rules fingerprint.
net::Hello OurHello(uint64_t nonce);

// Why a Hello cannot play against `ours` (this build's when not given), or none.
std::optional<net::RefuseReason> Judge(const net::Hello& theirs,
                                       const net::Hello& ours = OurHello(0));

// The page's line (the game's language, no diacritics) for a refusal.
std::string_view RefuseText(net::RefuseReason reason);

}  // namespace game::online
