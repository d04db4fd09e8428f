// Finds which of many search texts occur in a title, in one pass over the
// title (an Aho-Corasick automaton), with the same answers as FindText
// applied to each text in turn.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisquel {

// The form in which texts and titles are compared: blanks trimmed from both
// ends, a-z upper-cased.
std::string MatchingForm(std::string_view text);

class TextMatcher {
 public:
  // texts are in matching form; a text's index is its place in texts.
  explicit TextMatcher(const std::vector<std::string>& texts);

  // Sets found to the indices, in increasing order, of the texts found in
  // title's matching form: those for which
  // FindText(text, MatchingForm(title)) is not 0.
  void Find(std::string_view title, std::vector<std::uint32_t>& found);

 private:
  // The trie of the texts, then its suffix links.
  void Build();
  void LinkSuffixes();

  const std::vector<std::string>& texts_;
  bool automaton_ = false;  // false: the texts are too many to build one; search each
  std::array<std::uint16_t, 256> byte_class_{};
  std::uint32_t classes_ = 1;              // class 0: bytes in no text
  std::vector<std::int32_t> next_;         // state * classes_ + class -> state
  std::vector<std::int32_t> first_output_; // state -> first node of its output chain, -1 none
  std::vector<std::int32_t> output_text_;  // chain node -> text index
  std::vector<std::int32_t> output_next_;  // chain node -> next node, -1 end
  std::vector<std::uint32_t> seen_;        // text -> stamp of the last title it was found in
  std::uint32_t stamp_ = 0;
};

}  // namespace brisquel
