// RAISERROR's message text: printf-like placeholders filled from its
// arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/tsql/types/value.h"

namespace mls::tsql {

// Fills %d / %i / %u / %o / %x / %X (integers) and %s (text) in order from
// `args`, with the flags - + 0 space #, a width and a precision (either may be
// '*', read from the next argument); %% is a percent sign.  A NULL argument
// prints "(null)"; a missing one prints nothing; an argument of the wrong kind
// (text for %d, a number for %s) is error 2786.
std::string formatRaiserror(std::string_view format, const std::vector<Value>& args,
                            const std::vector<SqlType>& types);

}  // namespace mls::tsql
