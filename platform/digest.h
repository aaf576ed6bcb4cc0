// Message digests, for naming content the way git names its objects.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvora {

enum class DigestKind { kSha1, kSha256 };

// The digest of `pieces`, one after another, in lower-case hexadecimal (40 digits for SHA-1,
// 64 for SHA-256); empty in the unlikely case that the system cannot compute it, which matches
// no object's name.
std::string HexDigest(DigestKind kind, const std::vector<std::string_view>& pieces);

// `bytes` in lower-case hexadecimal, two digits each.
std::string LowerHex(std::span<const unsigned char> bytes);

}  // namespace zelvora
