// The four global hot keys.
#include "app/WallPaperMain.h"

namespace toviwall {

void TMainForm::LoadHotKeys() {}        // not built yet: the hot keys
void TMainForm::DeactivateHotKeys() {}

}  // namespace toviwall
