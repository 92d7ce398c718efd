// Text a statement takes from outside and pastes as it stands: a stored
// formula, a client's condition.  Such text may end in a "--" comment, which
// runs to the end of its line, so whatever the statement writes after it
// starts on a line of its own.
#pragma once

#include <string>
#include <string_view>

namespace mls::frame {

// `text` followed by CR LF: a closing "--" comment ends there, and what the
// statement appends after it (a WHERE, a closing parenthesis, the next
// statement) stays SQL.
std::string pastedText(std::string_view text);

// Whether `text` holds a carriage return not followed by a line feed: SQL
// Server may end a "--" comment there while the parser that checks the text
// reads the comment on to the line feed, so the two would see different SQL.
bool hasBareCarriageReturn(std::string_view text);

}  // namespace mls::frame
