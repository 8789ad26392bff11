#include "serve/sponsor_auth.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "logs/log_file.h"
#include "serve/random_token.h"

namespace tarno::score {
namespace {

constexpr int64_t kSessionSeconds = 12 * 3600;
constexpr int64_t kLongestWaitSeconds = 300;
constexpr char kSessionCookie[] = "tarno_session";
constexpr char kLoginCookie[] = "tarno_login";

std::string Hash(const std::string& password) {
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    return std::string();
  }
  return hash;
}

bool Verify(const std::string& hash, const std::string& password) {
  return !hash.empty() &&
         crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::string Cookie(const char* name, const std::string& value, int64_t maxAge, bool secure) {
  return std::string(name) + "=" + value +
         "; Path=/sponsor; HttpOnly; SameSite=Strict; Max-Age=" + std::to_string(maxAge) +
         (secure ? "; Secure" : "");
}

// A token as the robot makes them: hex only, so a cookie cannot smuggle anything in.
bool LooksLikeToken(const std::string& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

}  // namespace

bool SameSecret(const std::string& a, const std::string& b) {
  return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string CookieValue(const std::string& header, const std::string& name) {
  for (size_t from = 0; from < header.size();) {
    size_t to = header.find(';', from);
    if (to == std::string::npos) to = header.size();
    size_t start = header.find_first_not_of(' ', from);
    if (start < to && header.compare(start, name.size(), name) == 0 && start + name.size() < to &&
        header[start + name.size()] == '=') {
      return header.substr(start + name.size() + 1, to - start - name.size() - 1);
    }
    from = to + 1;
  }
  return std::string();
}

bool SponsorAuth::SetUpPassword(const std::string& passwordFile, std::string* made,
                                std::string* error) {
  std::lock_guard<std::mutex> lock(m_hashing);
  std::string password;
  if (!passwordFile.empty()) {
    if (!ReadRegularFile(passwordFile, &password, error)) return false;
    password = password.substr(0, password.find_first_of("\r\n"));
    if (password.empty()) {
      *error = passwordFile + ": the first line holds no password";
      return false;
    }
    if (Verify(m_store.Setting("password_hash"), password)) return true;
  } else if (!m_store.Setting("password_hash").empty()) {
    return true;
  } else {
    password = RandomPassword(16);
    *made = password;
  }
  const std::string hash = Hash(password);
  if (hash.empty() || !m_store.SetSetting("password_hash", hash)) {
    *error = "the password's hash could not be made or kept";
    return false;
  }
  return true;
}

namespace {

int64_t NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

// Whether the address may try now; if so, it is marked as trying, and no other login from
// it is looked at until this one is answered: sixteen tries sent at once are one try.
bool SponsorAuth::MayTry(const std::string& address, int64_t nowMs, int64_t* waitSeconds) {
  std::lock_guard<std::mutex> lock(m_trying);
  if (m_tryingFrom.count(address)) {
    *waitSeconds = 1;
    return false;
  }
  int64_t lastMs = 0;
  const int64_t failures = m_store.LoginFailures(address, &lastMs);
  if (failures > 0) {
    const int64_t waitMs =
        1000 *
        std::min<int64_t>(int64_t{1} << std::min<int64_t>(failures - 1, 20), kLongestWaitSeconds);
    if (nowMs < lastMs + waitMs) {
      *waitSeconds = (lastMs + waitMs - nowMs + 999) / 1000;
      return false;
    }
  }
  m_tryingFrom.insert(address);
  return true;
}

LoginOutcome SponsorAuth::Login(const std::string& password, const std::string& address,
                                int64_t nowUnix, SponsorSession* session, int64_t* waitSeconds) {
  if (!MayTry(address, NowMilliseconds(), waitSeconds)) return LoginOutcome::kTooSoon;
  LoginOutcome outcome = LoginOutcome::kIn;
  bool right = false;
  {
    std::lock_guard<std::mutex> lock(m_hashing);
    right = Verify(m_store.Setting("password_hash"), password);
  }
  if (!right) {
    // The wait runs from the answer, not the question: hashing can take seconds under load.
    m_store.CountLoginFailure(address, NowMilliseconds());
    outcome = LoginOutcome::kWrongPassword;
  } else {
    m_store.ClearLoginFailures(address);
    session->token = RandomHex(32);
    session->csrf = RandomHex(32);
    // A cookie for a session that was never stored would only look like a login.
    if (!m_store.AddSession(session->token, session->csrf, nowUnix + kSessionSeconds))
      outcome = LoginOutcome::kNotKept;
  }
  std::lock_guard<std::mutex> lock(m_trying);
  m_tryingFrom.erase(address);
  return outcome;
}

bool SponsorAuth::SessionOf(const std::string& cookieHeader, int64_t nowUnix,
                            SponsorSession* session) {
  const std::string token = CookieValue(cookieHeader, kSessionCookie);
  if (!LooksLikeToken(token) || !m_store.FindSession(token, nowUnix, &session->csrf)) return false;
  session->token = token;
  return true;
}

void SponsorAuth::Logout(const SponsorSession& session) { m_store.DeleteSession(session.token); }

std::string SponsorAuth::SessionCookie(const std::string& token) const {
  return Cookie(kSessionCookie, token, kSessionSeconds, m_secure);
}

std::string SponsorAuth::ClearedSessionCookie() const {
  return Cookie(kSessionCookie, "", 0, m_secure);
}

std::string SponsorAuth::LoginCookie(const std::string& token) const {
  return Cookie(kLoginCookie, token, 3600, m_secure);
}

std::string SponsorAuth::LoginTokenOf(const std::string& cookieHeader) {
  const std::string token = CookieValue(cookieHeader, kLoginCookie);
  return LooksLikeToken(token) ? token : std::string();
}

}  // namespace tarno::score
