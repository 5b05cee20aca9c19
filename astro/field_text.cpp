#include "astro/field_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace selvane {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Collects the longest prefix that forms a number into buf (blanks skipped), returns its length.
// The number is then converted with from_chars, which reads "." whatever the locale.
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

// The decimal exponent of the first significant digit of a scanned number ("120" gives 2,
// "0.05" gives -2, "3e400" gives 400); a number without significant digits gives 0.
long DecimalExponent(const char* p) {
  if (*p == '+' || *p == '-') ++p;
  long position = -1;  // of the first significant digit, counted from the point
  long integerDigits = 0;
  bool afterPoint = false;
  long fractionZeros = 0;
  bool significant = false;
  for (; *p && *p != 'e'; ++p) {
    if (*p == '.') {
      afterPoint = true;
    } else if (!significant && *p == '0') {
      if (afterPoint) ++fractionZeros;
    } else if (!significant) {
      significant = true;
      position = afterPoint ? -(fractionZeros + 1) : 0;
      if (!afterPoint) integerDigits = 1;
    } else if (!afterPoint) {
      ++integerDigits;
    }
  }
  if (!significant) return 0;
  if (position == 0) position = integerDigits - 1;
  long exponent = 0;
  if (*p == 'e') {
    ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    for (; *p; ++p) {
      if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return position + exponent;
}

// The scanned number as a double, rounded to nearest; a magnitude beyond the largest finite
// double reads as the largest finite double, one below the smallest denormal as zero.
double Convert(const char* buf) {
  const std::size_t len = std::strlen(buf);
  const char* first = buf;
  if (*first == '+') ++first;  // from_chars takes no plus sign
  double v = 0;
  const auto r = std::from_chars(first, buf + len, v);
  if (r.ec == std::errc::result_out_of_range) {
    const bool negative = *first == '-';
    if (DecimalExponent(buf) > 0) {
      v = negative ? -DBL_MAX : DBL_MAX;
    } else {
      v = negative ? -0.0 : 0.0;
    }
  }
  return v;
}

// Plain whole numbers of up to 15 digits are by far the most common field texts (every clock
// tick and every step of the search writes them): read those without from_chars. Larger or other
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

// printf's "%.Nf" or "%.Ng" in the C locale, cut to the buffer as snprintf cuts it.
std::size_t Format(double value, std::chars_format format, int precision, char* buf,
                   std::size_t size) {
  if (size == 0) return 0;
  // Room for the longest fixed form of a double: 309 integer digits, sign, point, decimals.
  char full[400];
  if (precision > 60) precision = 60;
  const auto r = std::to_chars(full, full + sizeof full, value, format, precision);
  std::size_t len = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - full) : 0;
  if (len > size - 1) len = size - 1;
  std::memcpy(buf, full, len);
  buf[len] = '\0';
  return len;
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

std::size_t FormatFixed(double value, int decimals, char* buf, std::size_t size) {
  return Format(value, std::chars_format::fixed, decimals, buf, size);
}

std::size_t FormatGeneral(double value, int precision, char* buf, std::size_t size) {
  return Format(value, std::chars_format::general, precision, buf, size);
}

void FormatFieldNumber(double value, std::string& out) {
  char buf[64];
  if (value == 0) {
    out.assign("0");
    return;
  }
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    out.assign(buf, r.ptr);
    return;
  }
  std::size_t len;
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e21) {
    len = FormatFixed(value, 0, buf, sizeof buf);
  } else {
    len = FormatGeneral(value, 15, buf, sizeof buf);
  }
  out.assign(buf, len);
}

std::string FormatFieldNumber(double value) {
  std::string s;
  FormatFieldNumber(value, s);
  return s;
}

}  // namespace selvane
