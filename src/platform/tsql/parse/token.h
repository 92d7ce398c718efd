// Tokens of T-SQL text, as the lexer produces them for the parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql {

enum class TokenKind {
  End,               // end of the text
  Identifier,        // a plain name that is not a reserved word (also #temp)
  QuotedIdentifier,  // [name] or "name": never a keyword
  Keyword,           // a reserved word; text upper-cased
  Variable,          // @name
  SystemVariable,    // @@NAME; text upper-cased
  Integer,           // 42
  Decimal,           // 4.2
  Float,             // 4.2E1
  Money,             // $4.2 (or ¥4.2, £4.2 ...): text holds the number without the currency symbol
  Binary,            // 0x2A: text as written, 0x included
  String,            // 'text': text holds the value
  NString,           // N'text': text holds the value
  Parameter,         // ?
  Symbol,  // operators and punctuation: = <> != <= >= !< !> < > + - * / % & | ^ ~ ( ) , . ; { } : :: || <<
           // >>, and $IDENTITY, $ROWGUID, $PARTITION (upper-cased)
};

// A constant as written: a number, money, binary or text.
inline bool isConstant(TokenKind k) {
  switch (k) {
    case TokenKind::Integer:
    case TokenKind::Decimal:
    case TokenKind::Float:
    case TokenKind::Money:
    case TokenKind::Binary:
    case TokenKind::String:
    case TokenKind::NString:
      return true;
    default:
      return false;
  }
}

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // see TokenKind; names without brackets or quotes
  int line = 1;
  int column = 1;
  size_t offset = 0;  // of the token's first byte in the text
};

// Splits `text` into tokens, ending with one End token.  Throws SqlError 105 for
// an unclosed string or quoted name, 113 for an unclosed comment, 103 for a name
// over 128 characters, 1038 for an empty [] or "" name and 102 for a character
// that starts no token.
std::vector<Token> tokenize(std::string_view text);

// Is `upper` (an upper-cased word) a reserved word of T-SQL?
bool isReservedWord(std::string_view upper);

}  // namespace mls::tsql
