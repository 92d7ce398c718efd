#include "standards/complex_formula.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "frame/globals.h"
#include "frame/sql_literal.h"
#include "frame/sql_script.h"
#include "platform/ado/recordset.h"
#include "platform/com/error.h"
#include "platform/common/ascii_text.h"

namespace mls::standards {
namespace {

constexpr const char* kEmptyFormula = "定义的复合标准";
constexpr const char* kEmptyFormulaEnd = "计算公式为空!";
constexpr const char* kWrongFormula = "复合标准";
constexpr const char* kWrongFormulaEnd = "的计算公式错误!";
constexpr std::string_view kOpen = "~#";
constexpr std::string_view kClose = "~@";

using ascii::upperCase;

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// A recursive-descent check of the expression grammar:
//   expr    := term { ("+" | "-") term }
//   term    := unary { ("*" | "/") unary }
//   unary   := { "+" | "-" } primary
//   primary := number | unit column | function "(" expr { "," expr } ")" | "(" expr ")"
class ExpressionCheck {
 public:
  ExpressionCheck(std::string_view text, const std::vector<StandardUnit>& units)
      : text_(text), units_(units) {}

  bool valid() {
    if (!expr(0)) return false;
    skipSpace();
    return pos_ == text_.size();
  }

 private:
  static constexpr int kMaxDepth = 100;

  void skipSpace() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  static bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
  static bool isWordChar(char c) { return isWordStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

  bool expr(int depth) {
    if (depth > kMaxDepth || !term(depth)) return false;
    while (take('+') || take('-'))
      if (!term(depth)) return false;
    return true;
  }
  bool term(int depth) {
    if (!unary(depth)) return false;
    while (take('*') || take('/'))
      if (!unary(depth)) return false;
    return true;
  }
  bool unary(int depth) {
    while (take('+') || take('-')) {
    }
    return primary(depth);
  }
  bool primary(int depth) {
    skipSpace();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      return expr(depth + 1) && take(')');
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return number();
    if (!isWordStart(c)) return false;
    const size_t start = pos_;
    while (pos_ < text_.size() && isWordChar(text_[pos_]))
      ++pos_;
    const std::string word = upperCase(text_.substr(start, pos_ - start));
    if (isUnitColumn(word)) return true;
    if (word == "ISNULL") return call(depth, 2, 2);
    if (word == "ROUND") return call(depth, 2, 3);
    if (word == "ABS") return call(depth, 1, 1);
    return false;
  }
  bool call(int depth, int least, int most) {
    if (!take('(')) return false;
    int args = 0;
    do {
      if (!expr(depth + 1)) return false;
      ++args;
    } while (take(','));
    return take(')') && args >= least && args <= most;
  }
  bool number() {
    size_t digits = 0;
    bool point = false;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (std::isdigit(static_cast<unsigned char>(c))) {
        ++digits;
      } else if (c == '.' && !point) {
        point = true;
      } else {
        break;
      }
      ++pos_;
    }
    // A number runs into no word: "2E5" or "3FQty6" is no number.
    return digits > 0 && (pos_ >= text_.size() || !isWordChar(text_[pos_]));
  }
  bool isUnitColumn(const std::string& word) const {
    return std::any_of(units_.begin(), units_.end(),
                       [&](const StandardUnit& u) { return upperCase(u.column) == word; });
  }

  std::string_view text_;
  const std::vector<StandardUnit>& units_;
  size_t pos_ = 0;
};

}  // namespace

void raiseStandardError(const std::string& description) {
  com::raise(-1, "-1", description);
}

std::string_view formulaExpression(std::string_view formula) {
  const size_t eq = formula.find('=');
  return eq == std::string_view::npos ? formula : formula.substr(eq + 1);
}

bool isMaterialQuotaStandard(std::string_view code, std::string_view formula) {
  return ascii::lowerCase(code) == "cldetld" ||
         upperCase(formula).find(upperCase("~#材料定额（投料单）~@")) != std::string::npos;
}

ComplexFormula ComplexFormula::load(ado::Connection& connection, std::string_view formula,
                                    const FormulaOwner& owner) {
  ComplexFormula f;
  f.owner_ = owner;
  if (formula.empty()) {
    raiseStandardError(frame::langText(kEmptyFormula, owner.language) + owner.name +
                       frame::langText(kEmptyFormulaEnd, owner.language));
  }
  const std::string expression(formulaExpression(formula));
  // The token is searched as plain text (CHARINDEX), so a "%", "_" or "[" in
  // a unit's name matches only itself.
  frame::SqlScript sql;
  sql.line("SELECT  a.FItemID,a.FName,a.FStandardID,IsNull(b.FOnline,0) as FOnline ")
      .line(" FROM  cbStandardUnit a Left Join cb_BmStandard b ON a.FStandardID=b.FNum ")
      .line(" WHERE CHARINDEX('~#'+a.FName+'~@'," + frame::sqlNText(expression) + ")>0 ");
  com::Ref<ado::Recordset> rs = connection.execute(sql.text());
  for (; !rs->eof(); rs->moveNext()) {
    StandardUnit u;
    u.kind = rs->value(0).toLong();
    u.name = rs->value(1).toString();
    u.standardID = rs->value(2).toLong();
    u.online = rs->value(3).toLong() == 1;
    u.column = "FQty" + frame::sqlNumber(u.kind);
    f.units_.push_back(std::move(u));
  }
  rs->close();
  if (f.units_.empty()) f.raiseWrongFormula();
  f.expression_ = expression;
  for (const StandardUnit& u : f.units_) {
    // A negative kind would make a column name that is no identifier.
    if (u.kind < 0) f.raiseWrongFormula();
    replaceAll(f.expression_, std::string(kOpen) + u.name + std::string(kClose), u.column);
  }
  if (!ExpressionCheck(f.expression_, f.units_).valid()) f.raiseWrongFormula();
  return f;
}

bool ComplexFormula::hasUnit(int32_t kind) const {
  return std::any_of(units_.begin(), units_.end(), [&](const StandardUnit& u) { return u.kind == kind; });
}

std::string ComplexFormula::columnDefinitions() const {
  frame::SqlScript sql;
  for (const StandardUnit& u : units_)
    sql.line("  [" + u.column + "] Decimal(28,10) Not Null Default(0),");
  return sql.text();
}

void ComplexFormula::apply(ado::Connection& connection, std::string_view table, std::string_view target,
                           std::string_view where) const {
  std::string sql = "Update  " + std::string(table) + " SET " + std::string(target) + "=" + expression_;
  if (!where.empty()) sql += " WHERE " + std::string(where);
  try {
    connection.execute(sql);
  } catch (const std::exception&) {
    com::clearCurrentError();
    raiseWrongFormula();
  }
}

void ComplexFormula::raiseWrongFormula() const {
  raiseStandardError(frame::langText(kWrongFormula, owner_.language) + owner_.name +
                     frame::langText(kWrongFormulaEnd, owner_.language));
}

}  // namespace mls::standards
