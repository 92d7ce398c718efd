// Client-built SQL run in batches on the call's connection.  The statements of
// the array (elements 0 to its upper bound) are appended as they stand, so
// that a statement may run on from one element into the next, even inside a
// quoted text; only an element whose last line ends inside a "--" comment
// (outside quotes and block comments) is followed by CR LF, so that the
// comment ends with its element instead of swallowing the next one.  A
// batch is sent after element i whenever i mod 200 = 1 and i > 1 (so the first
// batch holds 202 statements, the next ones 200), and the rest at the end.  A
// failing batch stops the run; the batches before it stay.  An argument that
// is not an array raises 13, one whose element 0 does not exist 9.
#pragma once

#include "frame/call_frame.h"
#include "platform/com/variant.h"

namespace mls::frame {

// Both answer a Variant left Empty.
// ConcludeUpdate.UpdateBatch: Null elements add nothing.
com::Variant updateBatch(Call& call, const com::Variant& statements);
// ConcludeUpdate.InsertStdCalinfoDetail and InsertStdCalinfoOrOther: every
// element is converted to text (a Null one raises 94).
com::Variant insertStdCalinfo(Call& call, const com::Variant& statements);

}  // namespace mls::frame
