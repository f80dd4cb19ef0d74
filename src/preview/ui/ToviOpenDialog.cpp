#include "preview/ui/ToviOpenDialog.h"

namespace toviwall {

TToviOpenDialog::TToviOpenDialog(QWidget* parent) : TVantorCustomFileDialog(parent) {
  setObjectName(QStringLiteral("TToviOpenDialog"));
}

void TToviOpenDialog::SetShowPlacesBar(bool show) {
  showPlacesBar_ = show;
  if (auto* sidebar = findChild<QWidget*>(QStringLiteral("sidebar"))) sidebar->setVisible(show);
}

TToviSaveDialog::TToviSaveDialog(QWidget* parent) : TToviOpenDialog(parent) {
  setObjectName(QStringLiteral("TToviSaveDialog"));
}

}  // namespace toviwall
