// fmStart's tree events: the selected account, the minimise delay, and the client launch.
#include "notify/TreeEvents.h"

#include <exception>
#include <string>

#include "notify/ClientChoice.h"
#include "platform/Trace.h"

namespace pw {

void TreeEvents::Anzeige_NodeSelected(std::int32_t& index) {
  try {
    globals_.SelectedAccount = anzeige_.AccountTag(index);
  } catch (const std::exception&) {
    TraceIgnored("TreeEvents.Anzeige_NodeSelected");
    globals_.SelectedAccount.clear();
  }
}

void TreeEvents::Anzeige_Click() {
  timer2_.SetEnabled(false);
  timer3_.SetEnabled(false);
  timer3_.SetEnabled(true);
}

void TreeEvents::Anzeige_DblClick() {
  if (globals_.SelectedAccount.empty()) return;
  try {
    const std::string connection = ChooseMailClient(accounts_, globals_.SelectedAccount, globals_);
    launcher_.StartMailClient(connection);
    if (globals_.TrayAlertsEnabled) tray_.StopTrayBlink();
  } catch (const std::exception&) {
    // Nothing happens and nothing is said; the icon keeps blinking.
    TraceIgnored("TreeEvents.Anzeige_DblClick");
  }
}

}  // namespace pw
