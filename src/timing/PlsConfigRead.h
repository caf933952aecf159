#pragma once

#include <array>
#include <optional>

namespace voran {

class RSComm;

// The PLS configuration as the board holds it now (19 entries: channel
// count, PLS program, speed compensation of channels 0 to 7, then the rest
// of the block), or nothing when the read did not complete. A failure is
// told as PLSConfigUpload tells it ("Not able to Upload Configuration from
// PLS."), except on a link fault, which the link has told already, and
// without traffic when the link is held.
std::optional<std::array<int, 19>> ReadPLSConfig(RSComm& link);

}  // namespace voran
