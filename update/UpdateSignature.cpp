#include "update/UpdateSignature.h"

#include "platform/Trace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <sstream>
#include <unistd.h>

#ifndef PELAN_UPDATE_PUBLIC_KEYS
#error "PELAN_UPDATE_PUBLIC_KEYS names the keys updates are signed with"
#endif

namespace pelan {
namespace {

constexpr std::size_t kKeyBytes = 2 + 8 + 32;       // "Ed", key id, public key
constexpr std::size_t kSignatureBytes = 2 + 8 + 64; // "ED", key id, signature
constexpr const char* kUntrustedPrefix = "untrusted comment: ";
constexpr const char* kTrustedPrefix = "trusted comment: ";

bool sodiumReady() {
    static const bool ready = ::sodium_init() >= 0;
    return ready;
}

// Exactly `size` bytes of base64 (with padding), or nothing.
std::optional<std::vector<unsigned char>> decodeBase64(const std::string& text, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::size_t length = 0;
    const char* end = nullptr;
    if (!sodiumReady() ||
        ::sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, &end,
                            sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length != size || end != text.data() + text.size())
        return std::nullopt;
    return bytes;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.push_back(line);
    }
    return result;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

void addKeys(const std::string& list, std::vector<UpdateKey>& keys) {
    std::istringstream in(list);
    for (std::string word; std::getline(in, word, ';');)
        if (const std::optional<UpdateKey> key = parseUpdateKey(word))
            keys.push_back(*key);
}

} // namespace

std::optional<UpdateKey> parseUpdateKey(const std::string& base64) {
    const auto bytes = decodeBase64(base64, kKeyBytes);
    if (!bytes || (*bytes)[0] != 'E' || (*bytes)[1] != 'd')
        return std::nullopt;
    UpdateKey key;
    std::memcpy(key.id.data(), bytes->data() + 2, key.id.size());
    std::memcpy(key.key.data(), bytes->data() + 10, key.key.size());
    return key;
}

bool testUpdateKeyAllowed() {
    return PELAN_ALLOW_TEST_UPDATE_KEY != 0;
}

std::vector<UpdateKey> trustedUpdateKeys() {
    std::vector<UpdateKey> keys;
    addKeys(PELAN_UPDATE_PUBLIC_KEYS, keys);
    const char* testKey = std::getenv(kUpdateTestKeyVariable);
    if (testKey == nullptr || *testKey == '\0')
        return keys;
    if (!testUpdateKeyAllowed()) {
        trace(std::string("update: ") + kUpdateTestKeyVariable + " is ignored: this build trusts only its own keys");
        return keys;
    }
    const std::optional<UpdateKey> key = parseUpdateKey(testKey);
    if (key)
        keys.push_back(*key);
    else
        trace(std::string("update: ") + kUpdateTestKeyVariable + " is not a minisign public key");
    return keys;
}

std::optional<FileDigest> digestOfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || !sodiumReady()) {
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    crypto_generichash_state state;
    ::crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
    unsigned char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof(buffer))) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        ::crypto_generichash_update(&state, buffer, std::size_t(n));
    }
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    FileDigest digest;
    ::crypto_generichash_final(&state, digest.data(), digest.size());
    return digest;
}

FileDigest digestOfBytes(const std::string& bytes) {
    FileDigest digest{};
    if (sodiumReady())
        ::crypto_generichash(digest.data(), digest.size(), reinterpret_cast<const unsigned char*>(bytes.data()),
                             bytes.size(), nullptr, 0);
    return digest;
}

SignatureCheck checkSignature(const std::string& signatureText, const FileDigest& digest,
                              const std::vector<UpdateKey>& keys) {
    SignatureCheck check;
    if (signatureText.empty())
        return check;
    check.verdict = SignatureVerdict::Malformed;
    const std::vector<std::string> text = lines(signatureText);
    if (signatureText.size() > kSignatureFileLimit || text.size() < 4 || !startsWith(text[0], kUntrustedPrefix) ||
        !startsWith(text[2], kTrustedPrefix))
        return check;
    const auto signature = decodeBase64(text[1], kSignatureBytes);
    const auto global = decodeBase64(text[3], crypto_sign_BYTES);
    if (!signature || !global || (*signature)[0] != 'E' || (*signature)[1] != 'D')
        return check;
    const UpdateKey* signer = nullptr;
    for (const UpdateKey& key : keys)
        if (std::memcmp(key.id.data(), signature->data() + 2, key.id.size()) == 0)
            signer = &key;
    if (signer == nullptr) {
        check.verdict = SignatureVerdict::UnknownKey;
        return check;
    }
    const unsigned char* fileSignature = signature->data() + 10;
    const std::string trustedComment = text[2].substr(std::strlen(kTrustedPrefix));
    // The global signature covers the file's signature followed by the trusted comment.
    std::vector<unsigned char> signedTogether(fileSignature, fileSignature + crypto_sign_BYTES);
    signedTogether.insert(signedTogether.end(), trustedComment.begin(), trustedComment.end());
    check.verdict = SignatureVerdict::Mismatch;
    if (::crypto_sign_verify_detached(fileSignature, digest.data(), digest.size(), signer->key.data()) != 0 ||
        ::crypto_sign_verify_detached(global->data(), signedTogether.data(), signedTogether.size(),
                                      signer->key.data()) != 0)
        return check;
    check.verdict = SignatureVerdict::Good;
    check.trustedComment = trustedComment;
    return check;
}

SignatureCheck checkSignedFile(const std::string& path, const std::vector<UpdateKey>& keys) {
    std::string signatureText;
    const int fd = ::open((path + kSignatureSuffix).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        char buffer[kSignatureFileLimit + 1];
        ssize_t n = 0;
        while (signatureText.size() <= kSignatureFileLimit &&
               ((n = ::read(fd, buffer, sizeof(buffer))) > 0 || (n < 0 && errno == EINTR)))
            if (n > 0)
                signatureText.append(buffer, std::size_t(n));
        ::close(fd);
    }
    if (signatureText.empty())
        return {};
    const std::optional<FileDigest> digest = digestOfFile(path);
    if (!digest) {
        SignatureCheck unreadable;
        unreadable.verdict = SignatureVerdict::Mismatch;
        return unreadable;
    }
    return checkSignature(signatureText, *digest, keys);
}

} // namespace pelan
