#include "reports/text_matcher.h"

#include <algorithm>
#include <queue>

#include "base/text.h"

namespace brisquel {
namespace {

// No title holds more bytes than this, so a longer text never matches: 254
// characters, of up to four bytes each in a UTF-8 match text.
constexpr std::size_t kLongestTitle = 4 * 254;
// Above this many table cells the texts are searched one by one instead.
constexpr std::size_t kMaxCells = std::size_t{1} << 21;

}  // namespace

std::string MatchingForm(std::string_view text) { return UpperAscii(TrimBlanks(text)); }

TextMatcher::TextMatcher(const std::vector<std::string>& texts) : texts_(texts), seen_(texts.size(), 0) {
  std::size_t states = 1;
  for (const std::string& text : texts_) {
    if (text.size() > kLongestTitle) continue;
    states += text.size();
    for (unsigned char c : text) {
      if (byte_class_[c] == 0) byte_class_[c] = static_cast<std::uint16_t>(classes_++);
    }
  }
  // The automaton reads titles as they are: a small letter moves as its
  // capital does. Trimming needs no pass of its own either, since a text
  // begins and ends with a non-blank, so no match can reach into the
  // title's outer blanks.
  for (unsigned char c = 'a'; c <= 'z'; ++c) byte_class_[c] = byte_class_[c - 32];
  if (states * classes_ <= kMaxCells) Build();
}

void TextMatcher::Build() {
  automaton_ = true;
  // The trie of the texts.
  next_.assign(classes_, -1);
  first_output_.assign(1, -1);
  auto add_state = [&] {
    next_.resize(next_.size() + classes_, -1);
    first_output_.push_back(-1);
    return static_cast<std::int32_t>(first_output_.size() - 1);
  };
  for (std::size_t t = 0; t < texts_.size(); ++t) {
    const std::string& text = texts_[t];
    if (text.empty() || text.size() > kLongestTitle) continue;
    std::int32_t state = 0;
    for (unsigned char c : text) {
      std::int32_t& to = next_[static_cast<std::size_t>(state) * classes_ + byte_class_[c]];
      if (to < 0) {
        const std::int32_t made = add_state();
        next_[static_cast<std::size_t>(state) * classes_ + byte_class_[c]] = made;
        state = made;
      } else {
        state = to;
      }
    }
    output_text_.push_back(static_cast<std::int32_t>(t));
    output_next_.push_back(first_output_[static_cast<std::size_t>(state)]);
    first_output_[static_cast<std::size_t>(state)] = static_cast<std::int32_t>(output_text_.size() - 1);
  }
  LinkSuffixes();
}

void TextMatcher::LinkSuffixes() {
  // Failure links, breadth first; missing moves become moves of the
  // longest proper suffix, and each state inherits its suffix's outputs.
  std::vector<std::int32_t> fail(first_output_.size(), 0);
  std::queue<std::int32_t> queue;
  for (std::uint32_t c = 0; c < classes_; ++c) {
    std::int32_t& to = next_[c];
    if (to < 0) {
      to = 0;
    } else {
      fail[static_cast<std::size_t>(to)] = 0;
      queue.push(to);
    }
  }
  while (!queue.empty()) {
    const std::int32_t state = queue.front();
    queue.pop();
    const std::size_t s = static_cast<std::size_t>(state);
    if (first_output_[s] < 0) {
      first_output_[s] = first_output_[static_cast<std::size_t>(fail[s])];
    } else {
      // Append the suffix's chain to the end of this state's own chain.
      std::int32_t node = first_output_[s];
      while (output_next_[static_cast<std::size_t>(node)] >= 0) node = output_next_[static_cast<std::size_t>(node)];
      output_next_[static_cast<std::size_t>(node)] = first_output_[static_cast<std::size_t>(fail[s])];
    }
    for (std::uint32_t c = 0; c < classes_; ++c) {
      std::int32_t& to = next_[s * classes_ + c];
      const std::int32_t via_fail = next_[static_cast<std::size_t>(fail[s]) * classes_ + c];
      if (to < 0) {
        to = via_fail;
      } else {
        fail[static_cast<std::size_t>(to)] = via_fail;
        queue.push(to);
      }
    }
  }
}

void TextMatcher::Find(std::string_view title, std::vector<std::uint32_t>& found) {
  found.clear();
  if (!automaton_) {
    const std::string searched = MatchingForm(title);
    for (std::size_t t = 0; t < texts_.size(); ++t) {
      if (FindText(texts_[t], searched) != 0) found.push_back(static_cast<std::uint32_t>(t));
    }
    return;
  }
  ++stamp_;
  std::int32_t state = 0;
  for (unsigned char c : title) {
    state = next_[static_cast<std::size_t>(state) * classes_ + byte_class_[c]];
    for (std::int32_t node = first_output_[static_cast<std::size_t>(state)]; node >= 0;
         node = output_next_[static_cast<std::size_t>(node)]) {
      const std::size_t text = static_cast<std::size_t>(output_text_[static_cast<std::size_t>(node)]);
      if (seen_[text] == stamp_) break;  // the rest of this chain was reported already
      seen_[text] = stamp_;
      found.push_back(static_cast<std::uint32_t>(text));
    }
  }
  std::sort(found.begin(), found.end());
}

}  // namespace brisquel
