#pragma once
// Runs a desktop's own command-line tool to its end, with a time limit, and
// hands back what it printed: the backends report its own message on failure.
#include <string>
#include <vector>

namespace toviwall::platform {

struct ToolResult {
  bool ok = false;  // started, ended by itself with status 0
  std::string out;
  std::string err;  // the tool's message, or why it could not run
};

// Arguments that are not valid UTF-8 are refused: the tool would get others.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& args, int timeoutMs = 10000);

// The text without trailing line ends and surrounding blanks.
std::string TrimLine(std::string s);

}  // namespace toviwall::platform
