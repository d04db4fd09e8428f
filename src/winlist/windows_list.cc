#include "winlist/windows_list.h"

#include "runtime/failures.h"
#include "runtime/text.h"

namespace brisquel {
namespace {

constexpr int kClassBufferSize = 256;
constexpr int kTitleBufferSize = 257;
constexpr int kMaxCount = 255;

}  // namespace

TWindowsList::TWindowsList(WindowManager& windows) : windows_(windows) { Refresh(); }

void TWindowsList::Refresh() {
  items_.clear();
  WindowHandle window = windows_.FindWindowA(nullptr, nullptr);
  AddWindow(window);
  while (window != 0) {
    window = windows_.GetWindow(window, kGwHwndNext);
    AddWindow(window);
  }
}

void TWindowsList::AddWindow(WindowHandle window) {
  auto info = std::make_unique<TWindowInfo>();
  std::uint32_t process_id = 0;
  info->ThreadId = windows_.GetWindowThreadProcessId(window, &process_id);
  info->ProcessId = process_id;
  info->ParentHandle = windows_.GetParent(window);
  info->Handle = window;

  // Cleared first, so that a failed call leaves an empty name.
  char class_name[kClassBufferSize] = {};
  windows_.GetClassNameA(window, class_name, kMaxCount);
  std::string_view name = BufferText(class_name, kClassBufferSize);
  const std::int32_t cut = FindText(" 0x", name);
  if (cut > 1) name = LeftPart(name, cut - 1);
  info->ClassName.assign(name);

  char title[kTitleBufferSize] = {};
  windows_.GetWindowTextA(window, title, kMaxCount);
  if (title[0] == '\0') return;
  items_.push_back(Item{std::string(BufferText(title, kTitleBufferSize)), std::move(info)});
}

const TWindowsList::Item& TWindowsList::At(std::int32_t i) const {
  if (i < 0 || i >= Count()) {
    throw EListError(kMsgListIndexError, {}, reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
  }
  return items_[static_cast<std::size_t>(i)];
}

const std::string& TWindowsList::Title(std::int32_t i) const { return At(i).title; }
WindowHandle TWindowsList::HandleOf(std::int32_t i) const { return At(i).info->Handle; }
WindowHandle TWindowsList::ParentOf(std::int32_t i) const { return At(i).info->ParentHandle; }
std::uint32_t TWindowsList::ProcessIdOf(std::int32_t i) const { return At(i).info->ProcessId; }
std::uint32_t TWindowsList::ThreadIdOf(std::int32_t i) const { return At(i).info->ThreadId; }
const std::string& TWindowsList::ClassNameOf(std::int32_t i) const { return At(i).info->ClassName; }

}  // namespace brisquel
