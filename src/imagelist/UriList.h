#pragma once
// The files a drag from a file manager carries: a "text/uri-list".
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

// The local paths of the list's file URLs, in the list's order, their
// %-escapes decoded to the bytes of the name. Lines may end in CR LF or LF;
// "#" lines are comments. A URL is local when its host is empty, "localhost"
// or `hostName`; anything else (another host, http:, a path with a NUL in it)
// is left out.
std::vector<std::string> LocalPathsOfUriList(std::string_view text, std::string_view hostName);

}  // namespace toviwall
