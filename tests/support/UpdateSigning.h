#pragma once

#include "support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// What the update tests make at test time with the real tools: a minisign key pair and signatures made by the
// `minisign` program, and a TLS certificate for 127.0.0.1 made by `openssl`.
namespace pelan::testing {

inline std::string quotedPath(const std::string& path) {
    return "'" + path + "'";
}

// A minisign key pair in a folder of its own (no password).
class MinisignKey {
public:
    MinisignKey() {
        const std::string command = "minisign -G -W -p " + quotedPath(folder_.file("key.pub")) + " -s " +
                                    quotedPath(folder_.file("key.sec")) + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        const std::string text = readText(folder_.file("key.pub"));
        const std::size_t line = text.find('\n');
        if (line != std::string::npos)
            publicKey_ = text.substr(line + 1, text.find('\n', line + 1) - line - 1);
    }

    bool ok() const { return !publicKey_.empty(); }
    // "RW...", as PELAN_UPDATE_TEST_KEY takes it.
    const std::string& publicKey() const { return publicKey_; }
    // Signs `file` into `file`.minisig (or `signature`); prehashed unless `legacy`.
    bool sign(const std::string& file, const std::string& trustedComment = "file:test",
              const std::string& signature = "", bool legacy = false) const {
        const std::string command = "minisign -S " + std::string(legacy ? "-l " : "") + "-s " +
                                    quotedPath(folder_.file("key.sec")) + " -m " + quotedPath(file) + " -t " +
                                    quotedPath(trustedComment) +
                                    (signature.empty() ? "" : " -x " + quotedPath(signature)) + " >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }
    // The signature text of `bytes`.
    std::string signatureOf(const std::string& bytes) const {
        writeText(folder_.file("signed"), bytes);
        std::remove(folder_.file("signed.minisig").c_str());
        return sign(folder_.file("signed")) ? readText(folder_.file("signed.minisig")) : std::string();
    }

private:
    TempFolder folder_;
    std::string publicKey_;
};

// A self-signed certificate and its key for 127.0.0.1 and localhost, in `folder`; false when openssl failed.
inline bool makeTestCertificate(const TempFolder& folder, std::string& certificate, std::string& key) {
    certificate = folder.file("cert.pem");
    key = folder.file("key.pem");
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -addext "
                                "subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " +
                                quotedPath(key) + " -out " + quotedPath(certificate) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace pelan::testing
