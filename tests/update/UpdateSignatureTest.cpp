#include "update/UpdateSignature.h"
#include "support/TempFolder.h"
#include "support/UpdateSigning.h"

#include <gtest/gtest.h>

namespace pelan {
namespace {

using testing::MinisignKey;
using testing::readText;
using testing::writeText;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(UpdateSignature, MinisignSignaturesHoldOnlyForTheSignedFileCommentAndKey) {
    MinisignKey key, stranger;
    ASSERT_TRUE(key.ok() && stranger.ok()) << "minisign could not make the test keys";
    testing::TempFolder folder;
    const std::string file = folder.file("fw");
    writeText(file, "firmware bytes\n");
    const std::vector<UpdateKey> trusted = {*parseUpdateKey(key.publicKey())};

    EXPECT_EQ(checkSignedFile(file, trusted).verdict, SignatureVerdict::Missing);
    ASSERT_TRUE(key.sign(file, "file:fw"));
    const SignatureCheck good = checkSignedFile(file, trusted);
    EXPECT_EQ(good.verdict, SignatureVerdict::Good);
    EXPECT_EQ(good.trustedComment, "file:fw");

    const std::string signature = readText(file + kSignatureSuffix);
    const FileDigest digest = *digestOfFile(file);
    EXPECT_EQ(checkSignature(stranger.signatureOf("firmware bytes\n"), digest, trusted).verdict,
              SignatureVerdict::UnknownKey);
    EXPECT_EQ(checkSignature(replaced(signature, "file:fw", "file:fx"), digest, trusted).verdict,
              SignatureVerdict::Mismatch);
    EXPECT_EQ(checkSignature(signature, digestOfBytes("firmware bytez\n"), trusted).verdict,
              SignatureVerdict::Mismatch);
    EXPECT_EQ(checkSignature(signature.substr(0, signature.size() / 2), digest, trusted).verdict,
              SignatureVerdict::Malformed);
    // The unhashed legacy form is not taken.
    ASSERT_TRUE(key.sign(file, "file:fw", folder.file("legacy.minisig"), true));
    EXPECT_EQ(checkSignature(readText(folder.file("legacy.minisig")), digest, trusted).verdict,
              SignatureVerdict::Malformed);

    writeText(file, "firmware bytez\n");
    EXPECT_EQ(checkSignedFile(file, trusted).verdict, SignatureVerdict::Mismatch);
}

TEST(UpdateSignature, TestKeyComesFromTheEnvironmentOnlyWhereTheBuildAllowsIt) {
    MinisignKey key;
    ASSERT_TRUE(key.ok());
    ::unsetenv(kUpdateTestKeyVariable);
    const std::size_t compiledIn = trustedUpdateKeys().size();
    EXPECT_GE(compiledIn, 1u);
    ::setenv(kUpdateTestKeyVariable, key.publicKey().c_str(), 1);
    EXPECT_EQ(trustedUpdateKeys().size(), compiledIn + (testUpdateKeyAllowed() ? 1 : 0));
    ::setenv(kUpdateTestKeyVariable, "RWnot a key", 1);
    EXPECT_EQ(trustedUpdateKeys().size(), compiledIn);
    ::unsetenv(kUpdateTestKeyVariable);
}

} // namespace
} // namespace pelan
