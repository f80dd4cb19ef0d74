// The .deb package on the machine itself: built by CPack, checked by lintian,
// installed with dpkg, its files validated where they were installed and the
// program run from /usr/bin; then removed again, so the machine is left as it
// was. It installs into the real system, so it runs only when asked
// (TOVIWALL_PACKAGE_TEST=1, as scripts/test does) and as root.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/TestSession.h"

namespace toviwall {
namespace {

using namespace test;
namespace fs = std::filesystem;

Env PlainEnv(const std::string& home) {
  const char* path = std::getenv("PATH");
  return {{"PATH", path ? path : "/usr/bin:/bin"}, {"HOME", home}, {"LANG", "C.UTF-8"},
          {"DEBIAN_FRONTEND", "noninteractive"}};
}

// dpkg waits for no one: while apt or another dpkg holds its lock, try again.
RunResult Dpkg(const std::vector<std::string>& argv, const Env& env) {
  RunResult r;
  for (int attempt = 0; attempt < 150; ++attempt) {
    r = test::Run(argv, env, 300000);
    if (r.exitCode == 0 || r.err.find("lock") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::seconds(2));
  }
  return r;
}

bool Installed(const Env& env) {
  const RunResult q = test::Run({"dpkg-query", "-W", "-f=${db:Status-Status}", "toviwall"}, env);
  return q.exitCode == 0 && q.out != "not-installed";
}

// The package goes again however the test ends.
struct Removal {
  Env env;
  ~Removal() {
    const RunResult r = Dpkg({"dpkg", "--purge", "toviwall"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_FALSE(Installed(env));
    EXPECT_FALSE(Exists("/usr/bin/toviwall"));
  }
};

TEST(Package, TheDebInstallsRunsFromUsrBinAndItsFilesPassTheirValidators) {
  if (!std::getenv("TOVIWALL_PACKAGE_TEST"))
    GTEST_SKIP() << "installs into the system: set TOVIWALL_PACKAGE_TEST=1 (scripts/test does) to run it";
  if (::geteuid() != 0) GTEST_SKIP() << "installing a package needs root";
  for (const char* tool : {"cpack", "dpkg-shlibdeps", "lintian", "desktop-file-validate", "appstreamcli", "man"})
    RequireProgram(tool);
  TempDir dir("toviwall-package");
  const Env env = PlainEnv(dir.Path());
  if (Installed(env)) GTEST_SKIP() << "toviwall is installed on this machine already; the test would not leave it so";

  MustRun({"cpack", "--config", TOVIWALL_CPACK_CONFIG, "-B", dir / "out"}, env, 600000);
  const std::string deb = dir / "out/toviwall_" TOVIWALL_PACKAGE_VERSION "_amd64.deb";
  ASSERT_TRUE(Exists(deb)) << "no " << deb;
  // Its dependencies come from what the program links, plus the X11 and Wayland platform plugins.
  const std::string depends = MustRun({"dpkg-deb", "-f", deb, "Depends"}, env).out;
  for (const char* package : {"qt6-qpa-plugins", "qt6-wayland", "libqt6widgets6", "libjpeg62-turbo", "libpng16-16", "libxcb1"})
    EXPECT_NE(depends.find(package), std::string::npos) << package << " in " << depends;
  const RunResult lintian = test::Run({"lintian", "--fail-on", "error,warning", deb}, env, 600000);
  EXPECT_EQ(lintian.exitCode, 0) << lintian.out << lintian.err;

  Removal removal{env};
  const RunResult install = Dpkg({"dpkg", "-i", deb}, env);
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  const RunResult version = test::Run({"/usr/bin/toviwall", "--version"}, env);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "Tovi WallChanger 2.3.5 (Build 41)\n");
  const RunResult desktop = test::Run({"desktop-file-validate", "/usr/share/applications/toviwall.desktop"}, env);
  EXPECT_EQ(desktop.exitCode, 0) << desktop.out << desktop.err;
  EXPECT_EQ(desktop.out.find("error"), std::string::npos) << desktop.out;
  const RunResult appstream = test::Run(
      {"appstreamcli", "validate", "--no-net", "/usr/share/metainfo/" TOVIWALL_APP_ID ".metainfo.xml"}, env, 120000);
  EXPECT_EQ(appstream.exitCode, 0) << appstream.out << appstream.err;
  for (const char* size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
    EXPECT_TRUE(Exists(std::string("/usr/share/icons/hicolor/") + size + "/apps/toviwall.png")) << size;
  EXPECT_TRUE(Exists("/usr/share/icons/hicolor/scalable/apps/toviwall.svg"));
  EXPECT_TRUE(Exists("/usr/share/toviwall/toviwall.html"));
  EXPECT_EQ(MustRun({"man", "-w", "toviwall"}, env).out, "/usr/share/man/man1/toviwall.1.gz\n");
  const RunResult completion = test::Run(
      {"bash", "-c",
       "source /usr/share/bash-completion/bash_completion && source /usr/share/bash-completion/completions/toviwall"
       " && COMP_WORDS=(toviwall --ne) COMP_CWORD=1 COMP_LINE='toviwall --ne' COMP_POINT=13"
       " && _toviwall && echo \"${COMPREPLY[*]}\""},
      env);
  EXPECT_EQ(completion.out, "--next\n") << completion.err;

  // The installed program runs, finds its help beside it and takes commands.
  Session session;
  session.WriteProfile();
  Process::Options options;
  options.env = session.Environment();
  options.cwd = session.Home();
  options.logFile = session.Root() / "installed.log";
  auto program = Process::Start({"/usr/bin/toviwall"}, options);
  ASSERT_TRUE(WaitFor([&] { return Exists(session.RuntimeDir() + "/Tovi_WallChanger") || !program->Running(); }) &&
              program->Running())
      << ReadFile(options.logFile);
  const RunResult status = test::Run({"/usr/bin/toviwall", "--status"}, session.Environment());
  EXPECT_EQ(status.exitCode, 0) << status.err;
  EXPECT_NE(status.out.find("settings=" + session.DefaultSettingsFile() + "\n"), std::string::npos) << status.out;
  const RunResult exit = test::Run({"/usr/bin/toviwall", "--exit"}, session.Environment());
  EXPECT_EQ(exit.exitCode, 0) << exit.err;
  EXPECT_EQ(program->Wait(10000), std::optional<int>(0)) << ReadFile(options.logFile);
}

}  // namespace
}  // namespace toviwall
