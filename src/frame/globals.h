// Every common service at once, for the files that still include them
// together.  Each service has its own header; new code includes only the
// ones it uses:
//   component.h       kComponent, the source of the component's own errors
//   props_value.h     one property straight from the properties text
//   edition_prefix.h  the edition prefix of a name
//   lang_text.h       texts in the caller's language
//   system_profile.h  one system-profile value
//   records.h         records as dictionaries and lists, a value as text
//   drop_table.h      dropping a table with errors ignored
#pragma once

#include "frame/component.h"
#include "frame/drop_table.h"
#include "frame/edition_prefix.h"
#include "frame/lang_text.h"
#include "frame/props_value.h"
#include "frame/records.h"
#include "frame/system_profile.h"
