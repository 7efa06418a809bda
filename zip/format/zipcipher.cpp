#include "zip/format/zipcipher.h"

#include <cerrno>
#include <cstring>
#include <sys/random.h>
#include <zlib.h>

namespace qel::zipfmt {

namespace {

// One step of the reflected CRC-32 over a single byte, without the
// pre- and post-inversion, as the cipher's key schedule uses it.
inline std::uint32_t crcStep(std::uint32_t crc, std::uint8_t byte) {
  static const z_crc_t *table = get_crc_table();
  return table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

} // namespace

void ZipCipher::reset() {
  k0_ = 0x12345678u;
  k1_ = 0x23456789u;
  k2_ = 0x34567890u;
}

void ZipCipher::init(std::string_view password) {
  reset();
  for (unsigned char c : password) update(c);
}

void ZipCipher::update(std::uint8_t plain) {
  k0_ = crcStep(k0_, plain);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1u;
  k2_ = crcStep(k2_, std::uint8_t(k1_ >> 24));
}

std::uint8_t ZipCipher::keystream() const {
  std::uint16_t t = std::uint16_t(k2_ | 2u);
  return std::uint8_t((unsigned(t) * unsigned(t ^ 1u)) >> 8);
}

std::uint8_t ZipCipher::encryptByte(std::uint8_t plain) {
  std::uint8_t c = plain ^ keystream();
  update(plain);
  return c;
}

std::uint8_t ZipCipher::decryptByte(std::uint8_t cipher) {
  std::uint8_t p = cipher ^ keystream();
  update(p);
  return p;
}

void ZipCipher::encrypt(unsigned char *data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) data[i] = encryptByte(data[i]);
}

void ZipCipher::decrypt(unsigned char *data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) data[i] = decryptByte(data[i]);
}

bool secureRandomBytes(void *out, std::size_t size) {
  auto *p = static_cast<unsigned char *>(out);
  while (size > 0) {
    ssize_t n = getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool makeCipherHeader(ZipCipher &cipher, std::uint8_t checkByte, unsigned char header[kCipherHeaderSize]) {
  if (!secureRandomBytes(header, kCipherHeaderSize - 1)) {
    std::memset(header, 0, kCipherHeaderSize);
    return false;
  }
  header[kCipherHeaderSize - 1] = checkByte;
  cipher.encrypt(header, kCipherHeaderSize);
  return true;
}

bool checkCipherHeader(ZipCipher &cipher, std::uint8_t checkByte, const unsigned char header[kCipherHeaderSize]) {
  unsigned char plain[kCipherHeaderSize];
  std::memcpy(plain, header, kCipherHeaderSize);
  cipher.decrypt(plain, kCipherHeaderSize);
  return plain[kCipherHeaderSize - 1] == checkByte;
}

} // namespace qel::zipfmt
