#include "serve/robot_mail.h"

#include "contest/ascii_text.h"
#include "serve/result_places.h"

namespace tarno::score {

void RobotMail::SetLinkBase(const std::string& linkBase) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_settings.linkBase = linkBase;
}

MailSettings RobotMail::Settings() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_settings;
}

UploadMails RobotMail::ForUpload(int64_t nowUnix) const {
  if (!On()) return nullptr;
  return
      [settings = Settings(), nowUnix](const UploadRecord& upload, const UploadRecord* replaced) {
        return MailsOfUpload(settings, upload, replaced, nowUnix);
      };
}

std::vector<OutboxMail> RobotMail::ForResults(RobotStore& store, int64_t run,
                                              int64_t nowUnix) const {
  std::vector<OutboxMail> mails;
  if (!On()) return mails;
  std::string csv;
  store.RunFile(run, "results.csv", &csv);
  const std::map<std::string, EntrantPlace> places = PlacesOfResults(csv);
  const MailSettings settings = Settings();
  for (const UploadRecord& upload : store.UploadsOfRun(run, false)) {
    const auto place = places.find(UpperAscii(upload.call));
    OutboxMail mail;
    if (ResultsMail(settings, run, upload, place == places.end() ? nullptr : &place->second,
                    nowUnix, &mail)) {
      mails.push_back(std::move(mail));
    }
  }
  return mails;
}

void RobotMail::Queued() const {
  if (m_sender) m_sender->Wake();
}

}  // namespace tarno::score
