#pragma once
// What the parts of the program share about the run: where its files are, and
// the few facts of the run itself. Made by the main window, handed to those
// who read or set them.
#include <string>

namespace toviwall {

// The paths computed at start-up, held for the run.
struct AppPaths {
  std::string settingsFile;
  std::string imageListFile;
  std::string defaultImageFolder;
  std::string outputFile;  // the output wallpaper file
};

struct RunState {
  bool startupFlag = true;    // window creation has not ended yet
  bool created = false;       // window creation ran to its end
  bool endRequested = false;  // Exit, the session or a signal asked for the end
  bool listChanged = false;   // the list is written at the end of the run
  bool askingImageFolder = false;  // the first-run question is open
};

}  // namespace toviwall
