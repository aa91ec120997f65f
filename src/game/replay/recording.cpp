// The observer that records the game window's session.
#include "game/replay/recording.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>

#include "game/fingerprint.h"
#include "game/observer.h"
#include "game/options.h"
#include "game/replay/recorder.h"
#include "game/replay/replay_folder.h"

namespace game::replay {
namespace {

struct Session {
  std::optional<Recorder> recorder;
  std::string path;  // empty until the first save in the replays folder names it
  std::time_t began = 0;
  bool inFolder = false;
  bool complained = false;
  std::mutex saving;  // a match end and a closing window may save at once
};
Session session;

void Complain(const std::string& what) {
  if (session.complained) return;
  session.complained = true;
  std::fprintf(stderr, "brazdovar: %s\n", what.c_str());
}

// The file of the first save in the replays folder is created there, and the
// oldest replays beyond the kept number go.
bool NameFileInFolder() {
  const std::string folder = ReplayFolder();
  if (folder.empty()) {
    Complain("cannot keep the replay: neither XDG_STATE_HOME nor HOME is set");
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    Complain("cannot write the replay in " + folder + ": " + error.message());
    return false;
  }
  session.path = NewReplayPath(folder, session.began);
  return true;
}

void Save() {
  const std::lock_guard<std::mutex> hold(session.saving);
  if (!session.recorder->HasFrames()) return;
  const bool first = session.path.empty();
  if (first && !NameFileInFolder()) return;
  const std::string error = session.recorder->Save(session.path);
  if (!error.empty()) {
    Complain("cannot write the replay " + session.path + ": " + error);
  } else if (first && session.inFolder) {
    PruneReplays(std::filesystem::path(session.path).parent_path(), KEPT_REPLAYS);
  }
}

void OnFrameStepEnded(const MatchState&, uint32_t keysHeld) {
  session.recorder->FrameStep(keysHeld);
}

void OnMatchDecided(const MatchState&, std::string_view, int32_t winner) {
  session.recorder->MatchDecided(winner);
  Save();
}

void OnNewMatch(const MatchState&) { session.recorder->NewMatch(); }

void OnProgramEnding(int32_t) {
  session.recorder->SessionEnded();
  Save();
}

}  // namespace

void StartRecording(const std::string& path, std::vector<Computer> computers) {
  session.began = std::time(nullptr);
  Replay header;
  header.gameVersion = GameVersion();
  header.rules = RulesFingerprint();
  header.when = IsoTime(session.began);
  header.computers = std::move(computers);
  session.recorder.emplace(std::move(header));
  session.path = path;
  session.inFolder = path.empty();
  static const Observer observer = {OnFrameStepEnded, OnMatchDecided, OnNewMatch,
                                    OnProgramEnding};
  AddObserver(&observer);
}

}  // namespace game::replay
