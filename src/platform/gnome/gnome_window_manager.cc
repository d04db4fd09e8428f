// The windows are what the extension's ListWindows answers, topmost first:
// title, class, process id, X id (0 for a Wayland window), the shell's own
// number for the window and the place of its transient parent. One call
// reads the whole desktop; every wait on the bus is bounded by one
// deadline, so a shell that has stopped cannot hold the run.

#include "platform/gnome/gnome_window_manager.h"

#include <errno.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/display_failure.h"
#include "platform/gnome/sd_bus_library.h"
#include "platform/window_table.h"

namespace brisquel {
namespace {

constexpr const char* kListName = "org.brisquel.WindowList";
constexpr const char* kListPath = "/org/brisquel/WindowList";
// Each window's texts and numbers in ListWindows' two arrays.
constexpr std::size_t kTextsPerWindow = 2;
constexpr std::size_t kNumbersPerWindow = 4;
// A Wayland window's handle: this base plus the shell's number for it.
constexpr std::uint32_t kWaylandHandleBase = 0xFF000000;

std::uint64_t NowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 + static_cast<std::uint64_t>(now.tv_nsec) / 1'000;
}

// The end of kNoAnswerSeconds from now.
std::uint64_t Deadline() { return NowMicroseconds() + std::uint64_t{kNoAnswerSeconds} * 1'000'000; }

[[noreturn]] void EndFor(DisplayFailure failure) { EndForDisplay(failure, DisplayKind::kGnome); }

// A failed sd-bus call: out of memory as such, anything else as the bus
// lost.
[[noreturn]] void EndForError(int result) {
  if (result == -ENOMEM) throw std::bad_alloc();
  EndFor(DisplayFailure::kLost);
}

bool IsGnomeOrUnknown() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  return desktop == nullptr || desktop[0] == '\0' || std::strstr(desktop, "GNOME") != nullptr;
}

// What is known of the extension when it does not answer.
enum class ExtensionState { kNotInstalled, kNotEnabled, kNotLoaded, kOutOfDate, kInError, kOlder };

// The extension in the form a shell of this major version loads.
const char* UuidFor(int shell_major) { return shell_major >= 45 ? "brisquel@brisquel" : "brisquel-legacy@brisquel"; }

constexpr std::string_view kRefusedHint = " (its brisquel extension answers only the program installed with it)";
// How the extension words its refusal: the program it answers between these.
constexpr std::string_view kRefusalBefore = "only ";
constexpr std::string_view kRefusalAfter = " may list the windows";

// The detail of the run's one line, made once: it must outlive the opening
// that points at it and needs no allocation when the line is written.
class Detail {
 public:
  Detail& Add(std::string_view text) {
    for (const char c : text) {
      if (length_ == sizeof text_) break;
      // A path is shown as it is, but for bytes that would act on a terminal.
      text_[length_++] = static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    return *this;
  }
  Detail& Add(int number) { return Add(std::to_string(number)); }
  // "GNOME Shell N", or "this GNOME Shell" when its version is not known.
  Detail& AddShell(int major) { return major > 0 ? Add("GNOME Shell ").Add(major) : Add("this GNOME Shell"); }
  std::string_view View() const { return {text_, length_}; }

 private:
  char text_[1024];
  std::size_t length_ = 0;
};

// The run's detail, empty again.
Detail& NewDetail() {
  static Detail detail;
  detail = Detail();
  return detail;
}

// What the user does about the state: the detail for the line.
std::string_view HintFor(ExtensionState state, const char* uuid, int shell_major) {
  Detail& detail = NewDetail();
  detail.Add(": its extension ").Add(uuid);
  const std::string_view enable = "`, then log out and in";
  switch (state) {
    case ExtensionState::kNotInstalled:
      detail.Add(" is not installed; install the brisquel package, run `gnome-extensions enable ").Add(uuid)
          .Add(enable);
      break;
    case ExtensionState::kNotEnabled:
      detail.Add(" is not enabled; run `gnome-extensions enable ").Add(uuid).Add(enable);
      break;
    case ExtensionState::kNotLoaded:
      detail.Add(" is not loaded yet; run `gnome-extensions enable ").Add(uuid).Add(enable);
      break;
    case ExtensionState::kOutOfDate:
      detail.Add(" is out of date for ").AddShell(shell_major).Add("; install a brisquel package made for ")
          .AddShell(shell_major).Add(", then log out and in");
      break;
    case ExtensionState::kOlder:
      // The shell runs the extension it loaded at login until the next one.
      detail.Add(" is older than this program; log out and in, and the shell loads the one installed with it");
      break;
    case ExtensionState::kInError:
      detail.Add(" is in error on ").AddShell(shell_major).Add(" (`gnome-extensions info ").Add(uuid)
          .Add("` says why)");
      break;
  }
  return detail.View();
}

// The path of this program's executable, empty when it cannot be read.
std::string OwnPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  return length > 0 && static_cast<std::size_t>(length) < sizeof path ? std::string(path, length) : std::string();
}

// Why the extension refused this program, from its refusal's message: the
// program it answers is another executable than this one. Otherwise (an
// extension that does not name its program, or names this one) what it
// answers in general.
std::string_view RefusalHint(const char* message) {
  const std::string_view text = message != nullptr ? message : "";
  if (text.size() <= kRefusalBefore.size() + kRefusalAfter.size() ||
      text.substr(0, kRefusalBefore.size()) != kRefusalBefore ||
      text.substr(text.size() - kRefusalAfter.size()) != kRefusalAfter) {
    return kRefusedHint;
  }
  const std::string_view answered = text.substr(kRefusalBefore.size(),
                                                text.size() - kRefusalBefore.size() - kRefusalAfter.size());
  const std::string own = OwnPath();
  if (answered[0] != '/' || own.empty() || own == answered) return kRefusedHint;
  return NewDetail().Add(": its brisquel extension answers only ").Add(answered).Add(", not this program (")
      .Add(own).Add("); run ").Add(answered).View();
}

// Owns one reference to a message.
class Message {
 public:
  Message(const SdBusLibrary& sd, SdBusMessage* message) : sd_(sd), message_(message) {}
  Message(const Message&) = delete;
  Message& operator=(const Message&) = delete;
  ~Message() {
    if (message_ != nullptr) sd_.message_unref(message_);
  }
  SdBusMessage* Get() const { return message_; }
  // The error's name, or null for a method return.
  const char* ErrorName() const {
    const SdBusError* error = sd_.message_get_error(message_);
    return error != nullptr && error->name != nullptr ? error->name : nullptr;
  }

 private:
  const SdBusLibrary& sd_;
  SdBusMessage* message_;
};

// The session bus with the run's one deadline.
class SessionBus {
 public:
  SessionBus(const SdBusLibrary& sd, std::uint64_t deadline) : sd_(sd), deadline_(deadline) {}
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;
  ~SessionBus() {
    if (bus_ != nullptr) sd_.close_unref(bus_);
  }

  // Connects; false when there is no session bus to connect to. Memory
  // running out is no missing bus: it raises std::bad_alloc.
  bool Open() {
    const int result = sd_.open_user(&bus_);
    if (result == -ENOMEM) throw std::bad_alloc();
    return result >= 0;
  }

  const SdBusLibrary& Library() const { return sd_; }
  // Starts the bound of a new walk.
  void SetDeadline(std::uint64_t deadline) { deadline_ = deadline; }

  // Calls member with the string arguments (at most two) and waits for its
  // answer or error until the deadline; a silent shell or a lost bus ends
  // the run.
  std::unique_ptr<Message> Call(const char* destination, const char* path, const char* interface,
                                const char* member, const char* first = nullptr, const char* second = nullptr);

 private:
  static int OnReply(SdBusMessage* reply, void* data, SdBusError*) {
    auto* self = static_cast<SessionBus*>(data);
    self->reply_ = self->sd_.message_ref(reply);
    return 0;
  }
  void WaitForReply();

  const SdBusLibrary& sd_;
  std::uint64_t deadline_;
  SdBus* bus_ = nullptr;
  SdBusMessage* reply_ = nullptr;
};

std::unique_ptr<Message> SessionBus::Call(const char* destination, const char* path, const char* interface,
                                          const char* member, const char* first, const char* second) {
  SdBusMessage* request = nullptr;
  int result = sd_.new_method_call(bus_, &request, destination, path, interface, member);
  if (result < 0) EndForError(result);
  Message owned_request(sd_, request);
  if (second != nullptr) {
    result = sd_.append(request, "ss", first, second);
  } else if (first != nullptr) {
    result = sd_.append(request, "s", first);
  }
  if (result < 0) EndForError(result);
  const std::uint64_t now = NowMicroseconds();
  if (now >= deadline_) EndFor(DisplayFailure::kNoAnswer);
  SdBusSlot* slot = nullptr;
  reply_ = nullptr;
  result = sd_.call_async(bus_, &slot, request, OnReply, this, deadline_ - now);
  if (result < 0) EndForError(result);
  WaitForReply();
  sd_.slot_unref(slot);
  auto reply = std::make_unique<Message>(sd_, reply_);
  reply_ = nullptr;
  const char* error = reply->ErrorName();
  if (error != nullptr && (std::strcmp(error, "org.freedesktop.DBus.Error.NoReply") == 0 ||
                           std::strcmp(error, "org.freedesktop.DBus.Error.Timeout") == 0)) {
    // sd-bus answers its own time-out so; a shell that died answers it too.
    if (NowMicroseconds() >= deadline_) EndFor(DisplayFailure::kNoAnswer);
    EndFor(DisplayFailure::kLost);
  }
  if (error != nullptr && sd_.is_open(bus_) <= 0) EndFor(DisplayFailure::kLost);
  return reply;
}

void SessionBus::WaitForReply() {
  while (reply_ == nullptr) {
    const int processed = sd_.process(bus_, nullptr);
    if (processed < 0) EndForError(processed);
    if (processed > 0) continue;
    const std::uint64_t now = NowMicroseconds();
    if (now >= deadline_) EndFor(DisplayFailure::kNoAnswer);
    const int waited = sd_.wait(bus_, deadline_ - now);
    if (waited < 0 && waited != -EINTR) EndForError(waited);
  }
}

// The records of a ListWindows answer, in its order: the texts (title,
// class) and numbers (process id, X id, the shell's number, one more than
// the parent's place) of each window. An answer of any other shape is the
// extension's error.
std::vector<WindowRecord> ReadWindows(const SdBusLibrary& sd, SdBusMessage* reply) {
  std::vector<const char*> texts;
  int result = sd.enter_container(reply, 'a', "s");
  const char* text = nullptr;
  while (result > 0 && (result = sd.read(reply, "s", &text)) > 0) texts.push_back(text);
  if (result >= 0) result = sd.exit_container(reply);
  const void* data = nullptr;
  std::size_t size = 0;
  if (result >= 0) result = sd.read_array(reply, 'u', &data, &size);
  if (result == -ENOMEM) throw std::bad_alloc();
  const std::size_t count = texts.size() / kTextsPerWindow;
  if (result < 0 || texts.size() % kTextsPerWindow != 0 || size != count * kNumbersPerWindow * sizeof(std::uint32_t)) {
    EndFor(DisplayFailure::kRefused);
  }
  std::vector<std::uint32_t> numbers(count * kNumbersPerWindow);
  if (size > 0) std::memcpy(numbers.data(), data, size);
  std::vector<WindowRecord> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t* window = &numbers[i * kNumbersPerWindow];
    const std::uint32_t handle = window[1] != 0 ? window[1] : kWaylandHandleBase + window[2];
    records.push_back({handle, texts[i * kTextsPerWindow], texts[i * kTextsPerWindow + 1], window[0], 0});
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t parent = numbers[i * kNumbersPerWindow + 3];
    if (parent != 0 && parent - 1 < count && parent - 1 != i) records[i].parent = records[parent - 1].handle;
  }
  return records;
}

// Whether the answer says true ("b").
bool ReadTrue(const SdBusLibrary& sd, const Message& reply) {
  int value = 0;
  return reply.ErrorName() == nullptr && sd.read(reply.Get(), "b", &value) > 0 && value != 0;
}

// The major number of the shell's version, 0 when it does not say.
int ShellMajor(SessionBus& bus) {
  auto reply = bus.Call("org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Get",
                        "org.gnome.Shell", "ShellVersion");
  const char* version = nullptr;
  const SdBusLibrary& sd = bus.Library();
  if (reply->ErrorName() != nullptr || sd.enter_container(reply->Get(), 'v', "s") <= 0 ||
      sd.read(reply->Get(), "s", &version) <= 0) {
    return 0;
  }
  return std::atoi(version);
}

// The state the shell gives the extension (GetExtensionInfo's "state"),
// 0 when the shell does not know it.
double ExtensionStateNumber(SessionBus& bus, const char* uuid) {
  auto reply = bus.Call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "GetExtensionInfo",
                        uuid);
  const SdBusLibrary& sd = bus.Library();
  double state = 0;
  SdBusMessage* info = reply->Get();
  if (reply->ErrorName() != nullptr || sd.enter_container(info, 'a', "{sv}") <= 0) return 0;
  while (sd.enter_container(info, 'e', "sv") > 0) {
    const char* key = nullptr;
    if (sd.read(info, "s", &key) <= 0) return 0;
    if (std::strcmp(key, "state") == 0 && sd.enter_container(info, 'v', "d") > 0) {
      if (sd.read(info, "d", &state) <= 0 || sd.exit_container(info) < 0) return 0;
    } else if (sd.skip(info, "v") < 0) {
      return 0;
    }
    if (sd.exit_container(info) < 0) return 0;
  }
  return state;
}

// Whether the extension's folder is where GNOME Shell looks for it: the
// user's data folder, then the system's.
bool ExtensionOnDisk(const char* uuid) {
  std::vector<std::string> folders;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data_home != nullptr && data_home[0] != '\0') {
    folders.emplace_back(data_home);
  } else if (home != nullptr) {
    folders.push_back(std::string(home) + "/.local/share");
  }
  const char* data_dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view dirs = data_dirs != nullptr && data_dirs[0] != '\0' ? data_dirs : "/usr/local/share:/usr/share";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    folders.emplace_back(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
  }
  for (const std::string& folder : folders) {
    const std::string metadata = folder + "/gnome-shell/extensions/" + uuid + "/metadata.json";
    if (access(metadata.c_str(), R_OK) == 0) return true;
  }
  return false;
}

// Why the extension does not answer on a bus where GNOME Shell runs.
ExtensionState Diagnose(SessionBus& bus, const char* uuid) {
  const double state = ExtensionStateNumber(bus, uuid);
  // GNOME Shell's ExtensionState: 1 enabled (active), 2 disabled
  // (inactive), 3 error, 4 out of date, 6 initialized (found, never
  // enabled), 7 and 8 on the way out and in, 99 uninstalled; 0 here when
  // the shell does not know the extension.
  if (state == 0 || state == 99) {
    return ExtensionOnDisk(uuid) ? ExtensionState::kNotLoaded : ExtensionState::kNotInstalled;
  }
  if (state == 2 || state == 6 || state == 7) return ExtensionState::kNotEnabled;
  if (state == 3) return ExtensionState::kInError;
  if (state == 4) return ExtensionState::kOutOfDate;
  return ExtensionState::kNotLoaded;
}

class GnomeWindowManager : public TableWindowManager {
 public:
  explicit GnomeWindowManager(const SdBusLibrary& sd) : bus_(sd, Deadline()) {}

  // Connects and asks for the window list once; says how far it got. The
  // answer serves the first walk.
  DesktopOpening Open();
  bool Answered() const { return first_answer_ != nullptr; }

 protected:
  void ReadDesktop(WindowTable& table) override {
    std::unique_ptr<Message> answer;
    if (first_answer_ != nullptr) {
      answer = std::move(first_answer_);
    } else {
      bus_.SetDeadline(Deadline());
      answer = AskWindows();
    }
    if (answer->ErrorName() != nullptr) EndFor(DisplayFailure::kRefused);
    table.Assign(ReadWindows(bus_.Library(), answer->Get()));
  }

 private:
  std::unique_ptr<Message> AskWindows() {
    return bus_.Call(kListName, kListPath, kListName, "ListWindows");
  }

  SessionBus bus_;
  std::unique_ptr<Message> first_answer_;
};

DesktopOpening GnomeWindowManager::Open() {
  DesktopOpening opening;
  opening.kind = DisplayKind::kGnome;
  opening.failure = DisplayFailure::kNoWindowList;
  if (!bus_.Open()) {
    opening.failure = DisplayFailure::kCannotOpen;
    return opening;
  }
  std::unique_ptr<Message> answer = AskWindows();
  const char* error = answer->ErrorName();
  // sd-bus answers a call it ran out of memory for with an error of its own.
  if (error != nullptr && std::strcmp(error, "org.freedesktop.DBus.Error.NoMemory") == 0) throw std::bad_alloc();
  if (error == nullptr) {
    first_answer_ = std::move(answer);
    return opening;
  }
  // A list that nobody serves is looked into, and one that is served in
  // an older way; any other error is the extension's own answer.
  if (std::strcmp(error, "org.freedesktop.DBus.Error.UnknownMethod") == 0) {
    opening.detail = HintFor(ExtensionState::kOlder, UuidFor(ShellMajor(bus_)), 0);
    return opening;
  }
  if (std::strcmp(error, "org.freedesktop.DBus.Error.ServiceUnknown") != 0 &&
      std::strcmp(error, "org.freedesktop.DBus.Error.NameHasNoOwner") != 0) {
    opening.failure = DisplayFailure::kRefused;
    if (std::strcmp(error, "org.freedesktop.DBus.Error.AccessDenied") == 0) {
      opening.detail = RefusalHint(bus_.Library().message_get_error(answer->Get())->message);
    }
    return opening;
  }
  auto owner = bus_.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                         "org.gnome.Shell");
  if (!ReadTrue(bus_.Library(), *owner)) return opening;  // no GNOME Shell here
  const int major = ShellMajor(bus_);
  const char* uuid = UuidFor(major);
  opening.detail = HintFor(Diagnose(bus_, uuid), uuid, major);
  return opening;
}

}  // namespace

DesktopOpening OpenGnomeDesktop() {
  DesktopOpening opening;
  opening.kind = DisplayKind::kGnome;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') {
    opening.named = false;
    return opening;
  }
  opening.failure = DisplayFailure::kNoWindowList;
  const SdBusLibrary* sd = IsGnomeOrUnknown() ? LoadSdBus() : nullptr;
  if (sd == nullptr) return opening;
  auto manager = std::make_unique<GnomeWindowManager>(*sd);
  opening = manager->Open();
  if (manager->Answered()) opening.manager = std::move(manager);
  return opening;
}

}  // namespace brisquel
