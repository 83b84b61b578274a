#include "emulator/UpdateSigner.h"

#include "update/UpdateSignature.h"

#include <sodium.h>
#include <vector>

namespace pelan::emu {
namespace {

std::string base64(const std::vector<unsigned char>& bytes) {
    std::string text(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
    ::sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), sodium_base64_VARIANT_ORIGINAL);
    text.resize(text.find('\0'));
    return text;
}

std::vector<unsigned char> detached(const unsigned char* message, std::size_t length, const unsigned char* secret) {
    std::vector<unsigned char> signature(crypto_sign_BYTES);
    ::crypto_sign_detached(signature.data(), nullptr, message, length, secret);
    return signature;
}

} // namespace

UpdateSigner::UpdateSigner() {
    if (::sodium_init() < 0)
        return;
    ::crypto_sign_keypair(public_.data(), secret_.data());
    ::randombytes_buf(id_.data(), id_.size());
    std::vector<unsigned char> key = {'E', 'd'};
    key.insert(key.end(), id_.begin(), id_.end());
    key.insert(key.end(), public_.begin(), public_.end());
    publicKey_ = base64(key);
}

std::string UpdateSigner::sign(const std::string& bytes, const std::string& trustedComment) const {
    const FileDigest digest = digestOfBytes(bytes);
    const std::vector<unsigned char> signature = detached(digest.data(), digest.size(), secret_.data());
    std::vector<unsigned char> line = {'E', 'D'};
    line.insert(line.end(), id_.begin(), id_.end());
    line.insert(line.end(), signature.begin(), signature.end());
    std::vector<unsigned char> together = signature;
    together.insert(together.end(), trustedComment.begin(), trustedComment.end());
    const std::vector<unsigned char> global = detached(together.data(), together.size(), secret_.data());
    return "untrusted comment: signature from the ORVANE Pelan demo update service\n" + base64(line) +
           "\ntrusted comment: " + trustedComment + "\n" + base64(global) + "\n";
}

} // namespace pelan::emu
