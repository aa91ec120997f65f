#!/usr/bin/env python3
"""Plays many headless matches with the computer player and prints how they end.

    tools/game/computer_stats.py [--matches N] [--seed BASE] [--jobs J] [--sim PATH]

Each match is one run of brazdovar-sim, from the sprite folder, with Esc held
throughout so the program ends at the first decided match. Seeds for the
computers and the random green player are drawn from BASE (by default a fresh
one, printed so that a run can be repeated). Lines:

  random green, level L   green holds random keys (a fixed generator below);
                          blue's wins, losses, losses through the bird
  idle green, level L     green holds nothing; wins within 30 s of game time
  level 3 against 1       half the matches on each side; level 3's wins
  level L against L       computer against computer; matches decided in 120 s
"""
import argparse
import concurrent.futures
import json
import os
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
GREEN_KEYS = ["Left", "Right", "Up", "Down", "Ctrl"]
# Blue loses through the bird: it shot the bird, or ran over it.
BLUE_BIRD_LOSSES = {"Plavi tenk je ubio pticu. Zeleni je pobedio.",
                    "Plavi tenk je pregazio pticu. Zeleni je pobedio."}
GREEN_BIRD_LOSSES = {"Zeleni tenk je ubio pticu. Plavi je pobedio.",
                     "Zeleni tenk je pregazio pticu. Plavi je pobedio."}


def random_green_script(rng, limit_ms):
    """Stretches of 70..700 ms, each green key held with even odds."""
    lines, total = [], 0
    while total < limit_ms:
        length = rng.randint(70, 700)
        keys = [key for key in GREEN_KEYS if rng.random() < 0.5]
        lines.append(f"{length} {' '.join(keys + ['Esc'])}")
        total += length
    return "\n".join(lines) + "\n"


def play(sim, arguments, script):
    """Runs one match; returns (winner or 0 when undecided, message, time_ms)."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as file:
        file.write(script)
        path = file.name
    try:
        run = subprocess.run([sim] + arguments + [path], cwd=os.path.join(ROOT, "assets"),
                             capture_output=True, text=True, check=True)
    finally:
        os.unlink(path)
    for line in run.stdout.splitlines():
        if line.startswith('{"event":"match_end"'):
            end = json.loads(line)
            return end["winner"], end["message"], end["time_ms"]
    return 0, "", None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--matches", type=int, default=200)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sim", default=os.path.join(ROOT, "build/tools/game/brazdovar-sim"))
    parser.add_argument("--only", default="", help="run only lines whose name holds this")
    options = parser.parse_args()
    base = options.seed if options.seed is not None else int.from_bytes(os.urandom(4), "big")
    print(f"base seed {base}, {options.matches} matches per line", flush=True)
    seeds = random.Random(base)

    def batch(name, make):
        """Plays the line's matches; make(i, seed) gives (arguments, script, blue_is)."""
        jobs = []
        for i in range(options.matches):
            seed = seeds.randrange(1, 2**63)
            jobs.append(make(i, seed))
        with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            results = list(pool.map(lambda job: play(options.sim, job[0], job[1]), jobs))
        return [(job[2],) + result for job, result in zip(jobs, results)]

    lines = []

    def report(name, text):
        lines.append(f"{name:26s} {text}")
        print(lines[-1], flush=True)

    def percent(count):
        return f"{100.0 * count / options.matches:5.1f}%"

    for level in (1, 2, 3):
        name = f"random green, level {level}"
        if options.only in name:
            results = batch(name, lambda i, seed: (
                [f"--computer={level}", f"--seed={seed}"],
                random_green_script(random.Random(seed), 120000), "blue"))
            wins = sum(1 for _, w, _, _ in results if w == 2)
            losses = sum(1 for _, w, _, _ in results if w == 1)
            bird = sum(1 for _, _, m, _ in results if m in BLUE_BIRD_LOSSES)
            report(name, f"wins {percent(wins)}  losses {percent(losses)}  "
                         f"through the bird {percent(bird)}")
    for level in (1, 2, 3):
        name = f"idle green, level {level}"
        if options.only in name:
            results = batch(name, lambda i, seed: (
                [f"--computer={level}", f"--seed={seed}"], "30000 Esc\n", "blue"))
            wins = [t for _, w, _, t in results if w == 2 and t is not None and t <= 30000]
            slowest = max(wins) / 1000 if wins else float("nan")
            report(name, f"wins within 30 s {percent(len(wins))}  slowest {slowest:.2f} s")
    name = "level 3 against 1"
    if options.only in name:
        results = batch(name, lambda i, seed: (
            ([f"--computer=3", "--computer-green=1"] if i % 2 == 0
             else ["--computer=1", "--computer-green=3"]) + [f"--seed={seed}"],
            "120000 Esc\n", "3" if i % 2 == 0 else "1"))
        wins = sum(1 for blue, w, _, _ in results
                   if (w == 2 and blue == "3") or (w == 1 and blue == "1"))
        report(name, f"level 3 wins {percent(wins)}")
    for level in (1, 2, 3):
        name = f"level {level} against {level}"
        if options.only in name:
            results = batch(name, lambda i, seed: (
                [f"--computer={level}", f"--computer-green={level}", f"--seed={seed}"],
                "120000 Esc\n", "blue"))
            decided = sum(1 for _, w, _, _ in results if w != 0)
            bird = sum(1 for _, _, m, _ in results
                       if m in BLUE_BIRD_LOSSES or m in GREEN_BIRD_LOSSES)
            report(name, f"decided within 120 s {percent(decided)}  through the bird "
                         f"{percent(bird)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
