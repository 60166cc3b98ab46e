#pragma once
// AES-128 in ECB mode without padding over OpenSSL's libcrypto, in place.
// The sensor firmware containers are encrypted with the program's own key,
// which is put together from its parts at every call and never kept whole;
// the fixture writers of the tests encrypt with it through AesEncryptBuffer.
#include <cstddef>
#include <cstdint>

constexpr size_t AES_BLOCK_BYTES = 16;
constexpr size_t AES_KEY_BYTES = 16;

// Decrypts every whole 16-byte block of the first length bytes with the
// program's key; bytes behind the last whole block are left as they are.
// False when the cipher could not run (the bytes may then be half done).
bool AesDecryptBuffer(uint8_t* buffer, size_t length);
// The inverse: encrypts the whole blocks with the program's key.
bool AesEncryptBuffer(uint8_t* buffer, size_t length);

// The same with a key of the caller's, so that the cipher can be checked
// against published vectors.
bool AesDecryptWithKey(const uint8_t key[AES_KEY_BYTES], uint8_t* buffer, size_t length);
bool AesEncryptWithKey(const uint8_t key[AES_KEY_BYTES], uint8_t* buffer, size_t length);
