#include "shell/WindowTable.h"

#include "data/ui/frmMain.h"
#include "history/ui/frmHistory.h"
#include "link/ui/frmTrafficMonitor.h"
#include "shell/ui/frmDisplayIO.h"
#include "shell/ui/frmSerialComm.h"
#include "timing/ui/frmSetup.h"
#include "timing/ui/frmTiming.h"

namespace voran {

namespace {
template <class Window>
ChildWindow* make(AppContext& ctx, QWidget* parent) {
    return new Window(ctx, parent);
}
}  // namespace

const std::vector<WindowEntry>& WindowTable() {
    static const std::vector<WindowEntry> table = {
        {"&1 Main Display", make<frmMain>},
        {"&2 Set-up Parameters", make<frmSetup>},
        {"&3 Machine Timing", make<frmTiming>},
        {"&4 Serial Communications", make<frmSerialComm>},
        {"&5 I/O States", make<frmDisplayIO>},
        {"&6 Production History", make<frmHistory>},
        {"&7 Traffic Monitor", make<frmTrafficMonitor>},
    };
    return table;
}

}  // namespace voran
