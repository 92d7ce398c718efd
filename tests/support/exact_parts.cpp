#include "support/exact_parts.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace mls::com {
void PrintTo(const Decimal& d, std::ostream* os) {
  *os << d.toString();
}
}  // namespace mls::com

namespace mls::testing {

using com::Decimal;

namespace {

// Whole numbers as decimal digits, most significant first.
std::string trimmed(std::string s) {
  s.erase(0, std::min(s.find_first_not_of('0'), s.size()));
  return s.empty() ? "0" : s;
}

int compareDigits(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a < b ? -1 : a > b ? 1 : 0;
}

std::string times(const std::string& a, const std::string& b) {
  std::vector<int> sum(a.size() + b.size(), 0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j)
      sum[i + j + 1] += (a[i] - '0') * (b[j] - '0');
  for (size_t k = sum.size() - 1; k > 0; --k) {
    sum[k - 1] += sum[k] / 10;
    sum[k] %= 10;
  }
  std::string out;
  for (int d : sum)
    out += static_cast<char>('0' + d);
  return trimmed(out);
}

// a - b for a >= b.
std::string minus(const std::string& a, std::string b) {
  b.insert(0, a.size() - b.size(), '0');
  std::string out = a;
  int borrow = 0;
  for (size_t k = a.size(); k-- > 0;) {
    const int d = (a[k] - '0') - (b[k] - '0') - borrow;
    borrow = d < 0 ? 1 : 0;
    out[k] = static_cast<char>('0' + d + 10 * borrow);
  }
  return trimmed(out);
}

std::string plusOne(std::string s) {
  for (size_t k = s.size(); k-- > 0; s[k] = '0')
    if (s[k] != '9') return ++s[k], s;
  return "1" + s;
}

// Quotient and remainder, a digit at a time.
std::pair<std::string, std::string> divided(const std::string& a, const std::string& b) {
  std::string quotient, rest = "0";
  for (char digit : a) {
    rest = trimmed(rest + digit);
    char q = '0';
    for (; compareDigits(rest, b) >= 0; ++q)
      rest = minus(rest, b);
    quotient += q;
  }
  return {trimmed(quotient), rest};
}

struct Exact {
  std::string digits;
  int scale = 0;
  bool negative = false;
};

Exact exact(const Decimal& d) {
  const std::string text = d.toString();
  Exact e;
  e.negative = text[0] == '-';
  const std::string magnitude = text.substr(e.negative ? 1 : 0);
  const size_t point = magnitude.find('.');
  if (point != std::string::npos) e.scale = static_cast<int>(magnitude.size() - point - 1);
  e.digits = trimmed(point == std::string::npos ? magnitude
                                                : magnitude.substr(0, point) + magnitude.substr(point + 1));
  return e;
}

}  // namespace

Decimal exactPart(const Decimal& whole, const Decimal& weight, const Decimal& total, int places,
                  bool halfEven) {
  const Exact w = exact(whole), b = exact(weight), s = exact(total);
  const std::string denominator = times(s.digits, "1" + std::string(w.scale + b.scale, '0'));
  auto [q, rest] =
      divided(times(times(w.digits, b.digits), "1" + std::string(places + s.scale, '0')), denominator);
  const int half = compareDigits(times(rest, "2"), denominator);
  if (half > 0 || (half == 0 && (!halfEven || (q.back() - '0') % 2 == 1))) q = plusOne(q);
  q.insert(0, std::max(0, places + 1 - static_cast<int>(q.size())), '0');
  q.insert(q.size() - places, ".");
  return *Decimal::parse(((w.negative != b.negative) != s.negative ? "-" : "") + q + "0");
}

size_t autoDisTaker(const std::vector<std::pair<int, Decimal>>& rows) {
  const Decimal asterisks = *Decimal::parse("1000000000000");
  auto rank = [&](const std::pair<int, Decimal>& r) { return std::min(r.second, asterisks); };
  size_t best = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rank(rows[i]) > rank(rows[best]) ||
        (rank(rows[i]) == rank(rows[best]) && rows[i].first > rows[best].first))
      best = i;
  }
  return best;
}

}  // namespace mls::testing
