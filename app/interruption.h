// Ending the run when a signal asked for it, at the points where ending it
// loses nothing: after a message has been completely handled (copied and,
// when it is to go, deleted) and before an area is begun. The run ends with
// a fatal error whose text names the signal and the point.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// The log and console text of an interruption: "Interrupted by signal SIGINT; stopped
// after the message in hand." (`where` is what follows "stopped ").
std::string InterruptionMessage(std::string_view signal, std::string_view where);

// The points where a run ends for a signal, as the text names them.
inline constexpr std::string_view kStoppedInArea = "after the message in hand";
inline constexpr std::string_view kStoppedBeforeArea = "before the next area";

}  // namespace kestrel
