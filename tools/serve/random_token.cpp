#include "serve/random_token.h"

#include <sodium.h>

#include <vector>

namespace tarno::score {

bool StartRandom() { return sodium_init() >= 0; }

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> random(bytes);
  randombytes_buf(random.data(), random.size());
  std::string hex(bytes * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), random.data(), random.size());
  hex.pop_back();
  return hex;
}

std::string RandomPassword(size_t length) {
  static const char kAlphabet[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  std::string password;
  for (size_t i = 0; i < length; ++i)
    password += kAlphabet[randombytes_uniform(sizeof kAlphabet - 1)];
  return password;
}

}  // namespace tarno::score
