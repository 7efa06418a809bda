#pragma once
// The traditional ZIP password cipher: three 32-bit keys stirred by every
// plain byte, a 12-byte encryption header in front of each entry's data whose
// last byte lets a reader check the password.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qel::zipfmt {

constexpr std::size_t kCipherHeaderSize = 12;

class ZipCipher {
public:
  ZipCipher() { reset(); }
  explicit ZipCipher(std::string_view password) { init(password); }

  void reset();
  // Starts the keys from a password (its bytes as given).
  void init(std::string_view password);

  std::uint8_t encryptByte(std::uint8_t plain);
  std::uint8_t decryptByte(std::uint8_t cipher);
  void encrypt(unsigned char *data, std::size_t size);
  void decrypt(unsigned char *data, std::size_t size);

private:
  std::uint8_t keystream() const;
  void update(std::uint8_t plain);
  std::uint32_t k0_ = 0, k1_ = 0, k2_ = 0;
};

// The byte the encryption header ends with: the high byte of the entry's CRC,
// or of its DOS time when the sizes and CRC follow the data (flag bit 3).
inline std::uint8_t cipherCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint16_t dosTime) {
  return (flags & 0x0008) ? std::uint8_t(dosTime >> 8) : std::uint8_t(crc >> 24);
}

// Fills `header` with 11 random bytes from the system's random source and the
// check byte, and encrypts it with `cipher` (freshly initialised with the
// password); the cipher is then ready for the entry's data. False when no
// random bytes could be had (the entry must then not be written).
bool makeCipherHeader(ZipCipher &cipher, std::uint8_t checkByte, unsigned char header[kCipherHeaderSize]);

// Decrypts the 12-byte header with `cipher` (freshly initialised with the
// password) and compares its last byte with the check byte. True when the
// password passes; the cipher is then ready for the entry's data.
bool checkCipherHeader(ZipCipher &cipher, std::uint8_t checkByte, const unsigned char header[kCipherHeaderSize]);

// Fills `out` with `size` bytes from the kernel's random source. False on failure.
bool secureRandomBytes(void *out, std::size_t size);

} // namespace qel::zipfmt
