// The catalogues as the programs read them: texts by key in each language, placeholders,
// plurals, numbers as each language writes them, and the language a browser asks for.

#include "catalogue/catalogue.h"

#include "gtest/gtest.h"

#include <string>
#include <thread>
#include <vector>

namespace tarno::score {
namespace {

const Catalogue& kEn = Catalogue::Of(Language::kEnglish);
const Catalogue& kHu = Catalogue::Of(Language::kHungarian);

TEST(CatalogueTest, CountiesAreNamedAsHungariansWriteThemInBothLanguages) {
  EXPECT_EQ(kHu.Text("county.BN"), "B\xC3\xA1" "cs-Kiskun");
  EXPECT_EQ(kHu.Text("county.GY"), "Gy\xC5\x91r-Moson-Sopron");
  EXPECT_EQ(kEn.Text("county.BO"), "Borsod-Aba\xC3\xBAj-Zempl\xC3\xA9n");
  EXPECT_EQ(kEn.Text("county.BP"), "Budapest");
  EXPECT_EQ(kHu.Text("county.ZA"), "Zala");
}

TEST(CatalogueTest, AMissingKeyShowsItselfInBrackets) {
  EXPECT_EQ(kEn.Text("no.such.key"), "[no.such.key]");
  EXPECT_EQ(kHu.Text(""), "[]");
  // Texts are handed out by reference: the threads writing pages ask for the same missing
  // key at once, and each answer outlives the others.
  std::vector<const std::string*> seen(4);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < seen.size(); ++t) {
    threads.emplace_back([&seen, t] {
      for (int i = 0; i < 200; ++i) {
        seen[t] = &kEn.Text("missing." + std::to_string(i % 7));
        EXPECT_EQ(&kEn.Text("county.BP"), &kEn.Text("county.BP"));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string* text : seen) EXPECT_EQ(text, seen[0]);
  EXPECT_EQ(*seen[0], "[missing.3]");  // 199 % 7
}

TEST(CatalogueTest, PlaceholdersAreFilledAndUnknownOnesLeft) {
  EXPECT_EQ(kEn.Format("number.of", {{"place", "7"}, {"count", "39"}}), "7 of 39");
  EXPECT_EQ(kHu.Format("number.of", {{"place", "7"}, {"count", "39"}}),
            "7. a(z) 39 k\xC3\xB6z\xC3\xBCl");
  EXPECT_EQ(kEn.Format("number.of", {{"place", "{count}"}}), "{count} of {count}")
      << "a value is never read as a placeholder";
}

TEST(CatalogueTest, PluralsTakeTheCountAndTheValuesGiven) {
  EXPECT_EQ(kEn.Plural("entrant.lines", 1, {{"file", "a.cbr"}}), "1 QSO line in a.cbr");
  EXPECT_EQ(kEn.Plural("entrant.more", 12345), " and 12,345 more");
  EXPECT_EQ(kHu.Plural("entrant.more", 12345), " \xC3\xA9s m\xC3\xA9g 12\xC2\xA0" "345");
  EXPECT_EQ(kEn.Plural("entrant.more", 3, {{"n", "three"}}), " and three more")
      << "a value given is taken before the count";
  const std::string longKey(120, 'k');
  EXPECT_EQ(kEn.Plural(longKey, 2), "[" + longKey + ".other]");
}

TEST(CatalogueTest, NumbersAreWrittenAsEachLanguageWritesThem) {
  const struct {
    long long number;
    const char* english;
    const char* hungarian;
  } kCases[] = {{0, "0", "0"},
                {999, "999", "999"},
                {1234, "1,234", "1234"},
                {12345, "12,345", "12\xC2\xA0" "345"},
                {-1234567, "-1,234,567", "-1\xC2\xA0" "234\xC2\xA0" "567"}};
  for (const auto& item : kCases) {
    EXPECT_EQ(kEn.Number(item.number), item.english);
    EXPECT_EQ(kHu.Number(item.number), item.hungarian);
  }
  EXPECT_EQ(kEn.Decimal(2.456, 1), "2.5");
  EXPECT_EQ(kHu.Decimal(2.456, 1), "2,5");
}

TEST(CatalogueTest, TheBrowsersFirstChoiceAmongOurLanguagesWins) {
  const struct {
    const char* header;
    Language wanted;
  } kCases[] = {{"", Language::kEnglish},
                {"hu-HU,hu;q=0.9,en-US;q=0.8,en;q=0.7", Language::kHungarian},
                {"de-DE,de;q=0.9,hu;q=0.5,en;q=0.3", Language::kHungarian},
                {"en-GB,en;q=0.9,hu;q=0.8", Language::kEnglish},
                {"en;q=0.2, HU;q=0.8", Language::kHungarian},
                {"fr, de", Language::kEnglish},
                {"hu;q=0", Language::kEnglish},
                {";;,,q=,hu-", Language::kHungarian}};
  for (const auto& item : kCases) {
    EXPECT_EQ(LanguageOfAccept(item.header), item.wanted) << item.header;
  }
  Language language;
  EXPECT_TRUE(LanguageOfCode("HU", &language));
  EXPECT_EQ(language, Language::kHungarian);
  EXPECT_FALSE(LanguageOfCode("hun", &language));
}

}  // namespace
}  // namespace tarno::score
