#include "Aes.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <memory>

namespace {

// The key's parts: four words kept apart, each masked with a different byte
// and stored in another order, so that no 16 bytes of the binary are the key.
// Volatile, so that the compiler cannot fold them into the key itself.
const volatile uint8_t KEY_PART_A[4] = {0x3F ^ 0xA5, 0x71 ^ 0xA5, 0xC2 ^ 0xA5, 0x18 ^ 0xA5};
const volatile uint8_t KEY_PART_C[4] = {0x0E ^ 0x5C, 0x9B ^ 0x5C, 0x47 ^ 0x5C, 0xE3 ^ 0x5C};
const volatile uint8_t KEY_PART_B[4] = {0xD4 ^ 0x3C, 0x26 ^ 0x3C, 0x8A ^ 0x3C, 0x5F ^ 0x3C};
const volatile uint8_t KEY_PART_D[4] = {0x61 ^ 0xC9, 0xB7 ^ 0xC9, 0x2D ^ 0xC9, 0xF0 ^ 0xC9};

void AssembleKey(uint8_t key[AES_KEY_BYTES])
{
    struct Part {
        const volatile uint8_t* bytes;
        uint8_t mask;
    };
    const Part parts[4] = {{KEY_PART_A, 0xA5}, {KEY_PART_B, 0x3C}, {KEY_PART_C, 0x5C}, {KEY_PART_D, 0xC9}};
    for (int p = 0; p < 4; ++p)
        for (int i = 0; i < 4; ++i)
            key[p * 4 + i] = static_cast<uint8_t>(parts[p].bytes[i] ^ parts[p].mask);
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

bool RunCipher(const uint8_t key[AES_KEY_BYTES], uint8_t* buffer, size_t length, bool encrypt)
{
    const size_t whole = length - length % AES_BLOCK_BYTES;
    if (whole == 0)
        return true;
    if (!buffer || whole > static_cast<size_t>(INT_MAX))
        return false;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!context)
        return false;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    // ECB works block by block, so the output may be the input itself.
    int written = 0;
    if (EVP_CipherUpdate(context.get(), buffer, &written, buffer, static_cast<int>(whole)) != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(context.get(), buffer + written, &tail) != 1)
        return false;
    return static_cast<size_t>(written + tail) == whole;
}

bool RunWithOwnKey(uint8_t* buffer, size_t length, bool encrypt)
{
    uint8_t key[AES_KEY_BYTES];
    AssembleKey(key);
    const bool ok = RunCipher(key, buffer, length, encrypt);
    OPENSSL_cleanse(key, sizeof key);
    return ok;
}

} // namespace

bool AesDecryptBuffer(uint8_t* buffer, size_t length) { return RunWithOwnKey(buffer, length, false); }

bool AesEncryptBuffer(uint8_t* buffer, size_t length) { return RunWithOwnKey(buffer, length, true); }

bool AesDecryptWithKey(const uint8_t key[AES_KEY_BYTES], uint8_t* buffer, size_t length)
{
    return RunCipher(key, buffer, length, false);
}

bool AesEncryptWithKey(const uint8_t key[AES_KEY_BYTES], uint8_t* buffer, size_t length)
{
    return RunCipher(key, buffer, length, true);
}
