// The common services every subsystem calls: one property straight from the
// properties text, language texts, the edition prefix, one system-profile
// value, records as foundation-library dictionaries and lists, and dropping a
// table with errors ignored.
#pragma once

#include <string>
#include <string_view>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/variant.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"

namespace mls::frame {

class CDataSource;

// The component's name, the source of errors its own code raises.
inline constexpr const char* kComponent = "Marlstone";

// The value of `key` in a properties text, or "" when absent; never fails.  A
// key matches only where an item begins (at the start, or after ";" and
// spaces), never inside a braced value, without regard to case, followed
// directly by "=" (a space before the "=" defeats it).  The first match wins;
// the value runs to the next ";" and is not trimmed.
std::string getPropsValue(std::string_view props, std::string_view key);

// The text in `language`: the text itself for "chs" (exactly, with case), else
// the language loader's translation of the text trimmed of spaces.  Never
// fails: when the loader cannot answer, the text comes back unchanged.  The
// thread's current error is the same on return as on entry.
std::string langText(std::string_view text, std::string_view language);
// langText of `text`, then "%1", "%2"... replaced by the elements of `args`.
std::string langTextFormat(std::string_view language, std::string_view text, const com::Variant& args);
// Unloads and releases the thread's language loader, when there is one.
void unloadLanguageLoader();

// "Selvo_" + name when the properties' OrrinVersion is "Selvo" (any case), else name.
std::string getEditionPrefix(std::string_view props, std::string_view name);

// FValue of t_SystemProfile for (category, key), read on a new READ COMMITTED
// connection of `dataSource` that is closed before the answer; Null when the
// row holds Null; `fallback` when there is no row (unless it is Missing, which
// answers "").
com::Variant getSystemProfile(CDataSource& dataSource, std::string_view key, std::string_view category,
                              const com::Variant& fallback = com::Variant::missing());

// A field's or argument's value as text: "" for Null (and Empty).
std::string textOf(const com::Variant& v);

// The current record as a Dictionary of field name -> value, in field order.
com::Ref<halvern::Dictionary> recordToDict(const ado::Recordset& rs);
// Every record from the first as a List of dictionaries; leaves `rs` at EOF.
com::Ref<halvern::List> recordsetToList(ado::Recordset& rs);

// Executes "drop Table <name>" on `connection`, ignoring any error, and clears
// the thread's current error.
void dropTempTable(ado::Connection& connection, std::string_view name);

}  // namespace mls::frame
