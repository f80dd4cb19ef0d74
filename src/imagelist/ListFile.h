#pragma once
// The image list file (".lst"): one path per line, CR LF after every line, the
// bytes of each path as they are; an empty list is an empty file.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toviwall {

class PathSet;

// "Cannot open file <path>" / "Cannot create file <path>".
class ListFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Cuts a list file's text into lines at CR LF, lone CR and lone LF; a NUL ends
// the text; a break at the very end makes no empty last line, empty lines
// inside are kept.
std::vector<std::string> SplitListText(std::string_view text);

// Adds the lines of the file to `into`. A missing file adds nothing; a file that
// exists but cannot be read raises ListFileError.
void MergeListFile(const std::string& path, PathSet& into);

// Replaces the whole file with `count` paths, path i being `pathAt(i)`; nothing
// for an empty target path. The old file stays whole when writing fails, which
// raises ListFileError.
void SaveImageList(const std::string& path, std::size_t count,
                   const std::function<std::string_view(std::size_t)>& pathAt);
void SaveImageList(const std::string& path, const std::vector<std::string>& paths);

// True when the list file can hold the path: a CR or LF in a name would end its
// line early.
bool FitsListFile(std::string_view path);

// Takes over the legacy "Images" section of the settings file once: its
// "key=value" lines go to `into` unchanged and the section is erased, but only
// once the list file `listFile` holds them beside its own lines (without a list
// file the section stays).
void MigrateImagesSection(const std::string& settingsFile, const std::string& listFile, PathSet& into);

}  // namespace toviwall
