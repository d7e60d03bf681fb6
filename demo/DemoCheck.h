#pragma once
// The check of the game's state a demo records and compares, and the running hash of every tick.
#include <cstdint>
#include <string>

#include "scene/Scene.h"

// What a check line says of a scene: "game angle=3 speed=0.5 gems=27 field=9c1f2a33 score=2 ...",
// then in format 2 "run=..." from `run`. The field's figure is a hash of every gem's shape, place
// and motion, of the pacing of new gems and of the tube's scroll, so the smallest drift shows.
std::string CheckLine(const SceneCheck& check, int format, std::uint32_t run);

// The running hash after one more tick: everything the field's figure holds, and the view, the
// blade's corners, every spark and the scene's own counts, byte for byte in one order on every
// machine. A difference on any tick carries on into every later check.
std::uint32_t FoldTick(std::uint32_t run, const SceneCheck& check);
inline constexpr std::uint32_t kRunHashStart = 2166136261u;

// The first thing that differs between two check lines, in words: "score is 5, the recording
// says 6", or "the game scene, where the recording is in the title scene".
std::string CheckDifference(const std::string& played, const std::string& recorded);
