// The settings files: XDG folders, reading with errno-level quietness for what
// is simply not there, and the atomic write of the state file.
#include "game/settings/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace game::settings {
namespace {

// $name if it is an absolute path, else $HOME/fallback; empty if neither.
std::string BaseFolder(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return {};
  return std::string(home) + "/" + fallback;
}

std::string InFolder(const std::string& base, const char* file) {
  return base.empty() ? std::string() : base + "/brazdovar/" + file;
}

// mkdir -p of the folders above `path`.
bool MakeParents(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(c));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

Paths FindPaths() {
  return {InFolder(BaseFolder("XDG_CONFIG_HOME", ".config"), "settings.toml"),
          InFolder(BaseFolder("XDG_STATE_HOME", ".local/state"), "state.toml")};
}

std::optional<std::string> ReadFileText(const std::string& path, Problems& problems) {
  if (path.empty()) return std::nullopt;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR && errno != EACCES) {
      problems.push_back(path + ": " + std::strerror(errno));
    }
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problems.push_back(path + ": " + std::strerror(errno));
      close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, size_t(n));
  }
  close(fd);
  return text;
}

std::string StateText(const Settings& settings) {
  std::ostringstream text;
  text << "# Written by brazdovar when it ends: what it remembers between "
          "runs.\n"
       << "# Your own settings go in settings.toml beside your other "
          "configuration.\n"
       << "\n[window]\n"
       << "full_screen = " << (settings.fullScreen.value ? "true" : "false") << "\n"
       << "width = " << settings.windowWidth.value << "\n"
       << "height = " << settings.windowHeight.value << "\n"
       << "\n[sound]\n"
       << "enabled = " << (settings.soundOn.value ? "true" : "false") << "\n"
       << "\n[online]\n"
       << "last_host = " << Quoted(settings.lastHost.value) << "\n";
  return text.str();
}

std::string WriteFileAtomically(const std::string& path, const std::string& text) {
  if (path.empty()) return "no folder for the state file ($XDG_STATE_HOME and $HOME unset)";
  std::string temporary = path + ".XXXXXX";
  int fd = -1;
  if (MakeParents(path)) fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return path + ": " + std::strerror(errno);
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    const int failure = written ? errno : error;
    unlink(temporary.c_str());
    return path + ": " + std::strerror(failure);
  }
  return {};
}

}  // namespace game::settings
