#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

// Detached signatures of downloaded updates in minisign's format: Ed25519 over the file's BLAKE2b-512 digest ("ED"),
// and a second Ed25519 signature over that signature and the trusted comment. Only the prehashed form is taken.
namespace pelan {

// A minisign public key: the 8-byte key id signatures name, and the Ed25519 key.
struct UpdateKey {
    std::array<unsigned char, 8> id{};
    std::array<unsigned char, 32> key{};
};

using FileDigest = std::array<unsigned char, 64>; // BLAKE2b-512

enum class SignatureVerdict {
    Good,
    Missing,    // no signature file, or an empty one
    Malformed,  // not four lines of minisign's layout, or not the prehashed form
    UnknownKey, // made with a key this program does not trust
    Mismatch,   // the file or the trusted comment is not what was signed
};

struct SignatureCheck {
    SignatureVerdict verdict = SignatureVerdict::Missing;
    std::string trustedComment; // set when the verdict is Good
};

// The environment variable with the base64 public key of the tests and the demo service; honoured only in builds
// made with PELAN_ALLOW_TEST_UPDATE_KEY.
inline constexpr const char* kUpdateTestKeyVariable = "PELAN_UPDATE_TEST_KEY";
// The signature of a download sits beside it, locally and on the service.
inline constexpr const char* kSignatureSuffix = ".minisig";
// A signature file longer than this is not minisign's.
inline constexpr std::size_t kSignatureFileLimit = 4096;

// The key of a public key line ("RW..."), nullopt when it is not one.
std::optional<UpdateKey> parseUpdateKey(const std::string& base64);
// The keys compiled in, and the test key of the environment where this build allows one.
std::vector<UpdateKey> trustedUpdateKeys();
// Whether this build takes a test key from the environment.
bool testUpdateKeyAllowed();

// BLAKE2b-512 of a file, read without following a link; nullopt when it cannot be read.
std::optional<FileDigest> digestOfFile(const std::string& path);
FileDigest digestOfBytes(const std::string& bytes);

// Checks the signature text against a file's digest and the trusted keys.
SignatureCheck checkSignature(const std::string& signatureText, const FileDigest& digest,
                              const std::vector<UpdateKey>& keys);
// Checks `path` against `path` + ".minisig".
SignatureCheck checkSignedFile(const std::string& path, const std::vector<UpdateKey>& keys);

} // namespace pelan
