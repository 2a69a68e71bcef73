#include "app/error_report.h"

#include <cstdio>
#include <utility>

#include "msgbase/fido/string_functions.h"
#include "platform/console.h"

namespace kestrel {
namespace {

struct Category {
  int first;
  int last;
  std::string_view prefix;
};

constexpr Category kCategories[] = {
    {1, 18, "DOS ERROR: "},
    {100, 106, "I/O ERROR: "},
    {150, 162, "CRITICAL ERROR: "},
    {200, 216, "CRITICAL ERROR: "},
};

constexpr std::pair<int, std::string_view> kFailureTexts[] = {
    {1, "Invalid function number."},
    {2, "File not found."},
    {3, "Path not found."},
    {4, "Too many open files."},
    {5, "File access denied."},
    {6, "Invalid file handle."},
    {12, "Invalid file access code."},
    {15, "Invalid drive number."},
    {16, "Cannot remove current directory."},
    {17, "Cannot rename across drives."},
    {18, "No More Files."},
    {100, "Disk read error."},
    {101, "Disk write error."},
    {102, "File not assigned."},
    {103, "File not open."},
    {104, "File not open for input."},
    {105, "File not open for output."},
    {106, "Invalid numeric format."},
    {150, "Disk is write-protected."},
    {151, "Unknown unit."},
    {152, "Drive not ready."},
    {153, "Unknown command."},
    {154, "CRC error in data."},
    {155, "Bad drive request structure length."},
    {156, "Disk seek error."},
    {157, "Unknown media type."},
    {158, "Sector not found."},
    {159, "Printer out of paper."},
    {160, "Device write fault."},
    {161, "Device read fault."},
    {162, "Hardware failure."},
    {200, "Division by zero."},
    {201, "Range check error."},
    {202, "Stack overflow error."},
    {203, "Heap overflow error."},
    {204, "Invalid pointer operation."},
    {205, "Floating point overflow."},
    {206, "Floating point underflow."},
    {207, "Invalid floating point operation."},
    {208, "Overlay manager not installed."},
    {209, "Overlay file read error."},
    {210, "Object not initialized."},
    {211, "Call to abstract method."},
    {212, "Stream registration error."},
    {213, "Collection index out of range."},
    {214, "Collection overflow error."},
    {215, "Arithmetic overflow error."},
    {216, "General Protection fault."},
};

std::string ErrorNumber(int code) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d", code);
  return text;
}

void WriteLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    platform::ConsoleWriteLine(line);
}

}  // namespace

std::string FormatThousands(std::int64_t value) {
  // The magnitude as unsigned, so the most negative value has one too.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return value < 0 ? "-" + grouped : grouped;
}

std::string_view FailureCategory(int code) {
  for (const Category& category : kCategories) {
    if (code >= category.first && code <= category.last) return category.prefix;
  }
  return {};
}

std::string_view FailureText(int code) {
  if (FailureCategory(code).empty()) return {};
  for (const auto& [number, text] : kFailureTexts) {
    if (number == code) return text;
  }
  return "Unknown Error.";
}

std::vector<std::string> FormatErrorReport(int code, std::string_view module, std::int64_t line,
                                           std::uint32_t address) {
  std::string first = "Error number " + ErrorNumber(code);
  if (!module.empty() && line != 0) {
    first += " in " + std::string(module) + ", line " + FormatThousands(line);
  } else {
    first += " at " + EightHexDigits(address, HexLetters::kUpper);
  }
  std::vector<std::string> lines{first};
  const std::string_view category = FailureCategory(code);
  if (!category.empty()) lines.push_back(std::string(category) + std::string(FailureText(code)));
  return lines;
}

void WriteErrorReport(const RunTimeError& failure) {
  WriteLines(FormatErrorReport(failure.code(), failure.module(), failure.line(), 0));
}

void WriteErrorReport(int code) {
  WriteLines(FormatErrorReport(code, {}, 0, 0));
}

}  // namespace kestrel
