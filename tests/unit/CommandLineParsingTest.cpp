// The command line: which switches win, what --add takes as its paths and how
// relative ones are found, and the command lines that are refused.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace toviwall {
namespace {

using Action = CommandLine::Action;
using remote::Command;

TEST(CommandLineParsing, HelpAndVersionWinAndEveryOtherSwitchIsKeptForTheStart) {
  EXPECT_EQ(ParseCommandLine({"--next", "--help"}, "/w").action, Action::Help);
  EXPECT_EQ(ParseCommandLine({"-h", "--version"}, "/w").action, Action::Help);
  EXPECT_EQ(ParseCommandLine({"--change", "--next", "--version"}, "/w").action, Action::Version);
  // Without a command the program runs; unknown switches are skipped later, as before.
  CommandLine run = ParseCommandLine({"work", "--verbose", "/x"}, "/w");
  EXPECT_EQ(run.action, Action::Run);

  for (Command c : {Command::Change, Command::Next, Command::Previous, Command::None, Command::Show, Command::Hide,
                    Command::Toggle, Command::Status, Command::Exit}) {
    CommandLine line = ParseCommandLine({"work", "--" + std::string(remote::CommandName(c)), "-style"}, "/w");
    EXPECT_EQ(line.action, Action::Command) << remote::CommandName(c);
    EXPECT_EQ(line.request.command, c);
    EXPECT_EQ(line.runArgs, (std::vector<std::string>{"work", "-style"}));
  }
}

TEST(CommandLineParsing, AddTakesEveryPathAfterItFromTheWorkingFolder) {
  CommandLine line = ParseCommandLine(
      {"work", "--add", "a.jpg", "/photos", "/abs/b/../c.png", "sub//", "-min", "./d.lst", "--", "-odd.png", "--help"},
      "/home/u");
  ASSERT_EQ(line.action, Action::Command) << line.error;
  EXPECT_EQ(line.request.command, Command::Add);
  // "/photos" would be a switch to the settings rule; after --add it is a folder.
  EXPECT_EQ(line.request.paths, (std::vector<std::string>{"/home/u/a.jpg", "/photos", "/abs/c.png", "/home/u/sub/",
                                                          "/home/u/d.lst", "/home/u/-odd.png", "/home/u/--help"}));
  EXPECT_EQ(line.runArgs, (std::vector<std::string>{"work", "-min"}));
}

TEST(CommandLineParsing, WrongCommandLinesSayWhatIsWrong) {
  EXPECT_EQ(ParseCommandLine({"--next", "--change"}, "/w").error, "one command at a time, not both --next and --change");
  EXPECT_EQ(ParseCommandLine({"--add", "a.png", "--status"}, "/w").action, Action::Wrong);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--add"}, {"--add", "-x"}, {"work", "--add", "--"}, {"--add", ""}}) {
    CommandLine line = ParseCommandLine(args, "/w");
    EXPECT_EQ(line.action, Action::Wrong) << args.size();
    EXPECT_FALSE(line.error.empty());
  }
  // Without a working folder a relative path cannot be found; a full one can.
  EXPECT_EQ(ParseCommandLine({"--add", "a.png"}, "").action, Action::Wrong);
  EXPECT_EQ(ParseCommandLine({"--add", "/a.png"}, "").action, Action::Command);
}

}  // namespace
}  // namespace toviwall
