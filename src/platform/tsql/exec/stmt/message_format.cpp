#include "platform/tsql/exec/stmt/message_format.h"

#include <cstdio>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql {

namespace {

bool isFlag(char c) {
  return c == '-' || c == '+' || c == '0' || c == ' ' || c == '#';
}

template <class T>
std::string printed(const std::string& spec, T value) {
  int n = std::snprintf(nullptr, 0, spec.c_str(), value);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  std::snprintf(s.data(), s.size() + 1, spec.c_str(), value);
  return s;
}

}  // namespace

std::string formatRaiserror(std::string_view format, const std::vector<Value>& args,
                            const std::vector<SqlType>& types) {
  std::string out;
  size_t next = 0;
  auto intArg = [&]() -> int {
    if (next >= args.size()) return 0;
    const Value& v = args[next];
    const SqlType& t = types[next++];
    return v.isNull() ? 0 : static_cast<int>(castValue(v, t, SqlType(TypeId::Int)).asInt());
  };
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    std::string flags;
    while (j < format.size() && isFlag(format[j]))
      flags += format[j++];
    int width = -1, precision = -1;
    if (j < format.size() && format[j] == '*') {
      width = intArg();
      ++j;
    } else {
      while (j < format.size() && format[j] >= '0' && format[j] <= '9')
        width = (width < 0 ? 0 : width * 10) + (format[j++] - '0');
    }
    if (j < format.size() && format[j] == '.') {
      ++j;
      precision = 0;
      if (j < format.size() && format[j] == '*') {
        precision = intArg();
        ++j;
      } else {
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
          precision = precision * 10 + (format[j++] - '0');
      }
    }
    if (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'I')) {
      while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'I' ||
                                   format[j] == '6' || format[j] == '4'))
        ++j;
    }
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    char type = format[j];
    i = j;
    std::string spec = "%" + flags + (width >= 0 ? std::to_string(width) : "") +
                       (precision >= 0 ? "." + std::to_string(precision) : "");
    if (next >= args.size()) continue;
    const Value& v = args[next];
    const SqlType& t = types[next++];
    const bool wantsText = type == 's';
    if (!v.isNull() && !t.isNull() && (wantsText ? !t.isString() : !t.isInteger())) {
      throwSqlError(2786, {std::to_string(next)});
    }
    if (type == 's') {
      std::string text =
          v.isNull() ? "(null)" : std::string(castValue(v, t, SqlType::nvarchar(SqlType::kMax)).asString());
      out += printed(spec + "s", text.c_str());
    } else if (type == 'd' || type == 'i' || type == 'u' || type == 'o' || type == 'x' || type == 'X') {
      if (v.isNull()) {
        out += "(null)";
        continue;
      }
      long long n = castValue(v, t, SqlType(TypeId::BigInt)).asInt();
      out += printed(spec + "ll" + type, n);
    }
  }
  return out;
}

}  // namespace mls::tsql
