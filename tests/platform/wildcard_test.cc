#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tvc {
namespace {

TEST(WildcardTest, Matches) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*.cas", "GAME.CAS", true},
      {"*.CAS", "game.cas", true},
      {"*", "anything", true},
      {"*", "", true},
      {"a*.cas", "a.cas", true},
      {"a*.cas", "ba.cas", false},
      {"?.cas", "a.cas", true},
      {"?.cas", ".cas", false},
      {"?.cas", "ab.cas", false},
      {"*.cas", "game.cas.bak", false},
      {"*a*a*", "banana", true},
      {"*a*a*a*a", "banana", false},
      {"[ab].cas", "[AB].cas", true},
      {"[ab].cas", "a.cas", false},
      {"a\\*.cas", "a\\x.cas", true},
      {"*\xE9*", "caf\xE9.cas", true},
      {"*\xE9*", "caf\xC9.cas", false},  // not UTF-8: only ASCII letters fold
      // UTF-8 names: letters fold by Unicode, and '?' is one character.
      {"\xC3\xA1*",
       "\xC3\x81"
       "d\xC3\xA1m.CAS",
       true},                                    // á* finds Ádám.CAS
      {"?sz.cas", "\xC5\x91sz.cas", true},       // ?sz.cas finds ősz.cas
      {"*\xC5\x90SZ*", "\xC5\x91sz.cas", true},  // *ŐSZ* finds ősz.cas
      {"??sz.cas", "\xC5\x91sz.cas", false},
      {"?", "\xF0\x9F\x8E\xAE", true},          // four bytes, one character
      {"*\xC3\xA9*", "caf\xC3\x89.cas", true},  // é and É
      {"\xC3\xB6*", "\xC3\x96T.cas", true},     // ö and Ö
      {"\xC3\xA1*", "\xC3\xA2.cas", false},     // á is no â
      // A name that is not UTF-8 is read byte by byte, against any pattern.
      {"?sz.cas", "\xF5sz.cas", true},
      {"??sz.cas", "\xC5\x91sz\xFF.cas", false},
      {"\xC3\xA1*",
       "\xC3\x81"
       "d\xC3\xA1m\xFF.CAS",
       false},
      {"**.cas", "x.cas", true},
      {"*.?", "x.c", true},
      {"*.?", "x.", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
  }
}

TEST(WildcardTest, ManyStarsStayFast) {
  // Backtracking over every star would take ages here.
  const std::string pattern = std::string(60, '*') + "b";
  const std::string name(10000, 'a');
  EXPECT_FALSE(WildcardMatch(pattern, name));
}

TEST(WildcardTest, HasWildcards) {
  EXPECT_TRUE(HasWildcards("a*"));
  EXPECT_TRUE(HasWildcards("a?"));
  EXPECT_FALSE(HasWildcards("a[b].cas"));
}

TEST(WildcardTest, NamesSortWithLettersFoldedThenByBytes) {
  std::vector<std::string> names = {"b.cas", "A.CAS", "a.cas", "_x.cas", "B.CAS", "10.cas"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NameLess(a, b); });
  EXPECT_EQ(names,
            (std::vector<std::string>{"10.cas", "A.CAS", "a.cas", "B.CAS", "b.cas", "_x.cas"}));
}

// The quick key must never contradict NameLess: names that share their first eight folded bytes,
// names that are prefixes of others, and bytes above 127 among them.
TEST(WildcardTest, SortKeyAgreesWithNameLess) {
  const std::vector<std::string> names = {
      "GAMES_001.CAS", "games_001.cas", "GAMES_002.CAS", "GAMES_0", "GAMES_00", "GAMES_", "A", "a",
      "ab", "AB", "\xE9t\xE9.cas", "\xC3\xA9t\xC3\xA9.cas", "\xC3\x89T\xC3\x89.CAS",
      "\xC4\xB1\xC4\xB1\xC4\xB1\xC4\xB1\xC4\xB1\xC4\xB1\xC4\xB1\xC4\xB1x",  // ı: two bytes,
                                                                            // upper-case I one
      "IIIIIIIIy", "_x", "10.cas", "Zz", "zZ", "{", "GAMES_001.CAS.BAK"};
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      if (NameSortKey(a) != NameSortKey(b)) {
        EXPECT_EQ(NameSortKey(a) < NameSortKey(b), NameLess(a, b)) << a << " vs " << b;
      }
    }
  }
}

}  // namespace
}  // namespace tvc
