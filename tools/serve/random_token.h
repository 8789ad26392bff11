#ifndef TARNO_TOOLS_SERVE_RANDOM_TOKEN_H_
#define TARNO_TOOLS_SERVE_RANDOM_TOKEN_H_

// Unguessable tokens from the operating system's random source (libsodium), for receipts,
// sessions, CSRF tokens, passwords and scratch folder names.

#include <cstddef>
#include <string>

namespace tarno::score {

// Starts libsodium; false when it cannot be used. Call once before anything else here.
bool StartRandom();

// `bytes` random bytes as lower-case hex (twice as many characters).
std::string RandomHex(size_t bytes);

// A password of `length` letters and digits, without the ones that read alike (0 O 1 l I).
std::string RandomPassword(size_t length);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_RANDOM_TOKEN_H_
