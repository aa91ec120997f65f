// The computer player's choices. Each frame step it
//   1. looks at the other tank as it was a reaction time ago (Perception);
//   2. picks the keys it would like: turn toward where a shot would meet the
//      other tank when the line of fire is clear of the bird, else drive to a
//      firing position from which it is (PreferredKeys);
//   3. tries those keys and their neighbours for the next frame steps by the
//      game's rules, against the bird and the shots it can see, and keeps the
//      safest (SafestKeys);
//   4. adds fire when a shot leaving now would, by the game's rules, meet the
//      other tank (aim shifted by its aim error) and could never hit the bird.
#include "game/computer/computer_player.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "game/computer/foresight.h"
#include "game/controls.h"
#include "game/rules.h"

namespace game::computer {
namespace {

constexpr double HALF_TANK = 24.0;       // from a tank's corner to its centre
constexpr double BIRD_CENTRE_X = 320.0;  // the bird's 32 x 32 box at (304, 224)
constexpr double BIRD_CENTRE_Y = 240.0;
constexpr double SHOT_STEP = 9.0;
constexpr double DEGREES_PER_RADIAN = 180.0 / 3.14;  // the game's headings use 3.14

// A line of fire passing the bird's centre closer than this may clip it.
constexpr double LINE_CLEARANCE = 34.0;
// It turns to face the other tank once the line between them passes the bird's
// centre this far off: the line is nearly clear, and a shot that would still
// hit the bird is held back by the fire check.
constexpr double FACING_CLEARANCE = 18.0;
// Ranges of the fight, in pixels between tank centres.
constexpr double FAR_RANGE = 260.0;
constexpr double FIRING_RADIUS = 190.0;
constexpr int FIRING_POSITIONS = 24;  // every 15 degrees around the other tank
constexpr double BIRD_DETOUR = 95.0;  // how far beside the bird it drives round it

// Foresight of the keys: frame steps tried, and the prices of what can happen.
constexpr int HORIZON = 18;
constexpr double RUN_OVER_BIRD = 1e9;
constexpr double SHOT_HITS_ME = 1e6;
// Only shots that would hit within this many frame steps are dodged. Turning
// away from every shot that might hit it later costs it the fight: measured
// against the computer itself, it then loses far more often than it is saved.
constexpr int DODGE_HORIZON = 6;
constexpr double NEAR_BIRD = 300.0;  // per frame step within 8 pixels of the bird
constexpr double NEAR_BIRD_MARGIN = 8.0;
constexpr double TURN_CHANGED = 3.0;  // leaving the preferred keys
constexpr double THROTTLE_CHANGED = 2.0;

constexpr int AIM_HOLD_FRAMES = 12;  // a new aim error is drawn this often
constexpr double TOP_SPEED = 3.3;
constexpr double FIGHTING_SPEED = 2.4;
constexpr double SLOW_PACE = 0.3;
constexpr int PACE_FRAMES_MIN = 8;
constexpr int PACE_FRAMES_SPREAD = 18;
constexpr double ARRIVAL_TURN_COST = 1.2;  // pixels of travel per degree to turn at a goal
constexpr double SPEED_TOLERANCE = 0.15;

constexpr Level LEVELS[] = {{8, 32.0}, {3, 12.0}, {1, 2.0}};

struct Vec {
  double x, y;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }

constexpr Vec BIRD = {BIRD_CENTRE_X, BIRD_CENTRE_Y};

Vec Centre(const Tank& tank) { return {tank.x + HALF_TANK, tank.y + HALF_TANK}; }

double DistanceToSegment(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const double length2 = Dot(ab, ab);
  const double t = length2 == 0.0 ? 0.0 : std::clamp(Dot(p - a, ab) / length2, 0.0, 1.0);
  return Length(p - (a + ab * t));
}

bool ClearOfBird(Vec a, Vec b, double clearance) {
  return DistanceToSegment(BIRD, a, b) >= clearance;
}

// The heading (game degrees) that moves from `from` toward `to`: a heading h moves
// by (-sin, -cos) of h x 3.14 / 180.
double Bearing(Vec from, Vec to) {
  const Vec d = to - from;
  double angle = std::atan2(-d.x, -d.y);
  if (angle < 0.0) angle += 2.0 * 3.141592653589793;
  return angle * DEGREES_PER_RADIAN;
}

// desired - heading, brought into (-half turn, half turn].
double TurnNeeded(double desired, int32_t heading) {
  const double fullTurn = 360.0;
  double turn = std::fmod(desired - heading, fullTurn);
  if (turn > fullTurn / 2) turn -= fullTurn;
  if (turn <= -fullTurn / 2) turn += fullTurn;
  return turn;
}

uint32_t TurnKey(double turn) {
  if (turn >= 1.5) return TANK_LEFT;
  if (turn <= -1.5) return TANK_RIGHT;
  return 0;
}

uint32_t ThrottleKey(double speed, double wanted) {
  if (speed < wanted - SPEED_TOLERANCE) return TANK_ACCELERATE;
  if (speed > wanted + SPEED_TOLERANCE) return TANK_BRAKE;
  return 0;
}

bool NearBird(const Tank& tank) {
  const double m = NEAR_BIRD_MARGIN;
  return BoxesOverlap(tank.x + 8.0 - m, tank.y + 8.0 - m, static_cast<int32_t>(32 + 2 * m),
                      static_cast<int32_t>(32 + 2 * m), BIRD_CENTRE_X - 16.0, BIRD_CENTRE_Y - 16.0,
                      32, 32) == 1;
}

// The price of holding `keys` for the next HORIZON frame steps: running over
// the bird, the shots it can see hitting it (sooner is worse), and lingering
// beside the bird.
double Danger(const Tank& me, uint32_t keys, const Tank& other) {
  Tank tank = me;
  auto shots = other.shots;
  double danger = 0.0;
  for (int frame = 1; frame <= HORIZON; ++frame) {
    StepTank(tank, keys);
    if (TankOnBird(tank)) return RUN_OVER_BIRD * (HORIZON + 1 - frame);
    if (NearBird(tank)) danger += NEAR_BIRD;
    for (Shot& shot : shots) {
      if (shot.active != 1 || frame > DODGE_HORIZON) continue;
      StepShot(shot);
      if (ShotHitsTank(shot, tank)) {
        danger += SHOT_HITS_ME * (HORIZON + 1 - frame);
        shot.active = 0;
      }
    }
  }
  return danger;
}

}  // namespace

Level LevelSettings(int level) {
  return LEVELS[std::clamp(level, LOWEST_LEVEL, HIGHEST_LEVEL) - LOWEST_LEVEL];
}

ComputerPlayer::ComputerPlayer(TankSide side, int level, uint64_t seed)
    : side_(side),
      level_(LevelSettings(level)),
      perception_(level_.reactionFrames),
      random_(seed) {}

void ComputerPlayer::NewMatch() {
  perception_.Forget();
  goal_ = -1;
}

double ComputerPlayer::Uniform() { return static_cast<double>(random_() >> 11) * 0x1p-53; }

uint32_t ComputerPlayer::ChooseKeys(const MatchState& state) {
  const Tank& me = side_ == TankSide::Blue ? state.blue : state.green;
  const Tank& other = side_ == TankSide::Blue ? state.green : state.blue;
  perception_.See(other);
  const View view = perception_.Now();
  if (--framesToNewAim_ <= 0) {
    aimDx_ = (2.0 * Uniform() - 1.0) * level_.aimError;
    aimDy_ = (2.0 * Uniform() - 1.0) * level_.aimError;
    framesToNewAim_ = AIM_HOLD_FRAMES;
  }
  uint32_t keys = SafestKeys(me, view, PreferredKeys(me, view));
  if (ShotWouldHit(me, keys, view)) keys |= TANK_FIRE;
  return keys;
}

uint32_t ComputerPlayer::PreferredKeys(const Tank& me, const View& view) {
  const Vec mine = Centre(me);
  const Vec theirs = Centre(view.tank);
  // It keeps changing its speed, so that an opponent who answers late aims
  // where it is no longer going.
  if (--framesToNewPace_ <= 0) {
    pace_ = Uniform() < 0.5 ? SLOW_PACE : TOP_SPEED;
    framesToNewPace_ = PACE_FRAMES_MIN + static_cast<int>(Uniform() * PACE_FRAMES_SPREAD);
  }
  const double distance = Length(theirs - mine);
  double desired = 0.0;
  double wantedSpeed = 0.0;
  if (ClearOfBird(mine, theirs, FACING_CLEARANCE)) {
    // Attack: turn to where the other tank will be when a shot gets there.
    goal_ = -1;
    Tank future = view.tank;
    const int flight = static_cast<int>(distance / SHOT_STEP);
    for (int frame = 0; frame < flight; ++frame) StepTank(future, view.keys);
    desired = Bearing(mine, Centre(future));
    wantedSpeed = distance > FAR_RANGE ? TOP_SPEED : pace_;
  } else {
    const Point goal = FiringPosition({mine.x, mine.y}, {theirs.x, theirs.y});
    const Vec to = {goal.x, goal.y};
    desired = Bearing(mine, to);
    const bool facing = std::fabs(TurnNeeded(desired, me.heading)) < 50.0;
    wantedSpeed = !facing ? 1.2 : Length(to - mine) > 60.0 ? std::max(pace_, 1.8) : FIGHTING_SPEED;
  }
  return TurnKey(TurnNeeded(desired, me.heading)) | ThrottleKey(me.speed, wantedSpeed);
}

// Where to drive when the bird blocks the line of fire: the nearest point, at a
// good range from the other tank, with a clear line to it, kept from one frame
// step to the next unless another is clearly nearer; round the bird on the way.
ComputerPlayer::Point ComputerPlayer::FiringPosition(const Point& me, const Point& other) {
  const Vec mine = {me.x, me.y};
  const Vec theirs = {other.x, other.y};
  int best = 0;
  double bestCost = std::numeric_limits<double>::infinity();
  Vec bestPoint = mine;
  for (int i = 0; i < FIRING_POSITIONS; ++i) {
    const double angle = i * 2.0 * 3.141592653589793 / FIRING_POSITIONS;
    const Vec p = theirs + Vec{std::cos(angle), std::sin(angle)} * FIRING_RADIUS;
    // Near, and reached already facing the other tank: no long turn on arrival.
    double cost = Length(p - mine);
    const double arrivalTurn =
        std::fabs(TurnNeeded(Bearing(p, theirs), 0) - TurnNeeded(Bearing(mine, p), 0));
    cost += ARRIVAL_TURN_COST * std::min(arrivalTurn, 360.0 - arrivalTurn);
    if (p.x < 70.0 || p.x > 570.0 || p.y < 70.0 || p.y > 410.0) cost += 1000.0;
    if (!ClearOfBird(p, theirs, LINE_CLEARANCE + 12.0)) cost += 1000.0;
    if (Length(p - BIRD) < 90.0) cost += 1000.0;
    if (i == goal_) cost -= 40.0;
    if (cost < bestCost) {
      bestCost = cost;
      best = i;
      bestPoint = p;
    }
  }
  goal_ = best;
  if (ClearOfBird(mine, bestPoint, 70.0)) return {bestPoint.x, bestPoint.y};
  // The bird stands in the way: first a point beside it, away from the line.
  const Vec along = (bestPoint - mine) * (1.0 / std::max(1.0, Length(bestPoint - mine)));
  const Vec across = {-along.y, along.x};
  const double side = Dot(BIRD - mine, across) >= 0.0 ? -1.0 : 1.0;
  const Vec detour = BIRD + across * (side * BIRD_DETOUR);
  return {std::clamp(detour.x, 60.0, 580.0), std::clamp(detour.y, 60.0, 420.0)};
}

uint32_t ComputerPlayer::SafestKeys(const Tank& me, const View& view, uint32_t preferred) const {
  constexpr uint32_t TURNS[] = {0, TANK_LEFT, TANK_RIGHT};
  constexpr uint32_t THROTTLES[] = {0, TANK_ACCELERATE, TANK_BRAKE};
  const uint32_t preferredTurn = preferred & (TANK_LEFT | TANK_RIGHT);
  const uint32_t preferredThrottle = preferred & (TANK_ACCELERATE | TANK_BRAKE);
  uint32_t best = preferred;
  double bestCost = Danger(me, preferred, view.tank);
  for (uint32_t turn : TURNS) {
    for (uint32_t throttle : THROTTLES) {
      const uint32_t keys = turn | throttle;
      if (keys == preferred || bestCost == 0.0) continue;
      const double cost = Danger(me, keys, view.tank) +
                          (turn != preferredTurn ? TURN_CHANGED : 0.0) +
                          (throttle != preferredThrottle ? THROTTLE_CHANGED : 0.0);
      if (cost < bestCost) {
        bestCost = cost;
        best = keys;
      }
    }
  }
  return best;
}

bool ComputerPlayer::ShotWouldHit(const Tank& me, uint32_t keys, const View& view) const {
  Tank turned = me;
  ApplyTankKeys(turned, keys & (TANK_LEFT | TANK_RIGHT));
  const Shot shot = ShotLeaving(turned);
  if (ShotPathHitsBird(shot)) return false;
  return FollowShot(shot, view.tank, view.keys, aimDx_, aimDy_).end == ShotEnd::HitsTarget;
}

}  // namespace game::computer
