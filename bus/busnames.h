// The names under which the running program serves its settings on the
// session bus, shared by the program and kesta-ctl.
#pragma once

namespace KestaBusNames {
inline constexpr char kService[] = "com.zorvant.KestaConfig";
inline constexpr char kPath[] = "/com/zorvant/KestaConfig";
inline constexpr char kInterface[] = "com.zorvant.KestaConfig1";
// Bad arguments: nothing was changed (kesta-ctl exits 2).
inline constexpr char kInvalidArgument[] = "com.zorvant.KestaConfig1.Error.InvalidArgument";
// The change failed; the message says why and what was done (exit 1).
inline constexpr char kFailed[] = "com.zorvant.KestaConfig1.Error.Failed";
} // namespace KestaBusNames
