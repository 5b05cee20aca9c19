#include "astro/field_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace selvane {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Collects the longest prefix that forms a number into buf (blanks skipped), returns its length.
// The number is then converted with strtod in the "C" form, independent of the locale's point.
std::size_t ScanNumber(std::string_view text, char* buf, std::size_t cap, bool skipBlanks,
                       std::size_t* consumed) {
  std::size_t n = 0;
  std::size_t i = 0;
  auto next = [&]() -> char {
    if (skipBlanks) {
      while (i < text.size() && IsBlank(text[i])) ++i;
    }
    return i < text.size() ? text[i] : '\0';
  };
  auto take = [&](char c) {
    if (n + 1 < cap) buf[n++] = c;
    ++i;
  };
  char c = next();
  if (c == '+' || c == '-') {
    take(c);
    c = next();
  }
  std::size_t digits = 0;
  while (IsDigit(c)) {
    take(c);
    ++digits;
    c = next();
  }
  if (c == '.') {
    take(c);
    c = next();
    while (IsDigit(c)) {
      take(c);
      ++digits;
      c = next();
    }
  }
  if (digits == 0) {
    if (consumed) *consumed = 0;
    return 0;
  }
  std::size_t mantissaLen = n;
  std::size_t mantissaEnd = i;
  if (c == 'e' || c == 'E') {
    std::size_t saveN = n;
    std::size_t saveI = i;
    take('e');
    c = next();
    if (c == '+' || c == '-') {
      take(c);
      c = next();
    }
    std::size_t expDigits = 0;
    while (IsDigit(c)) {
      take(c);
      ++expDigits;
      c = next();
    }
    if (expDigits == 0) {
      n = saveN;
      i = saveI;
    } else {
      mantissaLen = n;
      mantissaEnd = i;
    }
  }
  n = mantissaLen;
  buf[n] = '\0';
  if (consumed) *consumed = mantissaEnd;
  return n;
}

double Convert(const char* buf) {
  double v = std::strtod(buf, nullptr);
  if (std::isinf(v)) v = v > 0 ? DBL_MAX : -DBL_MAX;
  return v;
}

// Plain whole numbers of up to 15 digits are by far the most common field texts (every clock
// tick and every step of the search writes them): read those without strtod. Larger or other
// texts take the general path; both give the same double.
bool ReadPlainWhole(std::string_view text, double& value) {
  std::size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    i = 1;
  }
  const std::size_t digits = text.size() - i;
  if (digits == 0 || digits > 15) return false;
  long long n = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  value = negative ? -static_cast<double>(n) : static_cast<double>(n);
  return true;
}

}  // namespace

double FieldNumber(std::string_view text) {
  double plain;
  if (ReadPlainWhole(text, plain)) return plain;
  char buf[512];
  if (ScanNumber(text, buf, sizeof buf, true, nullptr) == 0) return 0.0;
  return Convert(buf);
}

std::optional<double> StrictNumber(std::string_view text) {
  std::size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  std::size_t e = text.size();
  while (e > b && IsBlank(text[e - 1])) --e;
  text = text.substr(b, e - b);
  char buf[512];
  std::size_t consumed = 0;
  if (text.empty() || ScanNumber(text, buf, sizeof buf, false, &consumed) == 0) return std::nullopt;
  if (consumed != text.size()) return std::nullopt;
  return Convert(buf);
}

double RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even.
  return std::nearbyint(value);
}

void FormatFieldNumber(double value, std::string& out) {
  char buf[64];
  int len;
  if (value == 0) {
    out.assign("0");
    return;
  }
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    out.assign(buf, r.ptr);
    return;
  }
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e21) {
    len = std::snprintf(buf, sizeof buf, "%.0f", value);
  } else {
    len = std::snprintf(buf, sizeof buf, "%.15g", value);
  }
  out.assign(buf, static_cast<std::size_t>(len));
}

std::string FormatFieldNumber(double value) {
  std::string s;
  FormatFieldNumber(value, s);
  return s;
}

}  // namespace selvane
