// The game program on a real window: the opening frame, driving, the match-over
// screen and its answers, closing (also while a sprite read blocks; every stage
// of start-up on the headless back end is in game/close_test.cpp), running
// without its sprites, the installed game finding its sprites from any working
// directory, and two games playing online, each on an X server of its own.
// Expected pictures are composed from the sprite files and the font table and
// compared with the window pixel by pixel; only the turned tanks are checked by
// colour.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app_fixture.h"
#include "free_port.h"
#include "reference_pictures.h"

namespace e2e {
namespace {

constexpr int TANK_SIZE = 48;
const Rect kGreenStart{488, 216, TANK_SIZE, TANK_SIZE};
const Rect kBlueStart{104, 216, TANK_SIZE, TANK_SIZE};

constexpr const char* GREEN_SHOT_BIRD = "Zeleni tenk je ubio pticu. Plavi je pobedio.";
constexpr int GREEN_SHOT_BIRD_X = 143;  // (639 - 8 * 44) / 2
constexpr int MESSAGE_Y = 235;
constexpr const char* PROMPT = "Pritisni SPACE za novu igru ili ESC za izlazak iz programa!";
constexpr int PROMPT_X = 83, PROMPT_Y = 463;
constexpr uint32_t BLUE_TEXT = 0x0000FF, WHITE = 0xFFFFFF;

bool AnyPicture(const Snapshot&) { return true; }

std::string Asset(const char* name) { return std::string(E2E_ASSETS_DIR) + "/" + name; }

bool Inside(const Rect& r, int x, int y) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

// Differences between two whole pictures, leaving out the given areas.
int DifferencesOutside(const Snapshot& actual, const Snapshot& expected,
                       std::initializer_list<Rect> skipped) {
  if (actual.width != expected.width || actual.height != expected.height) return INT_MAX;
  int differences = 0;
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const bool skip = std::any_of(skipped.begin(), skipped.end(),
                                    [&](const Rect& r) { return Inside(r, x, y); });
      if (!skip && actual.At(x, y) != expected.At(x, y)) ++differences;
    }
  }
  return differences;
}

// The bounding box of the pixels whose colour is in `colours`; width 0 if none.
Rect BoundsOf(const Snapshot& s, const std::set<uint32_t>& colours) {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      if (!colours.contains(s.At(x, y))) continue;
      left = std::min(left, x), top = std::min(top, y);
      right = std::max(right, x), bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return Rect{};
  return Rect{left, top, right - left + 1, bottom - top + 1};
}

int CountColours(const Snapshot& s, const Rect& area, const std::set<uint32_t>& colours) {
  int count = 0;
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x) count += colours.contains(s.At(x, y));
  }
  return count;
}

std::set<uint32_t> Without(std::set<uint32_t> colours, const std::set<uint32_t>& others) {
  for (uint32_t colour : others) colours.erase(colour);
  return colours;
}

class GameTest : public AppTest {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X server: run under xvfb-run";
    const auto block = ReadBmp(Asset("blok.bmp"));
    const auto bird = ReadBmp(Asset("ptica.bmp"));
    const auto tank = ReadBmp(Asset("tank.bmp")), tank2 = ReadBmp(Asset("tank2.bmp"));
    const auto tank3 = ReadBmp(Asset("tank3.bmp")), tank4 = ReadBmp(Asset("tank4.bmp"));
    ASSERT_TRUE(block && bird && tank && tank2 && tank3 && tank4) << "sprites in " E2E_ASSETS_DIR;
    const auto font = ReadFont(E2E_FONT_FILE);
    ASSERT_TRUE(font) << E2E_FONT_FILE;
    font_ = *font;

    opening_ = OpeningWithoutTanks(*block, *bird);

    // Colours that only one tank has tell the tanks apart wherever they turn.
    auto green = ColoursOf(*tank), blue = ColoursOf(*tank3);
    green.merge(ColoursOf(*tank2));
    blue.merge(ColoursOf(*tank4));
    greenOnly_ = Without(Without(green, blue), ColoursOf(opening_));
    blueOnly_ = Without(Without(blue, green), ColoursOf(opening_));
    ASSERT_FALSE(greenOnly_.empty() || blueOnly_.empty()) << "the tanks share every colour";
    greenPixels_ = CountColours(*tank, Rect{0, 0, tank->width, tank->height}, greenOnly_);
    bluePixels_ = CountColours(*tank3, Rect{0, 0, tank3->width, tank3->height}, blueOnly_);
  }

  // The opening frame without its tanks: walls in drawing order, then the bird.
  static Snapshot OpeningWithoutTanks(const Snapshot& block, const Snapshot& bird) {
    Snapshot picture = BlackPicture(WIDTH, HEIGHT);
    for (int x = 0; x <= 639; x += 32) {
      Paint(picture, block, x, 0, false);
      Paint(picture, block, x, 447, false);
    }
    for (int y = 32; y <= 447; y += 32) {
      Paint(picture, block, 0, y, false);
      Paint(picture, block, 607, y, false);
    }
    Paint(picture, bird, 304, 224, true);
    return picture;
  }

  void LaunchGame() {
    Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE,
           [this](const Snapshot& s) { return IsOpening(s); });
  }

  // Walls and bird exactly, and each tank (turned, so by colour) at its start.
  bool IsOpening(const Snapshot& s) const { return IsOpeningLike(s, opening_); }
  bool IsOpeningLike(const Snapshot& s, const Snapshot& withoutTanks) const {
    return DifferencesOutside(s, withoutTanks, {kGreenStart, kBlueStart}) == 0 &&
           TankAt(s, kGreenStart, greenOnly_, greenPixels_) &&
           TankAt(s, kBlueStart, blueOnly_, bluePixels_);
  }

  // The tank's own colours lie within the 32 x 32 picture placed at (8, 8) of its
  // 48 x 48 box (a pixel more for the rounding of the turn), and most of its
  // pixels are there: a turned picture may lose a few.
  static bool TankAt(const Snapshot& s, const Rect& box, const std::set<uint32_t>& colours,
                     int pixels) {
    const Rect inner{box.x + 7, box.y + 7, 34, 34};
    const Rect bounds = BoundsOf(s, colours);
    return bounds.width > 0 && bounds.x >= inner.x && bounds.y >= inner.y &&
           bounds.x + bounds.width <= inner.x + inner.width &&
           bounds.y + bounds.height <= inner.y + inner.height &&
           CountColours(s, box, colours) * 4 >= pixels * 3;
  }

  Snapshot MatchOver(std::string_view message, int x, uint32_t rgb) const {
    Snapshot picture = BlackPicture(WIDTH, HEIGHT);
    PaintText(picture, font_, message, x - 1, MESSAGE_Y, WHITE);
    PaintText(picture, font_, message, x, MESSAGE_Y, rgb);
    PaintText(picture, font_, PROMPT, PROMPT_X, PROMPT_Y, WHITE);
    return picture;
  }

  // Green fires at the start: its shot flies straight into the bird, so blue wins.
  void ShootTheBird(KeySym fire = XK_Control_L) {
    const Snapshot expected = MatchOver(GREEN_SHOT_BIRD, GREEN_SHOT_BIRD_X, BLUE_TEXT);
    x_.Focus(window_);
    HeldKey key(x_, fire);
    ExpectPicture(
        [&](const Snapshot& s) {
          return CountDifferences(PageOf(s), expected, {0, 0, WIDTH, HEIGHT}) == 0;
        },
        "the match-over screen after green shot the bird");
  }

  // The page as a window of any size shows it (at the largest whole scale that
  // fits, centred), read back one window pixel per page pixel.
  static Snapshot PageOf(const Snapshot& s) {
    const int scale = std::min(s.width / WIDTH, s.height / HEIGHT);
    if (scale < 1 || (s.width == WIDTH && s.height == HEIGHT)) return s;
    const int left = (s.width - WIDTH * scale) / 2, top = (s.height - HEIGHT * scale) / 2;
    Snapshot page = BlackPicture(WIDTH, HEIGHT);
    for (int y = 0; y < HEIGHT; ++y) {
      for (int x = 0; x < WIDTH; ++x) {
        page.pixels[size_t(y) * WIDTH + size_t(x)] = s.At(left + x * scale, top + y * scale);
      }
    }
    return page;
  }

  Font font_{};
  Snapshot opening_;
  std::set<uint32_t> greenOnly_, blueOnly_;
  int greenPixels_ = 0, bluePixels_ = 0;
};

// The opening frame, then Up held, then a close request mid-match.
TEST_F(GameTest, OpeningFrameThenUpDrivesTheGreenTankLeftAndACloseRequestEnds) {
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  const Snapshot before =
      ExpectPicture([this](const Snapshot& p) { return IsOpening(p); }, "the opening frame");
  // Row 479 and column 639 beside the right wall stay black: the wall sits at
  // 447 and 607, not 448 and 608.
  EXPECT_EQ(before.CountNonBlack({0, 479, WIDTH, 1}), 0);
  EXPECT_EQ(before.CountNonBlack({639, 32, 1, 415}), 0);
  const Rect green = BoundsOf(before, greenOnly_);
  const Rect blue = BoundsOf(before, blueOnly_);
  x_.Focus(window_);
  HeldKey up(x_, XK_Up);
  // Heading 90 is toward smaller x. The tank keeps its row (to a pixel: the
  // heading is turned with 3.14, not pi) and blue stays where it was.
  const Snapshot after = ExpectPicture(
      [&](const Snapshot& p) {
        const Rect moved = BoundsOf(p, greenOnly_);
        return moved.width > 0 && moved.x <= green.x - 20;
      },
      "the green tank to move left");
  const Rect moved = BoundsOf(after, greenOnly_);
  EXPECT_NEAR(moved.y, green.y, 1);
  EXPECT_NEAR(moved.height, green.height, 1);
  const Rect blueAfter = BoundsOf(after, blueOnly_);
  EXPECT_EQ(blueAfter.x, blue.x);
  EXPECT_EQ(blueAfter.y, blue.y);
  // A close request while the tank drives ends the game with status 0.
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  ExpectExitZero("a close request mid-match");
}

// Space on the match-over screen starts a new match, Esc on the next one ends the
// game with status 0 after its one-second pause.
TEST_F(GameTest, GreenShootingTheBirdShowsBlueWinsSpaceStartsANewMatchAndEscEnds) {
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  ShootTheBird();
  {
    HeldKey space(x_, XK_space);
    ExpectPicture([this](const Snapshot& p) { return IsOpening(p); },
                  "a new match from the start positions");
  }
  ShootTheBird();
  const auto pressed = std::chrono::steady_clock::now();
  HeldKey esc(x_, XK_Escape);
  ExpectExitZero("Esc");
  EXPECT_GE(std::chrono::steady_clock::now() - pressed, 1000ms) << "the one-second pause";
}

// The player's settings bind green's fire to Return: Ctrl no longer fires, Return
// does. F11 is remembered: the next run opens in full screen, where a settings
// file that does not parse costs one line on stderr, the built-in keys play, and
// the file stays byte for byte as it was.
TEST_F(GameTest, SettingsBindReturnTheNextRunRemembersFullScreenABadFileIsReportedAndKept) {
  const std::string settings = settingsHome_ + "/config/brazdovar/settings.toml";
  std::filesystem::create_directories(settingsHome_ + "/config/brazdovar");
  std::ofstream(settings) << "[keys.green]\nfire = [\"Return\"]\n";
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  x_.Focus(window_);
  {
    HeldKey ctrl(x_, XK_Control_L);
    bool changed = false;  // a shot from the start reaches the bird in under a second
    WaitForPicture([this](const Snapshot& s) { return !IsOpening(s); }, 1500ms, &changed);
    EXPECT_FALSE(changed) << "Ctrl still fired";
  }
  ShootTheBird(XK_Return);
  const Rect root = x_.RootGeometry();
  const auto fullScreen = [root](const Snapshot& s) {
    return s.width == root.width && s.height == root.height;
  };
  { HeldKey f11(x_, XK_F11); }
  ExpectPicture(fullScreen, "full screen after F11");
  {
    HeldKey esc(x_, XK_Escape);
    ExpectExitZero("Esc");
  }
  EXPECT_NE(ReadWhole(settingsHome_ + "/state/brazdovar/state.toml").find("full_screen = true"),
            std::string::npos);

  const std::string bad = "[keys.green]\nfire = [\"Return\"\n";
  std::ofstream(settings, std::ios::trunc) << bad;
  const std::string errors = settingsHome_ + "/errors.txt";
  Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, fullScreen, {}, errors);
  if (HasFatalFailure()) return;
  ShootTheBird(XK_Control_L);
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  ExpectExitZero("a close request");
  const std::string printed = ReadWhole(errors);
  EXPECT_EQ(printed.rfind("brazdovar: " + settings + ":", 0), 0u) << printed;
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  EXPECT_EQ(ReadWhole(settings), bad);
}

// A match played in the window is kept in the replays folder; brazdovar-sim plays
// it to the same end, and the game's --replay drives the tanks to the same
// match-over screen, pausing on Space and leaving on Esc.
TEST_F(GameTest, APlayedMatchIsKeptAndItsReplayEndsTheSameInTheSimAndInTheWindow) {
  LaunchGame();
  if (HasFatalFailure() || IsSkipped()) return;
  // Green gathers some speed and coasts into the bird: a match of a few seconds.
  const std::string message = "Zeleni tenk je pregazio pticu. Plavi je pobedio.";
  const Snapshot matchOver =
      MatchOver(message, (639 - 8 * static_cast<int>(message.size())) / 2, BLUE_TEXT);
  const PictureTest isMatchOver = [&](const Snapshot& s) {
    return CountDifferences(s, matchOver, {0, 0, WIDTH, HEIGHT}) == 0;
  };
  x_.Focus(window_);
  {
    HeldKey up(x_, XK_Up);
    std::this_thread::sleep_for(600ms);
  }
  ExpectPicture(isMatchOver, "green to run over the bird");
  {
    HeldKey esc(x_, XK_Escape);
    ExpectExitZero("Esc");
  }

  std::vector<std::filesystem::path> kept;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(
           settingsHome_ + "/state/brazdovar/replays", error)) {
    kept.push_back(entry.path());
  }
  ASSERT_EQ(kept.size(), 1u) << "replays in " << settingsHome_ << " " << error.message();
  const std::string replay = kept[0].string();
  EXPECT_EQ(kept[0].extension(), ".replay");

  FILE* sim = popen(("cd '" E2E_ASSETS_DIR "' && timeout -s KILL 60 '" E2E_SIM_PATH
                     "' --replay='" + replay + "'").c_str(), "r");
  ASSERT_NE(sim, nullptr);
  std::vector<std::string> lines(1);
  for (int c; (c = std::fgetc(sim)) != EOF;) {
    if (c == '\n') lines.emplace_back(); else lines.back() += static_cast<char>(c);
  }
  EXPECT_EQ(pclose(sim), 0);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[lines.size() - 3].find("\"event\":\"match_end\""), std::string::npos);
  EXPECT_NE(lines[lines.size() - 3].find(message), std::string::npos);
  EXPECT_NE(lines[lines.size() - 2].find("\"event\":\"program_end\""), std::string::npos);

  child_.reset();
  Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, [this](const Snapshot& s) { return IsOpening(s); },
         {"--replay=" + replay});
  if (HasFatalFailure() || IsSkipped()) return;
  const Rect green = BoundsOf(ExpectPicture([this](const Snapshot& p) { return IsOpening(p); },
                                            "the opening frame"),
                              greenOnly_);
  ExpectPicture(
      [&](const Snapshot& p) {
        const Rect moved = BoundsOf(p, greenOnly_);
        return moved.width > 0 && moved.x <= green.x - 10;
      },
      "the replayed green tank to drive");
  x_.Focus(window_);
  // Held for a few frame steps, which read the keys as they stand.
  const auto tapSpace = [this] {
    HeldKey space(x_, XK_space);
    std::this_thread::sleep_for(150ms);
  };
  tapSpace();
  std::this_thread::sleep_for(100ms);
  const auto paused = x_.Capture(window_);
  std::this_thread::sleep_for(400ms);
  const auto later = x_.Capture(window_);
  ASSERT_TRUE(paused && later);
  EXPECT_EQ(CountDifferences(*later, *paused, {0, 0, WIDTH, HEIGHT}), 0) << "paused";
  EXPECT_FALSE(isMatchOver(*later)) << "the replay paused before its match ended";
  tapSpace();
  ExpectPicture(isMatchOver, "the replay's match-over screen");
  HeldKey esc(x_, XK_Escape);
  ExpectExitZero("Esc on the replay's match-over screen");
}

TEST_F(GameTest, WithoutItsSpritesTheGameStillPlaysAndClosesWithStatusZero) {
  // A copy of the game outside the build tree and any installed prefix, started
  // in an empty folder, finds no sprite anywhere.
  TemporaryDirectory empty;
  ASSERT_FALSE(empty.path().empty());
  const std::string game = empty.path() + "/brazdovar";
  ASSERT_TRUE(std::filesystem::copy_file(E2E_GAME_PATH, game));
  Launch(game, empty.path(), TITLE, AnyPicture);
  if (HasFatalFailure() || IsSkipped()) return;
  // Nothing can be drawn, but the hit boxes are fixed: the frame steps run, and
  // green's invisible shot still hits the invisible bird.
  // (Waited for: until the game's first present, the new window may still show
  // what the X server had there before.)
  ExpectPicture([](const Snapshot& p) { return p.CountNonBlack({0, 0, WIDTH, HEIGHT}) == 0; },
                "an all-black page");
  ShootTheBird();
  ASSERT_TRUE(x_.SendCloseRequest(window_));  // the SDL close on the match-over screen
  ExpectExitZero("a close request on the match-over screen without sprites");
}

// The installed game (cmake --install into a prefix of the build's own) started
// outside the build tree reads the bird and the tanks from its data folder, and a
// sprite in the working directory wins over the installed one: here the bird's
// picture, named like the wall block, builds the walls.
TEST_F(GameTest, TheInstalledGameFindsItsSpritesAndOneInTheWorkingDirectoryWins) {
  TemporaryDirectory folder;
  ASSERT_FALSE(folder.path().empty());
  ASSERT_TRUE(std::filesystem::copy_file(Asset("ptica.bmp"), folder.path() + "/blok.bmp"));
  const auto bird = ReadBmp(Asset("ptica.bmp"));
  ASSERT_TRUE(bird);
  const Snapshot birdWalls = OpeningWithoutTanks(*bird, *bird);
  Launch(E2E_INSTALLED_GAME, folder.path(), TITLE,
         [&](const Snapshot& s) { return IsOpeningLike(s, birdWalls); });
  if (HasFatalFailure() || IsSkipped()) return;
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  ExpectExitZero("a close request");
}

// `brazdovar --computer`: blue is the computer's.
class ComputerGameTest : public GameTest {
 protected:
  void LaunchAgainstTheComputer() {
    Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, [this](const Snapshot& s) { return IsArena(s); },
           {"--computer"});
  }

  // The walls exactly and green, which nobody drives, at its start; blue and its
  // shots may be anywhere inside the walls.
  bool IsArena(const Snapshot& s) const {
    return DifferencesOutside(s, opening_, {Rect{32, 32, 575, 415}}) == 0 &&
           TankAt(s, kGreenStart, greenOnly_, greenPixels_);
  }

  // The computer shoots the idle green tank: blue's win.
  void ExpectBlueWins() {
    const Snapshot expected = MatchOver(BLUE_SHOT_GREEN, BLUE_SHOT_GREEN_X, BLUE_TEXT);
    ExpectPicture(
        [&](const Snapshot& s) {
          return CountDifferences(s, expected, {0, 0, WIDTH, HEIGHT}) == 0;
        },
        "the match-over screen after the computer shot green");
  }

  static constexpr const char* BLUE_SHOT_GREEN = "Plavi tenk je ubio zelenog. Plavi je pobedio.";
  static constexpr int BLUE_SHOT_GREEN_X = 139;  // (639 - 8 * 45) / 2
};

TEST_F(ComputerGameTest, BlueDrivesItselfAndTheMatchOverScreenAnswersSpaceAndEsc) {
  LaunchAgainstTheComputer();
  if (HasFatalFailure() || IsSkipped()) return;
  x_.Focus(window_);
  ExpectPicture(
      [this](const Snapshot& p) {
        const Rect blue = BoundsOf(p, blueOnly_);
        return IsArena(p) && blue.width > 0 && (blue.x > kBlueStart.x + 20 ||
                                                 std::abs(blue.y - (kBlueStart.y + 8)) > 20);
      },
      "the blue tank to move with no key held");
  ExpectBlueWins();
  {
    HeldKey space(x_, XK_space);
    ExpectPicture([this](const Snapshot& p) { return IsArena(p); }, "a new match");
  }
  ExpectBlueWins();
  HeldKey esc(x_, XK_Escape);
  ExpectExitZero("Esc after a match against the computer");
}

// Online play between two games, each on an X server of its own (the test's and
// a second Xvfb), over 127.0.0.1.
class OnlineGameTest : public GameTest {
 protected:
  static void SetUpTestSuite() {
    // -displayfd: the server picks a free display number and writes it to fd 3.
    const std::string numberFile = ::testing::TempDir() + "online-e2e-display";
    std::filesystem::remove(numberFile);
    xvfb_ = new ChildProcess(
        "/bin/sh", "/",
        {"-c", "exec Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3>'" + numberFile + "'"});
    const auto deadline = std::chrono::steady_clock::now() + START_TIMEOUT;
    while (std::chrono::steady_clock::now() < deadline && xvfb_->Running()) {
      const std::string number = ReadWhole(numberFile);
      if (number.ends_with('\n')) {
        display_ = ":" + number.substr(0, number.size() - 1);
        return;
      }
      std::this_thread::sleep_for(20ms);
    }
  }
  static void TearDownTestSuite() {
    // Asked to end, the server removes its socket and lock file.
    if (xvfb_->Running()) kill(xvfb_->pid(), SIGTERM);
    xvfb_->WaitForExit(EXIT_TIMEOUT);
    delete xvfb_;
  }

  // The host here, on the test's X server, waiting on a free port; the joiner on
  // the second server, with settings and state folders of its own.
  void LaunchPair() {
    ASSERT_FALSE(display_.empty()) << "the second X server did not start";
    const uint16_t port = e2e::FreeLoopbackUdpPort();
    ASSERT_NE(port, 0);
    const std::string waiting = "Cekam drugog igraca na portu " + std::to_string(port) + "...";
    const Snapshot waitingPage = Notice(waiting);
    const auto isWaiting = [&](const Snapshot& s) {
      return CountDifferences(s, waitingPage, {0, 0, WIDTH, HEIGHT}) == 0;
    };
    Launch(E2E_GAME_PATH, E2E_ASSETS_DIR, TITLE, isWaiting, {"--host=" + std::to_string(port)});
    if (HasFatalFailure() || IsSkipped()) return;
    joinX_.emplace(display_.c_str());
    ASSERT_TRUE(joinX_->ok()) << "cannot connect to " << display_;
    const std::string home = settingsHome_ + "/joiner";
    joiner_.emplace("/usr/bin/env", E2E_ASSETS_DIR,
                    std::vector<std::string>{"DISPLAY=" + display_,
                                             "XDG_CONFIG_HOME=" + home + "/config",
                                             "XDG_STATE_HOME=" + home + "/state", E2E_GAME_PATH,
                                             "--join=127.0.0.1:" + std::to_string(port)});
    joinWindow_ = joinX_->FindWindow(TITLE, joiner_->pid(), START_TIMEOUT);
    ASSERT_NE(joinWindow_, 0u) << "the joiner's window";
    ASSERT_TRUE(BothShow([this](const Snapshot& h, const Snapshot& j) {
      return IsOpening(h) && IsOpening(j);
    })) << "the opening frame on both screens";
  }

  // Polls both windows until `accept` takes the two pictures or PICTURE_TIMEOUT passes.
  bool BothShow(const std::function<bool(const Snapshot&, const Snapshot&)>& accept) {
    const auto deadline = std::chrono::steady_clock::now() + PICTURE_TIMEOUT;
    std::optional<Snapshot> host, joiner;
    do {
      if (auto h = x_.Capture(window_)) host = std::move(h);
      if (auto j = joinX_->Capture(joinWindow_)) joiner = std::move(j);
      if (host && joiner && accept(*host, *joiner)) return true;
      std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    Saved(host), Saved(joiner);
    return false;
  }

  Snapshot Notice(std::string_view text) const {
    Snapshot picture = BlackPicture(WIDTH, HEIGHT);
    const int x = (639 - 8 * static_cast<int>(text.size())) / 2;
    PaintText(picture, font_, text, x, MESSAGE_Y, WHITE);
    return picture;
  }

  // The other side's window shows that this one left and ends with status 0.
  void ExpectLeftNotice(XSession& x, Window window, ChildProcess& game, const char* what) {
    const auto from = std::chrono::steady_clock::now();
    const Snapshot notice = Notice("Drugi igrac je izasao iz igre.");
    bool shown = false;
    const auto deadline = from + PICTURE_TIMEOUT;
    while (!shown && std::chrono::steady_clock::now() < deadline) {
      const auto s = x.Capture(window);
      shown = s && CountDifferences(*s, notice, {0, 0, WIDTH, HEIGHT}) == 0;
      std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(shown) << what << ": no notice that the other player left";
    // Well within the 3 s after which silence alone would end the session.
    EXPECT_LT(std::chrono::steady_clock::now() - from, 1500ms) << what;
    e2e::ExpectExitZero(game, std::string(what) + ", the other side");
  }

  static inline ChildProcess* xvfb_ = nullptr;
  static inline std::string display_;
  std::optional<XSession> joinX_;
  std::optional<ChildProcess> joiner_;
  Window joinWindow_ = 0;
};

// Up held on the host drives green on both screens; at rest the two pages are
// the same pixel for pixel. Esc on the joiner ends both.
TEST_F(OnlineGameTest, KeysOnOneSideShowOnBothAtRestThePagesAgreeAndEscEndsBoth) {
  LaunchPair();
  if (HasFatalFailure() || IsSkipped()) return;
  x_.Focus(window_);
  {
    HeldKey up(x_, XK_Up);
    ASSERT_TRUE(BothShow([this](const Snapshot& h, const Snapshot& j) {
      const Rect onHost = BoundsOf(h, greenOnly_), onJoiner = BoundsOf(j, greenOnly_);
      return onHost.width > 0 && onHost.x <= kGreenStart.x - 20 && onJoiner.width > 0 &&
             onJoiner.x <= kGreenStart.x - 20;
    })) << "green to move left on both screens";
  }
  std::optional<Snapshot> previous;
  EXPECT_TRUE(BothShow([&](const Snapshot& h, const Snapshot& j) {
    const bool still = previous && CountDifferences(h, *previous, {0, 0, WIDTH, HEIGHT}) == 0;
    previous = h;
    return still && CountDifferences(h, j, {0, 0, WIDTH, HEIGHT}) == 0;
  })) << "the same page on both screens once green stands";
  joinX_->Focus(joinWindow_);
  HeldKey esc(*joinX_, XK_Escape);
  ExpectLeftNotice(x_, window_, *child_, "Esc on the joiner");
  e2e::ExpectExitZero(*joiner_, "the joiner after Esc");
}

// Closing the host's window mid-match tells the joiner at once.
TEST_F(OnlineGameTest, ClosingOneWindowTellsTheOtherSideAtOnce) {
  LaunchPair();
  if (HasFatalFailure() || IsSkipped()) return;
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  ExpectLeftNotice(*joinX_, joinWindow_, *joiner_, "the host's window closed");
  ExpectExitZero("a close request mid-session");
}

// A close that comes while a sprite read blocks (a named pipe called like a
// sprite, filled only after the close) ends the real game within a second of the
// read. (Every other stage of start-up is closed in game/close_test.cpp.)
TEST_F(GameTest, CloseRequestWhileASpriteReadBlocksEndsWithinASecond) {
  TemporaryDirectory directory;  // removes the pipe with it
  ASSERT_FALSE(directory.path().empty());
  const std::string pipePath = directory.path() + "/tank.bmp";
  ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
  const std::string bytes = ReadWhole(Asset("tank.bmp"));
  Launch(E2E_GAME_PATH, directory.path(), TITLE, AnyPicture);
  if (HasFatalFailure() || IsSkipped()) return;
  ASSERT_TRUE(x_.SendCloseRequest(window_));
  std::this_thread::sleep_for(300ms);
  const int fd = open(pipePath.c_str(), O_WRONLY);  // the game is waiting to read it
  ASSERT_GE(fd, 0);
  EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  close(fd);
  ExpectExitZero("a close while a sprite read blocked", 1000ms);
}

// A close request sent as soon as the window can be found by its title ends
// the game with status 0, start after start: no moment of start-up loses it.
TEST_F(GameTest, ACloseAsSoonAsTheWindowCanBeFoundEndsTheGameEveryTime) {
  ASSERT_TRUE(x_.ok());
  for (int start = 1; start <= 20; ++start) {
    ChildProcess game(E2E_GAME_PATH, E2E_ASSETS_DIR);
    ASSERT_GT(game.pid(), 0);
    const Window window = x_.FindWindow(TITLE, game.pid(), START_TIMEOUT);
    ASSERT_NE(window, 0u) << "start " << start;
    ASSERT_TRUE(x_.SendCloseRequest(window)) << "start " << start;
    const auto status = game.WaitForExit(2s);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "start " << start << ": the program " << DescribeStatus(status);
  }
}

// Without a display to show a window on, the game ends at once, silently, with
// status 0, as it does whenever its screen cannot open.
TEST(GameWithoutDisplay, EndsAtOnceSilentlyWithStatusZero) {
  FreshSettingsHome();  // not the developer's settings
  const auto start = std::chrono::steady_clock::now();
  FILE* output = popen("timeout -s KILL 5 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "
                       "-u XDG_RUNTIME_DIR '" E2E_GAME_PATH "' 2>&1",
                       "r");
  ASSERT_NE(output, nullptr);
  std::string printed;
  for (int c; (c = std::fgetc(output)) != EOF;) printed += static_cast<char>(c);
  const int status = pclose(output);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  EXPECT_EQ(printed, "");
}

}  // namespace
}  // namespace e2e
