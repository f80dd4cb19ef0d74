#pragma once
// Plain open and save dialogs with a switch for the sidebar of places.
#include "preview/ui/VantorFileDialogs.h"

namespace toviwall {

class TToviOpenDialog : public TVantorCustomFileDialog {
  Q_OBJECT
 public:
  explicit TToviOpenDialog(QWidget* parent = nullptr);
  // The sidebar with the user's places; shown unless switched off.
  bool ShowPlacesBar() const { return showPlacesBar_; }
  void SetShowPlacesBar(bool show);

 private:
  bool showPlacesBar_ = true;
};

class TToviSaveDialog final : public TToviOpenDialog {
  Q_OBJECT
 public:
  explicit TToviSaveDialog(QWidget* parent = nullptr);

 protected:
  bool IsSaveDialog() const override { return true; }
};

}  // namespace toviwall
