// Feeds arbitrary bytes to the update check as the service's answer for a device row and for the program's row, and
// to the signature check as a signature file: nothing may crash or throw, a failed answer carries nothing to
// download, and no input passes as a good signature of a trusted key.
#include "update/UpdateModel.h"
#include "update/UpdateSignature.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A key nobody has the secret of: id and key bytes made up for this program.
pelan::UpdateKey madeUpKey() {
    pelan::UpdateKey key;
    for (std::size_t i = 0; i < key.id.size(); ++i)
        key.id[i] = static_cast<unsigned char>(i + 1);
    for (std::size_t i = 0; i < key.key.size(); ++i)
        key.key[i] = static_cast<unsigned char>(0x40 + i);
    return key;
}

void checkAnswer(const pelan::UpdateProduct& product, const std::string& body) {
    pelan::HttpAnswer answer;
    answer.sent = true;
    answer.status = 200;
    answer.body = body;
    const pelan::UpdateAnswer record = pelan::decodeUpdateAnswer(product, answer);
    if (record.failure != pelan::UpdateFailure::None && (!record.name.empty() || !record.downloadPath.empty()))
        std::abort();
    if (record.status != pelan::kAnswerNewer && record.status != pelan::kAnswerUpToDate)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<pelan::UpdateProduct> rows = pelan::prepareUpdateRows({0x0102, 0x0100, 0});
    checkAnswer(rows[0], bytes);
    checkAnswer(rows[pelan::kApplicationRow], bytes);

    static const std::vector<pelan::UpdateKey> keys = {madeUpKey()};
    const pelan::SignatureCheck check = pelan::checkSignature(bytes, pelan::digestOfBytes("firmware"), keys);
    if (check.verdict == pelan::SignatureVerdict::Good)
        std::abort();
    return 0;
}
