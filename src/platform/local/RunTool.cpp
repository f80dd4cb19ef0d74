#include "platform/local/RunTool.h"

#include <QProcess>
#include <QStringList>

#include "base/Utf8.h"

namespace toviwall::platform {

ToolResult RunTool(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
  ToolResult result;
  QStringList list;
  for (const auto& a : args) {
    // Qt hands arguments over as text: other bytes would reach the tool changed.
    if (!IsValidUtf8(a)) {
      result.err = "cannot run " + program + ": an argument is not valid UTF-8";
      return result;
    }
    list << QString::fromStdString(a);
  }
  QProcess process;
  process.start(QString::fromStdString(program), list);
  if (!process.waitForStarted(timeoutMs)) {
    result.err = "cannot run " + program + ": " + process.errorString().toStdString();
    return result;
  }
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(1000);
    result.err = program + " did not answer";
    return result;
  }
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  if (!result.ok && TrimLine(result.err).empty())
    result.err = program + " ended with status " + std::to_string(process.exitCode());
  return result;
}

std::string TrimLine(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  std::size_t start = s.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : s.substr(start);
}

}  // namespace toviwall::platform
