#include "platform/gnome/GSettingsWallpaper.h"

#include "platform/local/RunTool.h"

#include <cctype>
#include <stdexcept>

namespace toviwall::platform {
namespace {

ToolResult RunGSettings(const std::vector<std::string>& args) { return RunTool("gsettings", args); }

std::string Trim(const std::string& s) { return TrimLine(s); }

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PictureOptionsFor(const std::string& file, WallpaperStyle style) {
  if (file.empty()) return "none";
  switch (style) {
    case WallpaperStyle::Tiled: return "wallpaper";
    case WallpaperStyle::Stretched: return "stretched";
    case WallpaperStyle::Spanned: return "spanned";
    case WallpaperStyle::Centred: break;
  }
  return "centered";
}

std::string FileUriFor(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '/') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

std::string PathFromUri(const std::string& uri) {
  constexpr std::string_view scheme = "file://";
  if (uri.size() < scheme.size()) return uri;
  for (std::size_t i = 0; i < scheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(uri[i])) != scheme[i]) return uri;
  std::string rest = uri.substr(scheme.size());
  // An authority other than this machine names no local file.
  std::size_t slash = rest.find('/');
  std::string host = rest.substr(0, slash);
  if (slash == std::string::npos || (!host.empty() && host != "localhost")) return uri;
  rest.erase(0, slash);
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

std::string GVariantString(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

// GVariant's own escapes (C's, \u and \U), inside its quotes: not a key file's.
std::optional<std::string> ParseGVariantString(const std::string& text) {
  std::string s = Trim(text);
  if (s.rfind("@s ", 0) == 0) s = Trim(s.substr(3));
  if (s.size() < 2 || (s[0] != '\'' && s[0] != '"') || s.back() != s[0]) return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c != '\\' || i + 2 >= s.size()) {
      out += c;
      continue;
    }
    char e = s[++i];
    switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'f': out += '\f'; break;
      case 'v': out += '\v'; break;
      case 'b': out += '\b'; break;
      case 'a': out += '\a'; break;
      case 'u':
      case 'U': {
        std::size_t digits = e == 'u' ? 4 : 8;
        unsigned long cp = 0;
        std::size_t n = 0;
        for (; n < digits && i + 1 + n + 1 < s.size() && HexValue(s[i + 1 + n]) >= 0; ++n)
          cp = cp * 16 + static_cast<unsigned long>(HexValue(s[i + 1 + n]));
        if (n != digits) return std::nullopt;
        AppendUtf8(out, cp);
        i += digits;
        break;
      }
      default: out += e;  // \\ \' \" and anything else stand for themselves
    }
  }
  return out;
}

std::optional<GSettingsWallpaper::Keys> GSettingsWallpaper::Probe(const std::string& schema) {
  ToolResult r = RunGSettings({"list-keys", schema});
  if (!r.ok) return std::nullopt;
  Keys keys{schema};
  bool uri = false;
  std::size_t pos = 0;
  while (pos < r.out.size()) {
    std::size_t end = r.out.find('\n', pos);
    std::string key = Trim(r.out.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (key == "picture-uri") uri = true;
    if (key == "picture-uri-dark") keys.darkUri = true;
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  if (!uri) return std::nullopt;
  return keys;
}

void GSettingsWallpaper::WriteValues(const std::string& file, WallpaperStyle style) {
  const std::string uri = file.empty() ? std::string() : FileUriFor(file);
  WriteGSettingsKey(keys_.schema, "picture-uri", GVariantString(uri));
  if (keys_.darkUri) WriteGSettingsKey(keys_.schema, "picture-uri-dark", GVariantString(uri));
  WriteGSettingsKey(keys_.schema, "picture-options", GVariantString(PictureOptionsFor(file, style)));
}

void GSettingsWallpaper::Reload() { AnnounceSettingsChange(); }

std::optional<std::string> GSettingsWallpaper::ReadWallpaper() {
  const auto values = ReadGSettingsSchema(keys_.schema);
  if (!values || !values->count("picture-uri")) return std::nullopt;
  const std::optional<std::string> uri = ParseGVariantString(values->at("picture-uri"));
  if (!uri) return std::nullopt;
  const auto options = values->find("picture-options");
  if (uri->empty() || (options != values->end() && ParseGVariantString(options->second) == "none"))
    return std::string();
  return PathFromUri(*uri);
}

std::optional<std::map<std::string, std::string>> ReadGSettingsSchema(const std::string& schema) {
  // One process for every key: lines "<schema> <key> <value>".
  ToolResult r = RunGSettings({"list-recursively", schema});
  if (!r.ok) return std::nullopt;
  std::map<std::string, std::string> values;
  std::size_t pos = 0;
  while (pos < r.out.size()) {
    std::size_t end = r.out.find('\n', pos);
    if (end == std::string::npos) end = r.out.size();
    const std::string line = r.out.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t keyStart = line.find(' ');
    const std::size_t valueStart = keyStart == std::string::npos ? keyStart : line.find(' ', keyStart + 1);
    if (valueStart == std::string::npos || line.compare(0, keyStart, schema) != 0) continue;
    values[line.substr(keyStart + 1, valueStart - keyStart - 1)] = line.substr(valueStart + 1);
  }
  return values;
}

void WriteGSettingsKey(const std::string& schema, const std::string& key, const std::string& value) {
  ToolResult r = RunGSettings({"set", schema, key, value});
  if (!r.ok) throw std::runtime_error("Cannot set " + schema + " " + key + ": " + Trim(r.err));
}

}  // namespace toviwall::platform
