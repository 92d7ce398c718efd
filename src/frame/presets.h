// The frame facts the public members share, named once.  A member whose facts
// are none of these builds its own from the nearest preset:
// presets::kWriter.names(Naming::WithLineBreak).
#pragma once

#include "frame/call_frame.h"

namespace mls::frame::presets {

// An inquiry: SetComplete at entry, READ UNCOMMITTED, no SetAbort, the
// error's source unchanged.
inline constexpr FrameFacts kInquiry = FrameFacts().votes(VoteAt::Entry).connects(Isolation::ReadUncommitted);
// SetComplete on success, READ UNCOMMITTED, no SetAbort, the source unchanged.
inline constexpr FrameFacts kUncommittedOnSuccess =
    FrameFacts().votes(VoteAt::Success).connects(Isolation::ReadUncommitted);
// An inquiry that never votes.
inline constexpr FrameFacts kInquiryWithoutVote = FrameFacts().connects(Isolation::ReadUncommitted);

// A writer: SetComplete on success, SetAbort on failure, READ COMMITTED, the
// error's source unchanged.
inline constexpr FrameFacts kWriter =
    FrameFacts().votes(VoteAt::Success).aborts().connects(Isolation::ReadCommitted);
// A writer that puts its full name and CR LF in front of an error's source.
inline constexpr FrameFacts kNamedWriter = kWriter.names(Naming::WithLineBreak);
// A writer without SetAbort.
inline constexpr FrameFacts kWriterWithoutAbort =
    FrameFacts().votes(VoteAt::Success).connects(Isolation::ReadCommitted);

// A writer that never raises: no vote, READ COMMITTED, and any failure (the
// properties string's included) answers "" with the thread's error cleared.
inline constexpr FrameFacts kWriterAnsweringEmpty =
    FrameFacts().connects(Isolation::ReadCommitted).answersEmptyOnFailure();

// A period service: no properties parsed, no connection, no vote; only the
// period component is asked.
inline constexpr FrameFacts kPeriodService = FrameFacts().withoutEnv();

// A member that calls its own object's members by name, each in a frame of
// its own: SetComplete at entry, nothing parsed, no connection.
inline constexpr FrameFacts kThroughOwnInterface = FrameFacts().votes(VoteAt::Entry).withoutEnv();

}  // namespace mls::frame::presets
