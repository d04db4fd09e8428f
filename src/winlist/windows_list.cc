#include "winlist/windows_list.h"

#include <cstring>

#include "base/text.h"
#include "base/text_columns.h"
#include "platform/wide_text.h"
#include "runtime/failure_kinds.h"

namespace brisquel {
namespace {

constexpr int kClassBufferSize = 256;
constexpr int kTitleBufferSize = 257;
constexpr int kMaxCount = 255;
// Room for a title of 254 characters outside the Basic Multilingual Plane,
// two code units each, so that the match text never holds fewer characters
// than the ANSI title shows.
constexpr int kWideMaxCount = 2 * 254 + 1;
constexpr std::size_t kMaxThirdText = 4096;

// A place is a block number and an offset in it.
constexpr std::uint32_t kBlockBits = 16;
constexpr std::uint32_t kBlockSize = 1u << kBlockBits;
constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kBlockBits);

}  // namespace

std::uint32_t TWindowsList::TextStore::Add(std::string_view first, std::string_view second,
                                           std::string_view third) {
  third = third.substr(0, kMaxThirdText);
  const std::size_t size = 4 + first.size() + second.size() + third.size();
  if (blocks_.empty() || kBlockSize - used_ < size) {
    if (blocks_.size() == kMaxBlocks) throw OutOfMemoryRecord();
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    used_ = 0;
  }
  const std::uint32_t place = static_cast<std::uint32_t>((blocks_.size() - 1) << kBlockBits) | used_;
  char* at = blocks_.back().get() + used_;
  for (std::string_view text : {first, second}) {
    *at++ = static_cast<char>(text.size());
    std::memcpy(at, text.data(), text.size());
    at += text.size();
  }
  *at++ = static_cast<char>(third.size() & 0xFF);
  *at++ = static_cast<char>(third.size() >> 8);
  if (!third.empty()) std::memcpy(at, third.data(), third.size());  // an empty view may have no data
  used_ += static_cast<std::uint32_t>(size);
  return place;
}

std::string_view TWindowsList::TextStore::First(std::uint32_t place) const {
  const char* at = blocks_[place >> kBlockBits].get() + (place & (kBlockSize - 1));
  return std::string_view(at + 1, static_cast<unsigned char>(*at));
}

// The second text follows the first and its length byte.
std::string_view TWindowsList::TextStore::Second(std::uint32_t place) const {
  return First(place + 1 + static_cast<std::uint32_t>(First(place).size()));
}

// The third text follows the second and its length byte, with two length
// bytes, low byte first.
std::string_view TWindowsList::TextStore::Third(std::uint32_t place) const {
  const std::uint32_t after_first = place + 1 + static_cast<std::uint32_t>(First(place).size());
  const std::uint32_t at_third = after_first + 1 + static_cast<std::uint32_t>(First(after_first).size());
  const char* at = blocks_[at_third >> kBlockBits].get() + (at_third & (kBlockSize - 1));
  const std::size_t length = static_cast<unsigned char>(at[0]) | static_cast<std::size_t>(static_cast<unsigned char>(at[1])) << 8;
  return std::string_view(at + 2, length);
}

void TWindowsList::TextStore::Clear() {
  blocks_.clear();
  used_ = 0;
}

TWindowsList::TWindowsList(WindowManager& windows) : windows_(windows) { Refresh(); }

void TWindowsList::Refresh() {
  items_.clear();
  texts_.Clear();
  WindowHandle window = windows_.FindWindowA(nullptr, nullptr);
  AddWindow(window);
  while (window != 0) {
    window = windows_.GetWindow(window, kGwHwndNext);
    AddWindow(window);
  }
  whole_ = windows_.SawWholeDesktop();
}

void TWindowsList::AddWindow(WindowHandle window) {
  TWindowInfo info;
  std::uint32_t process_id = 0;
  info.ThreadId = windows_.GetWindowThreadProcessId(window, &process_id);
  info.ProcessId = process_id;
  info.ParentHandle = windows_.GetParent(window);
  info.Handle = window;

  // Cleared first, so that a failed call leaves an empty name.
  char class_name[kClassBufferSize] = {};
  windows_.GetClassNameA(window, class_name, kMaxCount);
  std::string_view name = BufferText(class_name, kClassBufferSize);
  const std::int32_t cut = FindText(" 0x", name);
  if (cut > 1) name = LeftPart(name, cut - 1);
  info.ClassName = name;

  char title[kTitleBufferSize] = {};
  windows_.GetWindowTextA(window, title, kMaxCount);
  if (title[0] == '\0') return;
  // The calls fill at most kMaxCount bytes; a backend that wrote more would
  // have its excess dropped here rather than overflow a length byte.
  const std::string_view shown = BufferText(title, kTitleBufferSize).substr(0, kMaxCount);
  // UTF-8 titles lose nothing: they are their own match text.
  const std::string match = TextIsUtf8() ? std::string() : MatchText(window, shown);
  const std::uint32_t texts = texts_.Add(shown, info.ClassName.substr(0, kMaxCount),
                                         match == shown ? std::string_view() : std::string_view(match));
  items_.push_back(Item{info.Handle, info.ParentHandle, info.ProcessId, info.ThreadId, texts});
}

std::string TWindowsList::MatchText(WindowHandle window, std::string_view shown) {
  char16_t wide[kWideMaxCount + 1] = {};
  windows_.GetWindowTextW(window, wide, kWideMaxCount);
  std::size_t length = 0;
  while (length < kWideMaxCount && wide[length] != u'\0') ++length;
  // With no UTF-16 title to go on, the title is compared as it is shown.
  if (length == 0) return std::string(shown);
  // Never more characters than the ANSI title holds bytes: a title cut
  // there is searched no further than before.
  return Utf8FromUtf16(std::u16string_view(wide, length), shown.size());
}

const TWindowsList::Item& TWindowsList::At(std::int32_t i) const {
  if (i < 0 || i >= Count()) {
    throw EListError(kMsgListIndexError, {}, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  }
  return items_[static_cast<std::size_t>(i)];
}

std::string_view TWindowsList::Title(std::int32_t i) const { return texts_.First(At(i).texts); }
WindowHandle TWindowsList::HandleOf(std::int32_t i) const { return At(i).handle; }
WindowHandle TWindowsList::ParentOf(std::int32_t i) const { return At(i).parent; }
std::uint32_t TWindowsList::ProcessIdOf(std::int32_t i) const { return At(i).process_id; }
std::uint32_t TWindowsList::ThreadIdOf(std::int32_t i) const { return At(i).thread_id; }
std::string_view TWindowsList::ClassNameOf(std::int32_t i) const { return texts_.Second(At(i).texts); }

std::string_view TWindowsList::MatchTextOf(std::int32_t i) const {
  const std::uint32_t texts = At(i).texts;
  const std::string_view match = texts_.Third(texts);
  return match.empty() ? texts_.First(texts) : match;
}

}  // namespace brisquel
