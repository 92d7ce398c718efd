// LEN, DATALENGTH, SUBSTRING, LEFT, RIGHT, LTRIM, RTRIM, UPPER, LOWER, REPLACE,
// CHARINDEX, PATINDEX, REPLICATE, SPACE and CHAR.  Positions and lengths
// count characters.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/tsql/errors.h"
#include "platform/tsql/types/collation.h"
#include "platform/tsql/types/convert.h"
#include "platform/tsql/types/function_support.h"
#include "platform/tsql/types/text.h"

namespace mls::tsql::fn {

namespace {

SqlType intType(const ArgInfos&) {
  return SqlType(TypeId::Int);
}

// The variable-length text type of an argument: char -> varchar, nchar -> nvarchar.
SqlType varyingType(const SqlType& t0) {
  SqlType t = textType(t0);
  return SqlType::string(t.isUnicode() ? TypeId::NVarChar : TypeId::VarChar, t.length);
}

SqlType sameText(const ArgInfos& a) {
  return varyingType(a[0].type);
}

// Results that can grow: up to 8000 bytes (4000 unicode characters) unless max.
SqlType grownText(const ArgInfos& a) {
  SqlType t = varyingType(a[0].type);
  if (t.length != SqlType::kMax) t.length = t.isUnicode() ? 4000 : 8000;
  return t;
}

Value clip(std::string text, const SqlType& r) {
  if (r.length != SqlType::kMax && utf8Length(text) > static_cast<size_t>(r.length)) {
    text.resize(utf8Offset(text, static_cast<size_t>(r.length)));
  }
  return Value::string(text);
}

int64_t dataLength(const Value& v, const SqlType& t) {
  if (v.kind() != Value::Kind::String) return t.length;
  std::string_view s = v.asString();
  int64_t bytes = 0;
  for (size_t pos = 0; pos < s.size();) {
    char32_t c = utf8Next(s, pos);
    // Unicode text takes two bytes a character (four beyond the BMP); other
    // text one byte for ASCII and two for wider characters, as a double-byte
    // code page stores them.
    bytes += t.isUnicode() ? (c > 0xFFFF ? 4 : 2) : (c < 0x80 ? 1 : 2);
  }
  return bytes;
}

Value substring(const std::string& s, int64_t start, int64_t count) {
  // Characters at positions start .. start+count-1 (1-based) that exist.
  int64_t first = std::max<int64_t>(start, 1);
  int64_t end = start + count;  // exclusive
  if (end <= first) return Value::string("");
  return Value::string(utf8Substr(s, static_cast<size_t>(first - 1), static_cast<size_t>(end - first)));
}

Value replaceText(const std::string& s, const std::string& find, const std::string& with, const SqlType& r) {
  if (find.empty()) return clip(s, r);
  std::u32string text, folded, pattern;
  for (size_t pos = 0; pos < s.size();) {
    char32_t c = utf8Next(s, pos);
    text.push_back(c);
    folded.push_back(toLowerChar(c));
  }
  for (size_t pos = 0; pos < find.size();)
    pattern.push_back(toLowerChar(utf8Next(find, pos)));
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (folded.compare(i, pattern.size(), pattern) == 0) {
      out += with;
      i += pattern.size();
    } else {
      utf8Append(out, text[i++]);
    }
  }
  return clip(out, r);
}

Value replicate(const std::string& s, int64_t n, const SqlType& r) {
  if (n < 0) return Value();
  std::string out;
  size_t limit = r.length == SqlType::kMax ? SIZE_MAX : static_cast<size_t>(r.length);
  size_t unit = utf8Length(s);
  for (int64_t i = 0; i < n && unit > 0 && static_cast<size_t>(i) * unit < limit; ++i)
    out += s;
  return clip(out, r);
}

}  // namespace

void addStringFunctions(std::vector<FunctionDef>& out) {
  out.push_back(
      {"LEN", 1, 1, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::integer(static_cast<int64_t>(utf8Length(trimRightSpaces(textArg(a, t, 0)))));
       }});
  out.push_back({"DATALENGTH", 1, 1, intType,
                 [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
                   return Value::integer(dataLength(a[0], t[0]));
                 }});
  out.push_back({"SUBSTRING", 3, 3, sameText,
                 [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
                   int64_t count = intArg(a, t, 2);
                   if (count < 0) throwSqlError(537);
                   return substring(textArg(a, t, 0), intArg(a, t, 1), count);
                 }});
  out.push_back(
      {"LEFT", 2, 2, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         int64_t count = intArg(a, t, 1);
         if (count < 0) throwSqlError(537);
         return substring(textArg(a, t, 0), 1, count);
       }});
  out.push_back(
      {"RIGHT", 2, 2, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         int64_t count = intArg(a, t, 1);
         if (count < 0) throwSqlError(536, {"RIGHT"});
         std::string s = textArg(a, t, 0);
         int64_t length = static_cast<int64_t>(utf8Length(s));
         return substring(s, std::max<int64_t>(length - count + 1, 1), count);
       }});
  out.push_back(
      {"LTRIM", 1, 1, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::string(trimLeftSpaces(textArg(a, t, 0)));
       }});
  out.push_back(
      {"RTRIM", 1, 1, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::string(trimRightSpaces(textArg(a, t, 0)));
       }});
  out.push_back(
      {"UPPER", 1, 1, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::string(toUpper(textArg(a, t, 0)));
       }});
  out.push_back(
      {"LOWER", 1, 1, sameText, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::string(toLower(textArg(a, t, 0)));
       }});
  out.push_back({"REPLACE", 3, 3, grownText,
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return replaceText(textArg(a, t, 0), textArg(a, t, 1), textArg(a, t, 2), r);
                 }});
  out.push_back(
      {"CHARINDEX", 2, 3, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         int64_t start = a.size() > 2 ? std::max<int64_t>(intArg(a, t, 2), 1) : 1;
         return Value::integer(
             static_cast<int64_t>(findText(textArg(a, t, 1), textArg(a, t, 0), static_cast<size_t>(start))));
       }});
  out.push_back(
      {"PATINDEX", 2, 2, intType, [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
         return Value::integer(static_cast<int64_t>(patternIndex(textArg(a, t, 1), textArg(a, t, 0))));
       }});
  out.push_back({"REPLICATE", 2, 2, grownText,
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return replicate(textArg(a, t, 0), intArg(a, t, 1), r);
                 }});
  out.push_back({"SPACE", 1, 1, [](const ArgInfos&) { return SqlType::varchar(8000); },
                 [](const Args& a, const Types& t, const SqlType& r, const FunctionContext&) {
                   return replicate(" ", intArg(a, t, 0), r);
                 }});
  // CHAR(n): the character of code n of a single-byte code page (Latin-1
  // above 127); NULL outside 0-255.
  out.push_back({"CHAR", 1, 1, [](const ArgInfos&) { return SqlType::string(TypeId::Char, 1); },
                 [](const Args& a, const Types& t, const SqlType&, const FunctionContext&) {
                   const int64_t code = intArg(a, t, 0);
                   if (code < 0 || code > 255) return Value::null();
                   std::string text;
                   utf8Append(text, static_cast<char32_t>(code));
                   return Value::string(text);
                 }});
}

}  // namespace mls::tsql::fn
