// Digests from the system's own cryptography (CNG), so the Windows program needs no library
// beside it.
#include "platform/digest.h"

#include <windows.h>
// after windows.h, whose types it uses
#include <bcrypt.h>

#include <bcrypt.h>  // after windows.h, whose types it uses

#include <vector>

namespace zelvora {

std::string HexDigest(DigestKind kind, const std::vector<std::string_view>& pieces) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  const wchar_t* name = kind == DigestKind::kSha1 ? BCRYPT_SHA1_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
  if (BCryptOpenAlgorithmProvider(&algorithm, name, nullptr, 0) < 0) return std::string();
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<unsigned char> digest(kind == DigestKind::kSha1 ? 20 : 32);
  bool done = BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0;
  for (const std::string_view piece : pieces) {
    // BCryptHashData takes a ULONG length; pieces beyond 4 GiB go in parts.
    for (size_t at = 0; done && at < piece.size();) {
      const ULONG part = static_cast<ULONG>(std::min<size_t>(piece.size() - at, 1u << 30));
      auto* bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(piece.data() + at));
      done = BCryptHashData(hash, bytes, part, 0) >= 0;
      at += part;
    }
  }
  done = done && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) >= 0;
  if (hash != nullptr) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return done ? LowerHex(digest) : std::string();
}

}  // namespace zelvora
