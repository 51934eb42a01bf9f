#include "multicast/base64.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <openssl/evp.h>

namespace vlsdk
{

namespace
{
struct encode_ctx_free {
    void operator()(EVP_ENCODE_CTX* p) const { EVP_ENCODE_CTX_free(p); }
};
} // namespace

std::string multicast_base64_encode(std::string_view bytes)
{
    std::string text;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    // EVP_EncodeBlock writes no line breaks; feed it in pieces that keep its
    // int lengths small and that are multiples of three, so the pieces join.
    constexpr std::size_t kChunk = 3 * 4096;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n = std::min(kChunk, bytes.size() - done);
        const std::size_t old = text.size();
        text.resize(old + 4 * ((n + 2) / 3) + 1);
        const int written = EVP_EncodeBlock(
            reinterpret_cast<unsigned char*>(text.data()) + old, in + done, static_cast<int>(n));
        text.resize(old + static_cast<std::size_t>(written));
        done += n;
    }
    return text;
}

std::string multicast_base64_decode(std::string_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX) / 2)
        return {};
    std::unique_ptr<EVP_ENCODE_CTX, encode_ctx_free> ctx(EVP_ENCODE_CTX_new());
    if (!ctx)
        return {};
    EVP_DecodeInit(ctx.get());
    // Decoding never yields more than three bytes per four characters, plus
    // one group that the final step flushes.
    std::string out(3 * (text.size() / 4) + 3 + 80, '\0');
    int length = 0;
    int final_length = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    if (EVP_DecodeUpdate(ctx.get(), o, &length, reinterpret_cast<const unsigned char*>(text.data()),
            static_cast<int>(text.size()))
            < 0
        || EVP_DecodeFinal(ctx.get(), o + length, &final_length) != 1)
        return {};
    out.resize(std::min<std::size_t>(static_cast<std::size_t>(length + final_length), kBase64DecodeLimit));
    return out;
}

} // namespace vlsdk
