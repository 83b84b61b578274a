#pragma once

#include <array>
#include <string>

namespace pelan::emu {

// Signs files as minisign does (prehashed, with a trusted comment) with a key pair made for this run: the key of the
// demo update service, which the program trusts only through PELAN_UPDATE_TEST_KEY in builds that allow it.
class UpdateSigner {
public:
    UpdateSigner();

    // The public key as minisign prints it ("RW..."), the value for PELAN_UPDATE_TEST_KEY.
    const std::string& publicKey() const { return publicKey_; }
    // The text of the ".minisig" file of `bytes`.
    std::string sign(const std::string& bytes, const std::string& trustedComment) const;

private:
    std::array<unsigned char, 8> id_{};
    std::array<unsigned char, 32> public_{};
    std::array<unsigned char, 64> secret_{};
    std::string publicKey_;
};

} // namespace pelan::emu
