#include "platform/fault_report.h"

#include <cstdlib>

namespace brisquel {
namespace {

FaultReport installed_report = nullptr;

}  // namespace

void InstallFaultReport(FaultReport report) { installed_report = report; }

void ReportFault(std::uint32_t code, std::uintptr_t fault_address, std::uintptr_t info0,
                 std::uintptr_t info1) {
  if (installed_report != nullptr) installed_report(code, fault_address, info0, info1);
  std::abort();  // the report ends the process
}

int RuntimeErrorLine(int number, std::uint32_t offset, char* buffer) {
  static constexpr char kText[] = "Runtime error ";
  constexpr int kRoom = 29;  // the longest line a 30-byte buffer holds with its NUL
  int length = 0;
  for (const char* p = kText; *p != '\0'; ++p) buffer[length++] = *p;
  // The number right-aligned in three places; a longer one whole.
  char digits[12];
  int count = 0;
  auto value = static_cast<unsigned>(number < 0 ? -number : number);
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (number < 0) digits[count++] = '-';
  if (14 + (count > 3 ? count : 3) + 4 + 8 > kRoom) {
    buffer[0] = '\0';  // no line rather than one past the buffer
    return 0;
  }
  for (int pad = count; pad < 3; ++pad) buffer[length++] = ' ';
  while (count > 0) buffer[length++] = digits[--count];
  for (const char* p = " at "; *p != '\0'; ++p) buffer[length++] = *p;
  for (int shift = 28; shift >= 0; shift -= 4) buffer[length++] = "0123456789ABCDEF"[(offset >> shift) & 0xF];
  buffer[length] = '\0';
  return length;
}

}  // namespace brisquel
