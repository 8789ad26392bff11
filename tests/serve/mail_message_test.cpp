// The pure parts of the robot's mail: which addresses may receive one, the message's
// encodings read back, the places taken from results.csv, and who gets which mail.

#include "serve/mail_message.h"

#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "gtest/gtest.h"
#include "serve/mail_address.h"
#include "serve/mail_texts.h"
#include "serve/random_token.h"
#include "serve/result_places.h"

namespace tarno::score {
namespace {

int HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// Quoted-printable read back: soft breaks joined, =XX made bytes, CRLF made LF.
std::string FromQuotedPrintable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "=\r\n") == 0) {
      i += 2;
    } else if (text[i] == '=') {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else if (text.compare(i, 2, "\r\n") == 0) {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string FromBase64(const std::string& text) {
  const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int held = 0;
  for (const char c : text) {
    if (c == '=') break;
    bits = (bits << 6) | static_cast<uint32_t>(digits.find(c));
    if ((held += 6) >= 8) out += static_cast<char>((bits >> (held -= 8)) & 0xff);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t from = 0; from < text.size();) {
    const size_t end = text.find("\r\n", from);
    lines.push_back(text.substr(from, end - from));
    from = end == std::string::npos ? text.size() : end + 2;
  }
  return lines;
}

TEST(MailAddressTest, OnlyPlainAddressesPassAndEachFaultIsNamedInBothLanguages) {
  const struct {
    std::string address;
    AddressFault fault;
  } kCases[] = {
      {"op@example.org", AddressFault::kNone},
      {"First.Last+tarno@mail.example.co.hu", AddressFault::kNone},
      {"o'neil_{x}~@xn--bcs-kiskun-h4a.hu", AddressFault::kNone},
      {"a@b.cc\r\nBcc: x@y.zz", AddressFault::kBadCharacter},
      {"a@b.cc\nBcc: x@y.zz", AddressFault::kBadCharacter},
      {"a@b.cc>\r\nRCPT TO:<x@y.zz", AddressFault::kBadCharacter},
      {"a@example.org, b@example.org", AddressFault::kBadCharacter},
      {"<a@example.org>", AddressFault::kBadCharacter},
      {"\"a b\"@example.org", AddressFault::kBadCharacter},
      {"a b@example.org", AddressFault::kBadCharacter},
      {std::string("a@example.org\0x", 15), AddressFault::kBadCharacter},
      {"j\xc3\xa1@example.org", AddressFault::kBadCharacter},
      {"a@exa\tmple.org", AddressFault::kBadCharacter},
      {"", AddressFault::kNotOneAt},
      {"example.org", AddressFault::kNotOneAt},
      {"a@@example.org", AddressFault::kNotOneAt},
      {"a@b@example.org", AddressFault::kNotOneAt},
      {"@example.org", AddressFault::kBadMailbox},
      {".a@example.org", AddressFault::kBadMailbox},
      {"a..b@example.org", AddressFault::kBadMailbox},
      {std::string(65, 'a') + "@example.org", AddressFault::kBadMailbox},
      {"a@localhost", AddressFault::kBadDomain},
      {"a@example", AddressFault::kBadDomain},
      {"a@192.168.0.1", AddressFault::kBadDomain},
      {"a@-example.org", AddressFault::kBadDomain},
      {"a@example..org", AddressFault::kBadDomain},
      {"a@example.org.", AddressFault::kBadDomain},
      {"a@example.c", AddressFault::kBadDomain},
      {"a@" + std::string(64, 'b') + ".org", AddressFault::kBadDomain},
      {"a@" + std::string(200, 'b') + ".org", AddressFault::kTooLong},
  };
  for (const auto& [address, fault] : kCases) {
    EXPECT_EQ(CheckMailAddress(address), fault) << address;
    if (fault == AddressFault::kNone) continue;
    for (const Language language : kLanguages) {
      EXPECT_EQ(Catalogue::Of(language).Text(AddressFaultKey(fault)).find("[mail."),
                std::string::npos);
    }
  }
}

TEST(MailMessageTest, BodyAndSubjectReadBackWholeWithinTheLineLimits) {
  const std::string kTexts[] = {
      "plain ASCII",
      "Árvíztűrő tükörfúrógép: ő ű Ő Ű, and = signs =3D",
      std::string(300, 'x') + "\n" + std::string(100, 'x') + "ő" + std::string(100, 'y'),
      "a trailing blank \nand a tab\t\nand a lone \r in a line\n\n.leading dot",
      "http://logs.example.org/receipt/" + std::string(64, 'f'),
      "four bytes: \xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f"
      "\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb\xf0\x9f\x93\xbb",
  };
  for (const std::string& text : kTexts) {
    const std::string encoded = QuotedPrintable(text);
    for (const std::string& line : Lines(encoded)) {
      EXPECT_LE(line.size(), 76u) << line;
      for (const char c : line) EXPECT_TRUE(c >= ' ' && c < 0x7f) << line;
      EXPECT_NE(line.back(), ' ');
    }
    EXPECT_EQ(FromQuotedPrintable(encoded), text + "\n");

    std::string blanked = text;  // control bytes never reach a header
    for (char& c : blanked) c = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    const std::string subject = HeaderText(text);
    if (subject == blanked) continue;  // short plain ASCII goes as it is
    std::string decoded;
    for (const std::string& line : Lines(subject)) {
      EXPECT_LE(line.size() + 9, 76u) << "Subject: " << line;
      const size_t word = line.find("=?UTF-8?B?");
      ASSERT_NE(word, std::string::npos) << line;
      decoded += FromBase64(line.substr(word + 10, line.size() - word - 12));
    }
    EXPECT_EQ(decoded, blanked);
  }
  EXPECT_EQ(HeaderText("HA5AA: log received"), "HA5AA: log received");
  EXPECT_EQ(MailDate(1772971200), "Sun, 08 Mar 2026 12:00:00 +0000");
}

TEST(ResultPlacesTest, PlacesAreCountedPerCategoryAndBrokenRowsLeftOut) {
  const std::string csv =
      "rank,call,claimed,checked,name,category,category_rank\n"
      "1,HA5AA,900,880,\"Kovács, \"\"Pista\"\"\nBudapest\",SINGLE-OP,1\n"
      "2,hg7bb,700,650,,SINGLE-OP,2\n"
      "2,DL1CC,700,650,,MULTI-OP,1\n"
      "4,OK2DD,10,5,,,\n"
      ",HA1CK,50,40,,CHECKLOG,\n"
      "x,HA2XX,1,1,,SINGLE-OP,3\n"
      "5,HA3SH,1\n";
  const auto places = PlacesOfResults(csv);
  ASSERT_EQ(places.size(), 5u);
  const EntrantPlace& first = places.at("HA5AA");
  EXPECT_EQ(std::make_tuple(first.rank, first.ranked, first.categoryRank, first.inCategory),
            std::make_tuple(1, 4, 1, 2));
  EXPECT_EQ(first.checked, "880");
  EXPECT_EQ(places.at("HG7BB").rank, 2) << "by call in upper case";
  EXPECT_EQ(places.at("DL1CC").inCategory, 1);
  EXPECT_EQ(places.at("OK2DD").categoryRank, 0);
  EXPECT_EQ(places.at("HA1CK").category, "CHECKLOG");
  EXPECT_EQ(places.at("HA1CK").ranked, 0);
  EXPECT_TRUE(PlacesOfResults("no,header\n1,2\n").empty());
}

TEST(MailTextsTest, EachAcceptedUploadWithAPlainAddressGetsItsMailsInBothLanguages) {
  ASSERT_TRUE(StartRandom());
  const MailSettings settings{"robot@example.org", "https://logs.example.org", ""};
  UploadRecord earlier, upload;
  earlier.id = 1;
  earlier.email = "first@example.org";
  earlier.token = std::string(64, 'a');
  upload.id = 2;
  upload.call = "HA5AA";
  upload.state = "current";
  upload.email = "second@example.org";
  upload.token = std::string(64, 'b');
  for (int i = 0; i < 12; ++i) upload.findings += "line " + std::to_string(i) + ": a problem\n";

  const auto both = MailsOfUpload(settings, upload, &earlier, 0);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].recipient, "second@example.org");
  EXPECT_EQ(both[1].recipient, "first@example.org");
  const std::string notice = FromQuotedPrintable(both[1].message);
  EXPECT_NE(notice.find("/receipt/" + earlier.token), std::string::npos);
  EXPECT_EQ(notice.find(upload.token), std::string::npos) << "the newcomer's receipt is his";
  const std::string receipt = FromQuotedPrintable(both[0].message);
  EXPECT_NE(receipt.find("line 9: a problem"), std::string::npos);
  EXPECT_EQ(receipt.find("line 10: a problem"), std::string::npos);
  EXPECT_NE(receipt.find("... és még 2"), std::string::npos);
  EXPECT_NE(receipt.find("... and 2 more"), std::string::npos);
  EXPECT_NE(both[0].messageId, both[1].messageId);
  for (const OutboxMail& mail : both) {
    EXPECT_EQ(FromQuotedPrintable(mail.message).find("[mail."), std::string::npos)
        << "every key in both catalogues";
  }

  earlier.email = "SECOND@example.org";
  EXPECT_EQ(MailsOfUpload(settings, upload, &earlier, 0).size(), 1u) << "one address, one mail";
  upload.email = "second@example.org\r\nBcc: x@y.zz";
  EXPECT_EQ(MailsOfUpload(settings, upload, nullptr, 0).size(), 0u);
  upload.email = "second@example.org";
  upload.state = "refused";
  EXPECT_EQ(MailsOfUpload(settings, upload, nullptr, 0).size(), 0u);

  upload.state = "current";
  OutboxMail results;
  const EntrantPlace checkLog{0, 0, "CHECKLOG", 0, 0, "40"};
  ASSERT_TRUE(ResultsMail(settings, 7, upload, &checkLog, 0, &results));
  EXPECT_EQ(results.dedupe, "results-7-2");
  const std::string text = FromQuotedPrintable(results.message);
  EXPECT_NE(text.find("check log"), std::string::npos);
  EXPECT_NE(text.find("https://logs.example.org/results/certificates/HA5AA.pdf"),
            std::string::npos);
  ASSERT_TRUE(ResultsMail(settings, 7, upload, nullptr, 0, &results));
  EXPECT_EQ(FromQuotedPrintable(results.message).find("certificates/"), std::string::npos)
      << "no place, no certificate";
}

}  // namespace
}  // namespace tarno::score
