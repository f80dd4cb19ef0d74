// The start-up entry's name, command and desktop-entry text, and the session's
// own reading of it: GLib's parser (gio launch) starts what the entry names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "startup/AutoStart.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

TEST(AutoStartEntry, NameAndCommandWithAndWithoutAProfile) {
  const std::string program = "/opt/Tovi Wall/bin/toviwall";
  AutoRunEntry plain = AutoRunEntryFor("Tovi WallChanger", program, "/home/u/.config/x/toviwall.ini", false);
  EXPECT_EQ(plain.name, "Tovi WallChanger");
  EXPECT_EQ(DesktopEntryText(plain, "Changes it", "toviwall"),
            "[Desktop Entry]\nType=Application\nName=Tovi WallChanger\nComment=Changes it\n"
            "Exec=\"/opt/Tovi Wall/bin/toviwall\"\nIcon=toviwall\nTerminal=false\n");
  AutoRunEntry work = AutoRunEntryFor("Tovi WallChanger", program, "/opt/Tovi Wall/bin/work.ini", true);
  EXPECT_EQ(work.name, "Tovi WallChanger work");
  EXPECT_EQ(DesktopEntryExec(work.command), R"("/opt/Tovi Wall/bin/toviwall" "/opt/Tovi Wall/bin/work.ini")");

  // Only a settings file named on the command line makes a profile; a switch alone does not.
  EXPECT_TRUE(ProfileInUse({"-x", "work"}, true));
  EXPECT_FALSE(ProfileInUse({"work"}, false));
  EXPECT_FALSE(ProfileInUse({"-style", "/x"}, true));
  EXPECT_FALSE(ProfileInUse({}, true));
}

TEST(AutoStartEntry, SwitchedOffAsTheDesktopsWriteItAndOnAgain) {
  const std::string on = "[Desktop Entry]\nType=Application\nExec=\"/p\"\nHidden=false\n[Other]\nHidden=true\n";
  EXPECT_TRUE(DesktopEntryEnabled(on));
  for (const std::string off : {"Hidden=true\n", "Hidden = true\r\n", "X-GNOME-Autostart-enabled=false\n"}) {
    SCOPED_TRACE(off);
    const std::string text = "[Desktop Entry]\nType=Application\n" + off + "Exec=\"/p\"\n[Other]\nA=1\n";
    EXPECT_FALSE(DesktopEntryEnabled(text));
    EXPECT_EQ(EnableDesktopEntry(text), "[Desktop Entry]\nType=Application\nExec=\"/p\"\n[Other]\nA=1\n");
  }
}

// A program in an awkward folder that records how it was started.
std::string Recorder(const std::string& folder) {
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/record me";
  test::WriteFile(path, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$RECORD_TO\"\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

TEST(AutoStartEntry, TheSessionStartsTheProgramWithItsSettingsFileWhateverThePathsHold) {
  test::RequireProgram("gio");
  test::TempDir dir;
  const std::string awkward = dir / "Wall \"paper\" $HOME `x` 'q' \\n ünïcödé";
  const std::string settings = awkward + "/100% \"work\" $PATH.ini";
  for (const std::string& program : {Recorder(awkward), Recorder(dir / "50% off $1")}) {
    SCOPED_TRACE(program);
    AutoRunEntry entry = AutoRunEntryFor("Tovi WallChanger", program, settings, true);
    const std::string file = dir / "entry.desktop";
    test::WriteFile(file, DesktopEntryText(entry, "Changes it", "toviwall"));
    const std::string record = dir / "argv";
    std::filesystem::remove(record);
    test::MustRun({"gio", "launch", file}, {{"PATH", std::getenv("PATH")}, {"RECORD_TO", record}});
    ASSERT_TRUE(test::WaitFor([&] { return test::ReadFile(record).find('\n') != std::string::npos; }));
    EXPECT_EQ(test::ReadFile(record), program + "\n" + settings + "\n");
  }
}

}  // namespace
}  // namespace toviwall
