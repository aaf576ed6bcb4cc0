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
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace zelvora
