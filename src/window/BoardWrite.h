#pragma once

#include <optional>
#include <string>

namespace voran {

class AppContext;

// A window's command or entry writes one item to the board: true only when
// the board echoed every byte. A link fault has been told by the link (its
// Retry/Cancel box) and a refused entry by its ENTRY ALERT; a write the board
// did not confirm (a wrong echo or a lost byte, twice) is told here, once,
// while the link is still held. Nothing goes out while another operation
// holds the link.
bool WriteItemChecked(AppContext& ctx, const std::string& address, const std::string& value);

// One read of an item for a window's command: the board's value as decimal
// text, or nothing when the read failed (never a 0 in its place).
std::optional<std::string> ReadItemChecked(AppContext& ctx, const std::string& address);

// The box of a write the board did not confirm.
inline constexpr const char* kWriteNotConfirmedTitle = "Write Not Confirmed";
std::string WriteNotConfirmedText(const std::string& address);

}  // namespace voran
