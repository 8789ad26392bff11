// Certificates drawn to PDF and read back the way anyone else reads them: poppler's
// pdftotext, pdfinfo, pdffonts, pdfimages and pdftoppm. The place certificate with a
// logo and a signature lands in the build folder's screenshots/ (the README shows it).

#include "crosscheck/certificate.h"

#include <archive.h>
#include <archive_entry.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "crosscheck/certificate_text.h"
#include "tools/run_command.h"

// Read by LeakSanitizer in the sanitizer build. fontconfig keeps the font patterns pango
// and cairo matched in caches of its own until the process ends: a fixed amount, the same
// after one certificate as after a hundred.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

const std::string kAccented = "Horváth Ödön Győző";

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a poppler tool prints about `pdf`; pdftotext needs "-" after it to print.
std::string Poppler(const std::string& command, const fs::path& pdf,
                    const std::string& after = "") {
  std::string output;
  EXPECT_EQ(testing::RunCommand(command + " '" + pdf.string() + "'" + after, &output), 0) << output;
  return output;
}

std::string WithoutBlanks(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return std::isspace(c); }),
             text.end());
  return text;
}

// A picture `width` x `height` pixels: a wide one a signature's strokes on a clear ground,
// any other a round emblem.
void WritePng(const fs::path& path, int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, width / 100.0, height / 100.0);
  if (width > 2 * height) {
    cairo_set_source_rgb(cr, 0.05, 0.1, 0.35);
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, 4, 75);
    for (int i = 0; i < 9; ++i) cairo_rel_curve_to(cr, 4, -60, 8, 40, 10, -(i % 3) * 8);
    cairo_stroke(cr);
  } else {
    cairo_set_source_rgb(cr, 0.09, 0.2, 0.4);
    cairo_arc(cr, 50, 50, 46, 0, 6.2832);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.85, 0.65, 0.2);
    cairo_set_line_width(cr, 7);
    cairo_arc(cr, 50, 50, 30, 0, 6.2832);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
}

class CertificateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = fs::temp_directory_path() /
               ("tarno-certificate-" + std::string(test->name()) + "-" + std::to_string(getpid()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    m_options.title = "TARNO Contest";
    m_options.year = 2026;
    m_options.sponsor = "Magyar Tarno Egyesület";
  }
  void TearDown() override { fs::remove_all(m_folder); }

  static CertificateData Placed(const std::string& call, const std::string& name) {
    CertificateData data;
    data.kind = CertificateKind::kPlace;
    data.call = call;
    data.name = name;
    data.category = "Egy operátor, kis teljesítmény";
    data.place = 3;
    data.placedCount = 39;
    data.checkedScore = 123456;
    return data;
  }

  // Writes the certificates; the problems reported.
  std::vector<std::string> Write(const std::vector<CertificateData>& entrants, bool ok = true) {
    std::vector<std::string> problems;
    EXPECT_EQ(WriteCertificates(entrants, m_options, Out().string(), &problems), ok);
    return problems;
  }

  fs::path Out() const { return m_folder / "out"; }
  fs::path Pdf(const std::string& name) const { return Out() / "certificates" / name; }

  fs::path m_folder;
  CertificateOptions m_options;
};

TEST(CertificateTextTest, AnyBytesBecomeOneLineOfValidText) {
  struct Case {
    std::string raw;
    size_t mostChars;
    std::string shown;
  } cases[] = {
      {kAccented, 40, kAccented},
      {"  Kiss\r\n\tÉva  ", 40, "Kiss Éva"},
      {std::string("A\0B", 3), 40, "A\uFFFDB"},
      {"Sz\xE9p \xC3", 40, "Sz\uFFFDp \uFFFD"},      // Latin-1 and a cut sequence
      {"\xED\xA0\x80x", 40, "\uFFFD\uFFFD\uFFFDx"},  // a surrogate is no UTF-8
      {"a\u2028b\u0085c", 40, "a b c"},
      {"Győző Győző", 5, "Győző\u2026"},
      {std::string(100000, 'x'), 3, "xxx\u2026"},
      {"", 5, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CertificateText(c.raw, c.mostChars), c.shown) << c.raw;
}

TEST(CertificateTextTest, PlacesAndTitlesAsEachLanguageWritesThem) {
  const std::pair<int, std::string> endings[] = {{1, "st"},   {2, "nd"},   {3, "rd"},  {4, "th"},
                                                 {11, "th"},  {12, "th"},  {13, "th"}, {21, "st"},
                                                 {102, "nd"}, {111, "th"}, {113, "th"}};
  for (const auto& [number, ending] : endings) EXPECT_EQ(EnglishOrdinalEnding(number), ending);
  EXPECT_EQ(FilledIn(EnglishCertificateWords().place, 22, 40), "22nd place");
  EXPECT_EQ(FilledIn(HungarianCertificateWords().place, 22, 40), "22. helyezés");
  EXPECT_EQ(TitleWithYear("TARNO Contest", 2026), "TARNO Contest 2026");
  EXPECT_EQ(TitleWithYear("TARNO Contest 2026", 2026), "TARNO Contest 2026");
  EXPECT_EQ(TitleWithYear("2026. évi TARNO verseny", 2026), "2026. évi TARNO verseny");
  EXPECT_EQ(TitleWithYear("TARNO-20260", 2026), "TARNO-20260 2026");
  EXPECT_EQ(TitleWithYear("TARNO Contest", 0), "TARNO Contest");
}

TEST_F(CertificateTest, EachKindReadsBackInBothLanguages) {
  CertificateData participant = Placed("HA1AA/P", "");
  participant.kind = CertificateKind::kParticipation;
  participant.category = "";
  participant.checkedScore = 980;
  CertificateData checkLog = Placed("HG7CHK", "Őri Űrsula");
  checkLog.kind = CertificateKind::kParticipation;
  checkLog.checkLog = true;
  struct Case {
    CertificateData data;
    std::string file;
    std::vector<std::string> shown, notShown;
  } cases[] = {
      {Placed("HA5X", kAccented),
       "HA5X.pdf",
       {"HA5X", kAccented, "Oklevél", "Certificate", "3. helyezés", "3rd place",
        "a kategória 39 indulója közül", "of 39 in the category", "Egy operátor, kis teljesítmény",
        "Ellenőrzött pontszám / Checked score: 123456", "TARNO Contest 2026",
        "Magyar Tarno Egyesület", "a verseny rendezője / contest sponsor"},
       {"participation"}},
      {participant,
       "HA1AA_P.pdf",
       {"HA1AA/P", "Részvételi oklevél", "Certificate of participation",
        "részt vett a versenyen / took part in the contest", "Checked score: 980"},
       {"place", "Category"}},
      {checkLog,
       "HG7CHK.pdf",
       {"HG7CHK", "Őri Űrsula", "ellenőrző naplót küldött / sent a check log", "Category"},
       {"Checked score", "took part"}},
  };
  std::vector<CertificateData> entrants;
  for (const Case& c : cases) entrants.push_back(c.data);
  EXPECT_TRUE(Write(entrants).empty());
  for (const Case& c : cases) {
    const std::string text = Poppler("pdftotext -enc UTF-8", Pdf(c.file), " -");
    for (const std::string& words : c.shown)
      EXPECT_NE(text.find(words), std::string::npos) << words;
    for (const std::string& words : c.notShown)
      EXPECT_EQ(text.find(words), std::string::npos) << words;
  }

  const std::string info = Poppler("pdfinfo", Pdf("HA5X.pdf"));
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Page size:\s+841\.89 x 595\.28 pts \(A4\))")))
      << info;
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Pages:\s+1\n)"))) << info;
  // Every font is in the file: the page prints the same where DejaVu is not installed.
  const std::string fonts = Poppler("pdffonts", Pdf("HA5X.pdf"));
  const std::regex row(R"((\S*DejaVu\S*) .* (yes|no) +(yes|no) +(yes|no) +\d+ +\d+)");
  int rows = 0;
  for (std::sregex_iterator it(fonts.begin(), fonts.end(), row), end; it != end; ++it, ++rows) {
    EXPECT_EQ((*it)[2], "yes") << (*it)[1];
  }
  EXPECT_GE(rows, 3) << fonts;
}

TEST_F(CertificateTest, LongAndBrokenTextsStayOnThePageApart) {
  std::string longName;
  while (longName.size() < 200) longName += "Győző Ödön ";
  longName.resize(200);
  m_options.title = std::string(150, 'T') + " Contest";
  m_options.sponsor = std::string(120, 'S') + " Egyesület";
  CertificateData data = Placed("HA5LONG", longName);
  data.category = std::string(180, 'C');
  CertificateData broken = Placed("HA5BAD", "Sz\xE9p \xFF\xFEJ\xC3\xB3zsef\n<b>&");
  // A character no font has (a private use one) prints as a box, and the sponsor hears of it.
  CertificateData boxed = Placed("HA5BOX", "Kovács \U0010FFFD");
  EXPECT_EQ(Write({data, broken, boxed}),
            std::vector<std::string>{"HA5BOX: the certificate's fonts lack some characters of "
                                     "\"Kovács \U0010FFFD\"; they print as boxes"});

  const std::string text = Poppler("pdftotext -enc UTF-8", Pdf("HA5LONG.pdf"), " -");
  EXPECT_NE(WithoutBlanks(text).find(WithoutBlanks(longName)), std::string::npos) << text;
  const fs::path boxes = m_folder / "boxes.html";
  std::string output;
  ASSERT_EQ(testing::RunCommand("pdftotext -bbox-layout '" + Pdf("HA5LONG.pdf").string() + "' '" +
                                    boxes.string() + "'",
                                &output),
            0);
  const std::string html = Slurp(boxes);
  const std::regex line(
      R"re(<line xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">)re");
  std::vector<std::array<double, 4>> lines;
  for (std::sregex_iterator it(html.begin(), html.end(), line), end; it != end; ++it) {
    lines.push_back(
        {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
  }
  ASSERT_GE(lines.size(), 10u);
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& [left, top, right, bottom] = lines[i];
    // Inside the inner frame, 30 points in from each edge.
    EXPECT_TRUE(left >= 30 && top >= 30 && right <= 841.89 - 30 && bottom <= 595.28 - 30)
        << "line " << i << ": " << left << "," << top << " " << right << "," << bottom;
    for (size_t j = 0; j < i; ++j) {
      const bool across = lines[j][0] < right && left < lines[j][2];
      const bool down = lines[j][1] < bottom - 1 && top < lines[j][3] - 1;
      EXPECT_FALSE(across && down) << "lines " << j << " and " << i << " overlap";
    }
  }

  const std::string brokenText = Poppler("pdftotext -enc UTF-8", Pdf("HA5BAD.pdf"), " -");
  EXPECT_NE(brokenText.find("Sz\uFFFDp \uFFFD\uFFFDJózsef <b>&"), std::string::npos) << brokenText;
}

TEST_F(CertificateTest, ImagesAreDrawnNoLargerThanTheyPrint) {
  m_options.logoPath = (m_folder / "logo.png").string();
  m_options.signaturePath = (m_folder / "signature.png").string();
  WritePng(m_options.logoPath, 200, 200);
  WritePng(m_options.signaturePath, 4000, 1000);
  EXPECT_TRUE(Write({Placed("HA5X", kAccented)}).empty());

  // page num type width height ...: the logo as it is, the signature scaled down to 200 dpi
  // of its 220-point box.
  const std::string images = Poppler("pdfimages -list", Pdf("HA5X.pdf"));
  const std::regex row(R"(\n +1 +\d+ +image +(\d+) +(\d+))");
  std::set<std::pair<int, int>> sizes;
  for (std::sregex_iterator it(images.begin(), images.end(), row), end; it != end; ++it) {
    sizes.insert({std::stoi((*it)[1]), std::stoi((*it)[2])});
  }
  EXPECT_EQ(sizes, (std::set<std::pair<int, int>>{{200, 200}, {611, 153}})) << images;

  const fs::path shots = fs::path(TARNO_BUILD_DIR) / "screenshots";
  fs::create_directories(shots);
  std::string output;
  EXPECT_EQ(testing::RunCommand("pdftoppm -png -r 50 -singlefile '" + Pdf("HA5X.pdf").string() +
                                    "' '" + (shots / "certificate").string() + "'",
                                &output),
            0)
      << output;
  EXPECT_GT(fs::file_size(shots / "certificate.png"), 10000u);
}

TEST_F(CertificateTest, AnImageThatCannotBeUsedIsReportedAndLeftOut) {
  fs::create_directories(m_folder / "folder.png");
  std::ofstream(m_folder / "text.png") << "not a picture";
  // A header claiming 100000 x 100000 pixels: refused before anything is decoded.
  std::ofstream(m_folder / "huge.png", std::ios::binary)
      << std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0",
                     29)
      << std::string(64, '\0');
  WritePng(m_folder / "whole.png", 200, 200);
  const std::string whole = Slurp(m_folder / "whole.png");
  std::ofstream(m_folder / "cut.png", std::ios::binary) << whole.substr(0, whole.size() / 2);
  const std::pair<std::string, std::string> cases[] = {
      {"missing.png", "does not exist"},
      {"folder.png", "is not a file"},
      {"text.png", "is not a PNG image"},
      {"huge.png", "is 100000 x 100000 pixels; at most 8000 on a side and 16 million in all"},
      {"cut.png", "cannot be read as a PNG image"},
  };
  for (const auto& [file, reason] : cases) {
    m_options.logoPath = (m_folder / file).string();
    const std::vector<std::string> problems = Write({Placed("HA5X", kAccented)});
    ASSERT_EQ(problems.size(), 1u) << file;
    EXPECT_EQ(problems[0].rfind("the image " + m_options.logoPath + " " + reason, 0), 0u)
        << problems[0];
    EXPECT_NE(problems[0].find("; certificates have no logo"), std::string::npos) << problems[0];
    EXPECT_NE(Poppler("pdftotext", Pdf("HA5X.pdf"), " -").find("HA5X"), std::string::npos) << file;
  }
}

TEST_F(CertificateTest, FilesAreNamedByCallsAloneAndAllZipped) {
  fs::create_directories(Out() / "certificates");
  std::ofstream(Pdf("HA9OLD.pdf")) << "last year's";
  std::ofstream(Pdf("notes.txt")) << "the sponsor's";
  const std::vector<std::string> problems =
      Write({Placed("HA5X", ""), Placed("../../etc/x", ""), Placed("HA1AA/P", ""),
             Placed("ha5x", ""), Placed("<b>HA1</b>", ""), Placed("COM1", "")});
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "\"../../etc/x\" is not a call; no certificate for it",
                          "\"ha5x\": a certificate ha5x.pdf is already written for another "
                          "entrant; none for this one",
                          "\"<b>HA1</b>\" is not a call; no certificate for it"}));
  std::set<std::string> files;
  for (const auto& entry : fs::directory_iterator(Out() / "certificates")) {
    files.insert(entry.path().filename().string());
  }
  EXPECT_EQ(files, (std::set<std::string>{"HA5X.pdf", "HA1AA_P.pdf", "COM1_.pdf", "notes.txt"}));
  EXPECT_FALSE(fs::exists(Out() / "certificates.zip.part"));

  struct archive* zip = archive_read_new();
  archive_read_support_format_zip(zip);
  ASSERT_EQ(archive_read_open_filename(zip, (Out() / "certificates.zip").c_str(), 65536),
            ARCHIVE_OK);
  std::set<std::string> zipped;
  struct archive_entry* entry = nullptr;
  while (archive_read_next_header(zip, &entry) == ARCHIVE_OK) {
    const std::string name = archive_entry_pathname(entry);
    std::string bytes(static_cast<size_t>(archive_entry_size(entry)), '\0');
    EXPECT_EQ(archive_read_data(zip, bytes.data(), bytes.size()),
              static_cast<la_ssize_t>(bytes.size()));
    EXPECT_EQ(bytes, Slurp(Out() / name)) << name;
    zipped.insert(name);
  }
  archive_read_free(zip);
  EXPECT_EQ(zipped, (std::set<std::string>{"certificates/HA5X.pdf", "certificates/HA1AA_P.pdf",
                                           "certificates/COM1_.pdf"}));
}

// The zip's entries in the order they were written.
std::vector<std::string> ZipEntries(const fs::path& path) {
  std::vector<std::string> names;
  struct archive* zip = archive_read_new();
  archive_read_support_format_zip(zip);
  if (archive_read_open_filename(zip, path.c_str(), 65536) == ARCHIVE_OK) {
    struct archive_entry* entry = nullptr;
    while (archive_read_next_header(zip, &entry) == ARCHIVE_OK)
      names.push_back(archive_entry_pathname(entry));
  }
  archive_read_free(zip);
  return names;
}

TEST_F(CertificateTest, DrawnOnSeveralThreadsTheyAreWrittenAsOnOne) {
  std::vector<CertificateData> entrants;
  for (int i = 0; i < 23; ++i) {
    entrants.push_back(Placed("HA" + std::to_string(i % 10) + "T" + std::string(1, 'A' + i),
                              kAccented + " " + std::to_string(i)));
    entrants.back().place = i + 1;
  }
  entrants.insert(entrants.begin() + 5, Placed("not a call", ""));
  entrants.insert(entrants.begin() + 11, Placed("ha3td", ""));
  std::vector<std::string> problems[2];
  const fs::path outs[2] = {m_folder / "one", m_folder / "four"};
  EXPECT_TRUE(WriteCertificates(entrants, m_options, outs[0].string(), &problems[0], 1));
  EXPECT_TRUE(WriteCertificates(entrants, m_options, outs[1].string(), &problems[1], 4));
  EXPECT_EQ(problems[0], problems[1]);
  EXPECT_EQ(problems[0].size(), 2u);
  const std::vector<std::string> order = ZipEntries(outs[0] / "certificates.zip");
  EXPECT_EQ(order.size(), 23u);
  EXPECT_EQ(order, ZipEntries(outs[1] / "certificates.zip"));
  for (const std::string& name : order) {
    EXPECT_EQ(Poppler("pdftotext -enc UTF-8", outs[0] / name, " -"),
              Poppler("pdftotext -enc UTF-8", outs[1] / name, " -"))
        << name;
  }
}

TEST_F(CertificateTest, AFolderThatCannotBeMadeFailsTheRun) {
  std::ofstream(Out()) << "a file where the folder goes";
  const std::vector<std::string> problems = Write({Placed("HA5X", "")}, false);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("cannot make " + (Out() / "certificates").string(), 0), 0u)
      << problems[0];
}

}  // namespace
}  // namespace tarno::score
