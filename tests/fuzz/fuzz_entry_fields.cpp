// Arbitrary sequences of field writes, now and then an evaluation: every sequence must end,
// nothing may crash, and whole numbers written into valid fields must leave valid fields.
//
// Input: records of [field byte][length byte][text bytes]. A field byte of 0 asks for one
// phase evaluation (which may search) instead of a write.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/headless_session.h"
#include "astro/field_text.h"

namespace {

using selvane::FieldNumber;

bool IsPlainWhole(std::string_view t) {
  if (t.empty() || t.size() > 7) return false;
  std::size_t i = t[0] == '-' ? 1 : 0;
  if (i == t.size()) return false;
  for (; i < t.size(); ++i)
    if (t[i] < '0' || t[i] > '9') return false;
  return true;
}

bool InRange(const selvane::EntryFields& f, int field, double lo, double hi) {
  const std::string& t = f.Text(field);
  if (!IsPlainWhole(t)) return false;
  double v = FieldNumber(t);
  return v >= lo && v <= hi;
}

// Month, hour, minute and second in range and all six texts plain whole numbers.
bool TimeValid(const selvane::EntryFields& f) {
  return IsPlainWhole(f.Text(1)) && IsPlainWhole(f.Text(3)) && InRange(f, 2, 1, 12) &&
         InRange(f, 4, 0, 23) && InRange(f, 5, 0, 59) && InRange(f, 6, 0, 59);
}

bool DayValid(const selvane::EntryFields& f) {
  double y = FieldNumber(f.Text(1));
  int days = selvane::DaysInMonth(FieldNumber(f.Text(2)), selvane::IsLeapYear(y));
  return InRange(f, 3, 1, days);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  selvane::HeadlessSession s;
  s.state.RealTimeMode = size % 2;
  s.state.ShadowStep = 1;
  s.EnterFields({"2024", "6", "15", "12", "30", "30"});
  std::size_t i = 0;
  int evaluations = 0;
  while (i + 2 <= size) {
    const int field = data[i] % 8;
    const std::size_t len = data[i + 1];
    i += 2;
    const std::size_t take = len < size - i ? len : size - i;
    std::string_view text(reinterpret_cast<const char*>(data + i), take);
    i += take;
    if (field == 0) {
      if (++evaluations <= 4) s.engine.UpdateMoonPhase();
      continue;
    }
    const bool validBefore = TimeValid(s.fields) && DayValid(s.fields);
    s.fields.WriteField(field, text);
    if (validBefore && IsPlainWhole(text) && field <= 6 && std::abs(FieldNumber(text)) <= 100000) {
      if (!TimeValid(s.fields)) std::abort();
      if (field == 3 && !DayValid(s.fields)) std::abort();
    }
  }
  return 0;
}
