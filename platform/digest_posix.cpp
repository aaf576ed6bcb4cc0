// Digests from OpenSSL's libcrypto, which every POSIX system here has.
#include "platform/digest.h"

#include <openssl/evp.h>

#include <memory>

namespace zelvora {

std::string HexDigest(DigestKind kind, const std::vector<std::string_view>& pieces) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  EVP_DigestInit_ex(context.get(), kind == DigestKind::kSha1 ? EVP_sha1() : EVP_sha256(), nullptr);
  for (const std::string_view piece : pieces) {
    EVP_DigestUpdate(context.get(), piece.data(), piece.size());
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  return LowerHex(std::span<const unsigned char>(digest, length));
}

}  // namespace zelvora
