// Texts in the caller's language, through the language loader.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace mls::frame {

// The text in `language`: the text itself for "chs" (exactly, with case), else
// the language loader's translation of the text trimmed of spaces.  Never
// fails: when the loader cannot answer, the text comes back unchanged.  The
// thread's current error is the same on return as on entry.
std::string langText(std::string_view text, std::string_view language);
// langText of `text`, then "%1", "%2"... replaced by the elements of `args`.
std::string langTextFormat(std::string_view language, std::string_view text, const com::Variant& args);
// Unloads and releases the thread's language loader, when there is one.
void unloadLanguageLoader();

}  // namespace mls::frame
