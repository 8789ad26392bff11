#ifndef TARNO_TOOLS_SERVE_SPONSOR_AUTH_H_
#define TARNO_TOOLS_SERVE_SPONSOR_AUTH_H_

// The sponsor's password (only its Argon2id hash is kept), sessions in a cookie, a CSRF
// token per session, and a delay that grows with every failed login from one address
// (1, 2, 4, 8 ... seconds, at most 5 minutes, in which no password is even looked at),
// measured in milliseconds from the answer to the failed one.
// All state lives in the store. Thread-safe.

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "serve/robot_store.h"

namespace tarno::score {

struct SponsorSession {
  std::string token;
  std::string csrf;
};

// kNotKept: the password was right, but the session could not be stored (a full disk).
enum class LoginOutcome { kIn, kWrongPassword, kTooSoon, kNotKept };

class SponsorAuth {
 public:
  // `secureCookie`: the robot is reached over TLS (a reverse proxy), so cookies say Secure.
  SponsorAuth(RobotStore& store, bool secureCookie) : m_store(store), m_secure(secureCookie) {}

  // The password from `passwordFile` (its first line), else the one kept, else a new one,
  // which is returned in `made` to be shown once. False with the reason.
  bool SetUpPassword(const std::string& passwordFile, std::string* made, std::string* error);

  // Checks the password unless the address must still wait (`waitSeconds` then says how
  // long) or has a login being checked; on success a new session.
  LoginOutcome Login(const std::string& password, const std::string& address, int64_t nowUnix,
                     SponsorSession* session, int64_t* waitSeconds);
  // The session a Cookie header carries, when it is valid and has not expired.
  bool SessionOf(const std::string& cookieHeader, int64_t nowUnix, SponsorSession* session);
  void Logout(const SponsorSession& session);

  // Set-Cookie values: the session's, and one that removes it.
  std::string SessionCookie(const std::string& token) const;
  std::string ClearedSessionCookie() const;
  // The login form's CSRF token before there is a session: a cookie the form repeats.
  std::string LoginCookie(const std::string& token) const;
  static std::string LoginTokenOf(const std::string& cookieHeader);

 private:
  bool MayTry(const std::string& address, int64_t nowMs, int64_t* waitSeconds);

  RobotStore& m_store;
  bool m_secure;
  std::mutex m_hashing;  // one Argon2 hash at a time: each takes 64 MB
  std::mutex m_trying;
  std::set<std::string> m_tryingFrom;  // addresses with a login being checked
};

// Equal, in a time that does not tell where two secrets differ.
bool SameSecret(const std::string& a, const std::string& b);

// The value of cookie `name` in a Cookie header; empty when absent.
std::string CookieValue(const std::string& header, const std::string& name);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SPONSOR_AUTH_H_
