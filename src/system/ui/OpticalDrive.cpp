#include "system/ui/OpticalDrive.h"

#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "platform/SystemActions.h"

namespace toviwall {

void OpenDrive(platform::SystemActions& system, const std::string& drive) {
  const std::string why = system.OpenDoor(drive);
  if (!why.empty()) ShowErrorBox(Q(FormatText(S(10156), {drive, why})));
}

}  // namespace toviwall
