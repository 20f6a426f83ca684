// Fixed-point number text for the exports: the same characters as printf's
// "%.Nf" (correctly rounded, "C" locale), appended without a format parse.
// The exports' "%4.7f" and "%4.2f" never pad, so this serves them too.
#pragma once

#include <charconv>
#include <string>

inline void AppendFixed(std::string& out, double value, int decimals, char suffix = '\0') {
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec == std::errc()) out.append(buffer, result.ptr);
  if (suffix != '\0') out += suffix;
}
