#include "timing/PlsConfigRead.h"

#include "link/RSComm.h"
#include "link/PlsCodes.h"
#include "timing/PlsFrames.h"

namespace voran {

std::optional<std::array<int, 19>> ReadPLSConfig(RSComm& link) {
    auto t = link.begin();
    if (!t) return std::nullopt;
    // Entries the read did not reach would still hold an earlier upload's
    // values: only a complete read is the board's configuration.
    auto config = pls::configRead(*t, pls::kConfigRead);
    if (!config && !link.CommError)
        t->messages().show("Not able to Upload Configuration from PLS.", "PLS Upload",
                           MsgButtons::Ok, MsgIcon::Exclamation);
    return config;
}

}  // namespace voran
