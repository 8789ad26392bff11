#ifndef TARNO_TOOLS_CATALOGUE_CATALOGUE_H_
#define TARNO_TOOLS_CATALOGUE_CATALOGUE_H_

// The words people read, one catalogue per language: i18n/en.po and i18n/hu.po, gettext
// catalogues whose msgid is a key ("robot.receipt.title") and whose msgstr is the text in
// that language, built into the programs. Page, mail and certificate code asks a catalogue
// for every word it shows, so English and Hungarian share every line of that code. A text
// may hold {name} placeholders, filled by Format. The tests hold both catalogues to the
// keys the code uses. Immutable; any thread.

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/catalogue_data.h"

namespace tarno::score {

enum class Language { kEnglish, kHungarian };
constexpr Language kLanguages[] = {Language::kEnglish, Language::kHungarian};

using Values = std::vector<std::pair<std::string_view, std::string>>;

class Catalogue {
 public:
  static const Catalogue& Of(Language language);

  Language language() const { return m_language; }
  // "en" or "hu": a page's lang attribute, and the folder of the Hungarian pages.
  const char* Code() const { return m_table->code; }

  // The text of `key`; "[key]" where this catalogue lacks it. Kept as long as the program.
  const std::string& Text(std::string_view key) const;
  // The text with each {name} of `values` filled in, values as given (escape them first
  // for a page).
  std::string Format(std::string_view key, const Values& values) const;
  // "key.one" for a count of 1, else "key.other", with {n} the count as this language
  // writes numbers, and the other values filled in.
  std::string Plural(std::string_view key, long long count, const Values& values = {}) const;

  // 12,345 and -1.5 in English; 12 345 and -1,5 in Hungarian (a no-break space).
  std::string Number(long long number) const;
  std::string Decimal(double number, int places) const;

 private:
  Catalogue(Language language, const CatalogueTable* table);

  Language m_language;
  const CatalogueTable* m_table;
  // Every text by its key, made once: pages ask for tens of millions of them.
  std::unordered_map<std::string_view, std::string> m_texts;
  // The "[key]" of each key asked for and missing, which a reference must outlive.
  mutable std::mutex m_missingLock;
  mutable std::unordered_map<std::string, std::string> m_missing;
};

// The language a browser asks for first among those there are (an Accept-Language header,
// q-values honoured); English when it asks for neither.
Language LanguageOfAccept(std::string_view acceptLanguage);
// "en" or "hu", in any case; false for anything else.
bool LanguageOfCode(std::string_view code, Language* language);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CATALOGUE_CATALOGUE_H_
