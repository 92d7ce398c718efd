// The client's condition on a statement's rows (the `sFilter` argument): one
// search condition over the statement's aliases, checked by the T-SQL parser
// before any statement of the call runs, whichever provider the connection
// uses (the text reaches SQL Server as written).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frame/call_frame.h"

namespace mls::frame {

// Where the statement puts the client's condition.
enum class FilterPlace {
  // After the statement's own conditions; an empty or blank condition (or one
  // of comments only) adds nothing.
  Appended,
  // Where the statement writes "AND" itself and needs a condition: an empty
  // one is refused.
  Required,
};

// Checks `sFilter`: nothing (Appended only), or an optional leading AND or
// OR and then exactly one search condition (subqueries allowed) whose column
// references outside subqueries are unqualified or qualified by one of
// `aliases`.  Answers the text to put in the statement: "" for nothing, else
// the condition with its own leading AND or OR ("    AND  " put in front of
// a bare one), ended by CR LF so that a closing "--" comment ends there.
// Anything else (a ';', a second statement, an unclosed quote, comment or
// parenthesis) raises -1 with the call's full name as source and a text in
// the caller's language, before anything is sent.
std::string clientCondition(const Call& call, std::string_view sFilter, FilterPlace place,
                            const std::vector<std::string>& aliases);

}  // namespace mls::frame
