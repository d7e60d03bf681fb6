#!/usr/bin/env bash
# Does the suite catch real faults? Applies small deliberate faults one at a time to a scratch copy
# of the source, rebuilds, runs the unit, GL and audio tests, and says for each whether they failed.
# A maintainer runs it by hand after changing tests; it is not part of `tools/torvinel.sh test`.
#   tools/mutation-check.sh            all faults
#   tools/mutation-check.sh cut hud    only faults whose name contains one of the words
# MUTATION_DIR picks the scratch folder (default: a new one under /tmp; it is kept for a rerun).
# Exit status: 0 when every fault applied was caught, 1 when any was missed, 2 on a setup error.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scratch="${MUTATION_DIR:-$(mktemp -d /tmp/torvinel-mutation.XXXXXX)}"
src="$scratch/src"
build="$scratch/build"
log="$scratch/log"

# Each fault: name | file | text to find (exactly once) | text to put in its place. \n is a line
# break in both texts. Every fault must compile: a fault that does not build is counted as missed.
faults=(
  "tick-rate-line-early|app/Tick.cpp|if (sinceMark > 1000u) {|if (sinceMark >= 1000u) {"
  "tick-mark-before-wait|app/Tick.cpp|    if (wait > 0) hooks.sleepUntil(now + static_cast<std::uint32_t>(wait));\n    pacer.lastTick = hooks.now();|    pacer.lastTick = hooks.now();\n    if (wait > 0) hooks.sleepUntil(now + static_cast<std::uint32_t>(wait));"
  "tick-wait-uncapped|app/Tick.cpp|return wait > 16 ? 16 : static_cast<int>(wait);|return static_cast<int>(wait);"
  "scene-no-init-after-switch|scene/Scene.cpp|        delete outgoing;\n        // Nothing to hand over to: the game idles on an empty screen.\n        if (currentScene != nullptr) currentScene->Init();|        delete outgoing;"
  "random-stream-not-rands|mesh/Random.cpp|initstate_r(seed, state, sizeof state, &stream);|initstate_r(seed + 1, state, sizeof state, &stream);"
  "scene-escape-tap-quits|scene/Scene.cpp|if (KeyHeld(27)) leaveAsked = true;|if (KeyNewlyPressed(27)) leaveAsked = true;"
  "camera-looks-too-high|render/CameraMath.cpp|center[1] = 6.0f;|center[1] = 8.0f;"
  "sprite-cell-band-off-by-one|render/SpriteMath.cpp|q.t0 = static_cast<float>(row - 1) / rows;|q.t0 = static_cast<float>(row) / rows;"
  "mesh-normals-inward|render/MeshMath.cpp|return UnitCross(Sub(r, q), Sub(p, q), fallback);|return UnitCross(Sub(p, q), Sub(r, q), fallback);"
  "sprite-leaves-depth-off|render/Sprite.cpp|    glEnable(GL_DEPTH_TEST);\n    glEnable(GL_CULL_FACE);|    glEnable(GL_CULL_FACE);"
  "draw-cut-faces-with-skin|render/MeshDraw.cpp|BindNamedTexture(\"ModelB\");|BindNamedTexture(\"ModelA\");"
  "registry-create-twice|render/Registry.h|        if (it != entries.end()) return it->second;\n        T* made|        T* made"
  "cut-push-too-strong|mesh/Cut.cpp|constexpr float kImpulse = 0.05f;|constexpr float kImpulse = 0.5f;"
  "cut-cap-one-early|mesh/Cut.cpp|if (splits >= 3) {|if (splits >= 2) {"
  "cut-edge-blend-reversed|mesh/Cut.cpp|const float t = std::fabs(sB) / (std::fabs(sA) + std::fabs(sB));|const float t = std::fabs(sA) / (std::fabs(sA) + std::fabs(sB));"
  "field-floor-removes-at-three|mesh/Field.cpp|if (field.models[i]->position.y < kRemovalHeight) {|if (field.models[i]->position.y <= kRemovalHeight) {"
  "field-cut-not-counted|mesh/Field.cpp|            field.cutCount += 1;\n|"
  "field-touching-blade-misses|mesh/Field.cpp|if (std::fabs(dist) > r) return false;|if (std::fabs(dist) >= r) return false;"
  "field-one-spawn-test-per-step|mesh/Field.cpp|while (spawnTravel < -0.5f) {|if (spawnTravel < -0.5f) {"
  "sphere-faces-wound-inward|mesh/Sphere.cpp|model->faces.push_back({k, k + n + 2, k + n + 1});|model->faces.push_back({k, k + n + 1, k + n + 2});"
  "hud-digit-band-off-by-one|scenes/Hud.cpp|return 10 - digit;|return 9 - digit;"
  "hud-tenths-on-the-point|scenes/Hud.cpp|x0 + 360 + shake|x0 + 288 + shake"
  "banner-skip-one-tick-long|scenes/RankingScene.cpp|const bool ends = bannerTimer < kBannerSkipLimit;|const bool ends = bannerTimer <= kBannerSkipLimit;"
  "banner-slides-slower|scenes/RankingScene.cpp|(bannerTimer - kBannerEnd)) / 150 - w;|(bannerTimer - kBannerEnd)) / 160 - w;"
  "game-ends-a-tick-early|scenes/GameScene.cpp|return timeLeft < 0;|return timeLeft <= 0;"
  "game-cut-sound-once-a-tick|scenes/GameScene.cpp|for (int cut = 0; cut < field->cutCount; ++cut) cutSoundPlayer|if (field->cutCount > 0) cutSoundPlayer"
  "blade-lift-never-decays|scenes/GameScene.cpp|    blade.offset.y = blade.offset.y * 0.95f;\n|"
  "orbit-eases-differently|scenes/Orbit.cpp|orbitSpeed = orbitSpeed / 6.0f;|orbitSpeed = orbitSpeed / 5.0f;"
  "ranking-last-place-not-shifted|scenes/RankingFile.cpp|for (int slot = kRankingSlots - 1; slot > i; --slot)|for (int slot = kRankingSlots - 2; slot > i; --slot)"
  "music-restarts-a-tick-late|audio/Music.cpp|if (tick - startTick < kMusicTicks) return false;|if (tick - startTick <= kMusicTicks) return false;"
  "music-restart-counts-from-the-start|audio/Music.cpp|    startTick = tick;\n    return true;|    return true;"
  "mix-effect-continues-when-cut-again|audio/SoundMix.cpp|mix.effect = effect, mix.effectAt = 0;|mix.effect = effect;"
  "mix-effect-at-music-level|audio/SoundMix.cpp|MixerVolume(levels.effects, levels.muted)|MixerVolume(levels.music, levels.muted)"
  "mix-ignores-mute|audio/SoundMix.cpp|MixerVolume(levels.music, levels.muted)|MixerVolume(levels.music, false)"
  "mix-not-clipped|audio/SoundMix.cpp|out[i] = std::clamp(out[i], -1.0f, 1.0f);|out[i] = out[i];"
  "mix-sound-never-ends|audio/SoundMix.cpp|at = count < kTickFrames ? -1 : at + kTickFrames;|at = count < kTickFrames ? 0 : at + kTickFrames;"
  "mix-tick-sounds-kept|app/Game.cpp|    SoundsThisTick() = TickSounds{};\n|"
  "export-offscreen-read-crosswise|app/Export.cpp|glReadPixels(0, 0, off.width, off.height,|glReadPixels(0, 0, off.height, off.width,"
  "export-tick-without-sound|app/Export.cpp|ok = WriteVideoFrame(video, pixels.data(), why) && WriteVideoSound(video, sound.data(), kTickFrames, why);|ok = WriteVideoFrame(video, pixels.data(), why);"
  "export-sound-a-tick-short|app/Export.cpp|WriteVideoSound(video, sound.data(), kTickFrames, why)|WriteVideoSound(video, sound.data(), kTickFrames - 1, why)"
  "export-music-never-started|app/Export.cpp|SoundMix mix{&music, 0, nullptr, -1};|SoundMix mix{&music, -1, nullptr, -1};"
  "export-progress-floods|app/Export.cpp|nowMs - shownMs >= kProgressMs|nowMs - shownMs > kProgressMs"
  "video-sound-tail-dropped|video/VideoFile.cpp|while (at < video.waiting.size() && (end |while (at < video.waiting.size() && (false "
  "options-video-floor-for-a-window|app/CommandLine.cpp|const int least = video ? kMinVideoSide : kMinWindowSide;|const int least = kMinVideoSide;"
  "options-export-out-not-taken|app/CommandLine.cpp|if (video) choice.videoPath = argv[++i];|if (video) ++i;"
  "mix-cut-not-noted|scenes/GameScene.cpp|    if (field->cutCount > 0) SoundsThisTick().effect = kCutSoundPath;\n|"
  "music-never-plays|audio/Music.cpp|    if (music != nullptr) Mix_PlayMusic(Track(*this), 0);\n|"
  "cut-sound-plays-twice|audio/SoundEffect.cpp|Mix_PlayChannel(kEffectChannel, chunk, 0);|Mix_PlayChannel(kEffectChannel, chunk, 1);"
  "joystick-axes-reversed|platform/Joystick.cpp|return static_cast<unsigned>(sdlAxis + 32768);|return static_cast<unsigned>(32767 - sdlAxis);"
  "sleep-wakes-a-millisecond-early|platform/Clock.cpp|    return (nowMs + ahead) * kNsPerMs;|    return (nowMs + ahead - 1) * kNsPerMs;"
  "rest-ticks-when-input-wakes-it|app/Tick.cpp|if (wait > 0 && hooks.restUntilInput(now + static_cast<std::uint32_t>(wait))) return;|if (wait > 0) hooks.restUntilInput(now + static_cast<std::uint32_t>(wait));"
  "installed-scores-beside-the-files|platform/DataFolder.cpp|    if (!choice.installed) {|    if (choice.installed) {"
  "data-field-order-reversed|platform/DataFile.cpp|order == ByteOrder::Big ? at + i : at + (count - 1 - i)|order == ByteOrder::Little ? at + i : at + (count - 1 - i)"
  "data-file-takes-a-pipe|platform/DataFile.cpp|    if (!S_ISREG(info.st_mode)) {|    if (S_ISDIR(info.st_mode)) {"
  "ranking-saved-without-the-lock|scenes/RankingLock.cpp|while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {|while (false) {"
  "ranking-lock-not-waited-for|scenes/RankingLock.cpp|while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {|while (fd_ >= 0 && ::flock(fd_, LOCK_EX + LOCK_NB) != 0) {"
  "ranking-unlocked-when-the-lock-fails|scenes/RankingSave.cpp|    if (!lock.Failure().empty()) {|    if (false) {"
  "ranking-failed-save-drops-its-score|scenes/RankingSave.cpp|if (renamed) queue.pending.erase(|if (true) queue.pending.erase("
  "ranking-failed-save-not-retried-on-leaving|scenes/RankingSave.cpp|retry = !queue.pending.empty() && !queue.working;|retry = false;"
  "ranking-retry-says-its-failure-again|scenes/RankingSave.cpp|if (outcome == Outcome::Failed && said == queue.lastFailure) said.clear();|"
  "replace-shared-temporary-name|platform/DataFile.cpp|    staged.temp = stem + \".XXXXXX\";\n    const int fd = ::mkostemp(&staged.temp[0], O_CLOEXEC);|    staged.temp = path + \".new\";\n    ::unlink(staged.temp.c_str());\n    const int fd = ::creat(staged.temp.c_str(), 0600);"
  "replace-mode-copied-through-a-link|platform/DataFile.cpp|    ::fchmod(fd, 0644);|    struct stat old {};\n    ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);"
  "replace-folders-not-made|platform/DataFile.cpp|if (!MakeParentFolders(path)) {|if (false) {"
  "replace-temporary-left-after-a-failed-rename|platform/DataFile.cpp|    failure = StepFailed(\"rename\", errno);\n    ::unlink(staged.temp.c_str());|    failure = StepFailed(\"rename\", errno);"
  "ranking-writer-pid-unread|scenes/RankingJournal.cpp|    ReadDecimal(pid, Signs::None, 0, INT_MAX, id);\n|"
  "ranking-plus-refused|scenes/RankingFile.cpp|ReadDecimal(item, Signs::Either, INT_MIN|ReadDecimal(item, Signs::Minus, INT_MIN"
  "decimal-plus-taken-where-refused|platform/Decimal.cpp|text[0] == '+' && signs == Signs::Either|text[0] == '+' && signs != Signs::None"
  "decimal-minus-taken-where-refused|platform/Decimal.cpp|text[0] == '-' && signs != Signs::None|text[0] == '-'"
  "decimal-lone-sign-read|platform/Decimal.cpp|    if (first == text.size()) return DecimalRead::NotANumber;\n|"
  "decimal-top-off-by-one|platform/Decimal.cpp|read > high)|read > high + 1)"
  "decimal-bottom-off-by-one|platform/Decimal.cpp|read < low|read < low - 1"
  "decimal-long-number-wraps|platform/Decimal.cpp|if (magnitude > 100000000000000LL) tooLong = true;\n        else |"
  "ranking-leftovers-kept|scenes/RankingSave.cpp|    ClearLeftovers(path);\n|"
  "ranking-leftovers-of-any-name|scenes/RankingLock.cpp|return name.size() == prefix.size() + 7 &&|return name.size() > prefix.size() &&"
  "ranking-living-writers-temporary-cleared|scenes/RankingLock.cpp|IsEarlierTemporary(entry->d_name, base) : WriterGone(writer))|IsEarlierTemporary(entry->d_name, base) : true)"
  "ranking-reused-pid-taken-for-the-writer|scenes/RankingJournal.cpp|return !start.empty() && start != tag.substr(tag.find('-') + 1);|return false;"
  "ranking-journal-not-read|scenes/RankingSave.cpp|    for (std::size_t i = 0; i < waiting.scores.size(); ++i) insert(waiting.scores[i], waiting.runs[i]);\n|"
  "ranking-journal-saved-twice-on-leaving|scenes/RankingSave.cpp|if (ready && queue.claims != claims) {|if (false) {"
  "ranking-interrupted-merge-always-taken-as-done|scenes/RankingLock.cpp|        std::equal(table, table + kRankingSlots, noted)) {|        true) {"
  "ranking-score-shown-only-once-saved|scenes/RankingSave.cpp|    InsertScore(score);  // on the board from its first frame\n|"
  "ranking-board-drops-scores-on-their-way|scenes/RankingSave.cpp|            for (int score : queue.pending) InsertScore(score);\n|"
  "ranking-saved-table-never-shown|scenes/RankingSave.cpp|            queue.fresh = true;|            queue.fresh = false;"
  "ranking-exit-does-not-wait|scenes/RankingSave.cpp|std::chrono::milliseconds(timeoutMs)|std::chrono::milliseconds(0)"
  "picture-without-end-chunk-refused|render/TextureMath.cpp|    if (shape == PngShape::NoEndChunk) bytes.append(kPngEndChunk, sizeof kPngEndChunk);\n|"
  "picture-cut-on-a-chunk-edge-blamed-on-the-decoder|render/TextureMath.cpp|    if (shape == PngShape::NoEndChunk) {\n        why|    if (false) {\n        why"
  "cut-sound-claim-unchecked|audio/SoundEffect.cpp|if (held >= length) return true;|if (held > 0) return true;"
  "cut-sound-header-only-taken|audio/SoundEffect.cpp|            if (held == 0) break;\n|"
  "key-release-keeps-shifted-letter|input/Input.cpp|    if (letter >= 'a' && letter <= 'z') {|    if (letter >= 'a' && letter <= 'z' && key == letter) {"
  "hud-shake-drawn-by-the-frame|scenes/GameScene.cpp|DrawTimeLeft(timeLeft, shake);|DrawTimeLeft(timeLeft, TimeShake(timeLeft));"
  "demo-key-releases-not-recorded|demo/DemoFile.cpp|if ((before.keys[k] != 0) != (after.keys[k] != 0))|if (!before.keys[k] && after.keys[k])"
  "demo-switch-not-checked|demo/DemoPlayback.cpp|const bool due = switched|const bool due = false"
  "demo-long-gap-accepted|demo/DemoFile.cpp|> kDemoCheckEvery)|> 10 * kDemoCheckEvery)"
  "demo-killed-run-not-kept|demo/DemoRecorder.cpp|if (DemoOrNothingAt(crashTarget, error)) ::rename(crashTemp, crashTarget);|(void)error;"
  "demo-board-table-not-replayed|demo/DemoPlayback.cpp|            std::copy(row.begin(), row.end(), table);\n|"
  "demo-recording-overwrites-anything|demo/DemoRecorder.cpp|return got > static_cast<ssize_t>(magic) && std::memcmp(head, kDemoMagic, magic) == 0 && head[magic] == ' ';|return got == got;"
  "options-record-with-play|app/CommandLine.cpp|            if (demoName != nullptr)\n|            if (false)\n"
  "picture-pixel-budget-ignored|render/TextureMath.cpp|width * height > kMaxPicturePixels) {|width * height > 4 * kMaxPicturePixels) {"
  "icon-blue-in-the-red-byte|app/WindowIcon.cpp|red << 16|blue << 16"
  "icon-grey-alpha-ignored|app/WindowIcon.cpp|channels == 2 ? p[1] : channels == 4 ? p[3] : 255u|channels == 4 ? p[3] : 255u"
  "icon-missing-file-named|app/WindowIcon.cpp|errno == ENOENT) continue;|errno == EACCES) continue;"
  "icon-property-drops-last-pixel|platform/Desktop.cpp|static_cast<int>(items.size()));|static_cast<int>(items.size()) - 1);"
  "window-class-name-and-kind-swapped|platform/Desktop.cpp|XClassHint hint{name, kind};|XClassHint hint{kind, name};"
  "screensaver-left-running|platform/Desktop.cpp|XScreenSaverSuspend(display, True);|XScreenSaverSuspend(display, False);"
  "window-shown-again-while-held|platform/Desktop.cpp|return !HeldByManager(display, window, wmState); }, 5000);|return !HeldByManager(display, window, wmState); }, 200);"
  "window-withdrawn-state-read-as-held|platform/Desktop.cpp|*reinterpret_cast<long*>(data) != WithdrawnState|true"
  "window-handed-back-unshown|platform/Desktop.cpp|    WaitFor([&] { return Viewable(display, window); }, 5000);\n|"
  "pad-stick-dead-zone-quarter|input/Input.h|inline constexpr int kPadStickDeadZone = 16384;|inline constexpr int kPadStickDeadZone = 8192;"
  "pad-stick-up-presses-down|input/Input.cpp|if (pad.stickY < -kPadStickDeadZone) keys.arrows[ArrowUp] = 1;|if (pad.stickY < -kPadStickDeadZone) keys.arrows[ArrowDown] = 1;"
  "pad-start-is-not-space|input/Input.cpp|{PadSouth, ' '}, {PadStart, ' '},|{PadSouth, ' '}, {PadStart, 13},"
  "pad-keys-hide-the-keyboard|input/Input.cpp|KeySet live = KeyboardKeys();|KeySet live = PadKeys();"
  "pads-only-one-at-a-time|platform/Pad.cpp|if (!Contains(passedOver, id) && SDL_IsGameController(i))|if (pads.empty() && !Contains(passedOver, id) && SDL_IsGameController(i))"
  "pads-last-one-wins|platform/Pad.cpp|for (const OpenPad& p : pads) AddPadKeys(ReadPad(p.pad), keys);|for (const OpenPad& p : pads) keys = KeySet{}, AddPadKeys(ReadPad(p.pad), keys);"
  "pad-reads-the-wrong-face-button|platform/Pad.cpp|{PadNorth, SDL_CONTROLLER_BUTTON_Y},|{PadNorth, SDL_CONTROLLER_BUTTON_X},"
  "pads-press-without-the-focus|input/Input.cpp|    if (hasKeyboard()) return;|    return;"
  "pad-mappings-for-any-platform|platform/Pad.cpp|return SDL_strcasecmp(platform.c_str(), SDL_GetPlatform()) != 0;|return false;"
  "pad-mapping-any-guid-taken|platform/Pad.cpp|if (LooksLikeMapping(line) && (++tried, |if ((++tried, "
  "pad-mapping-line-ends-kept|platform/Pad.cpp|        if (!line.empty() && line.back() == '\r') line.pop_back();\n|"
  "pad-mapping-path-ignores-xdg|platform/Pad.cpp|if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')|if (false)"
  "pad-mappings-uncapped|platform/Pad.cpp|tried == kMaxMappings|tried == 100 * kMaxMappings"
  "demo-second-table-taken|demo/DemoFile.cpp|if (given) return why|if (false) return why"
  "demo-tick-lines-any-order|demo/DemoFile.cpp|if (started && tick == previous && entry.kind <= previousKind)|if (false)"
  "demo-check-values-unchecked|demo/DemoFile.cpp|!Valid(field.value, word.substr(length + 1))|false"
  "demo-words-shown-raw|demo/DemoFile.cpp|if (c < 0x20 |if (c < 0x01 "
  "demo-words-not-clipped|demo/DemoFile.cpp|constexpr std::size_t kShown = 40;|constexpr std::size_t kShown = 4000;"
  "demo-more-scores-than-games|demo/DemoFile.cpp|if (demo.scores.size() > rankingChecks)|if (false)"
  "demo-key-twice-a-tick|demo/DemoFile.cpp|if (named[slot])|if (false)"
  "demo-run-hash-blind-to-the-field|demo/DemoCheck.cpp|    AddStream(hash, check);\n|"
  "demo-run-hash-not-written|demo/DemoCheck.cpp|if (format >= 2) line += \" run=\" + Hex(run);|if (format >= 3) line += \" run=\" + Hex(run);"
  "demo-run-hash-not-folded|demo/DemoPlayback.cpp|    run.run = FoldTick(run.run, check);\n|"
  "demo-failed-write-left-torn|demo/DemoRecorder.cpp|if (::ftruncate(run.fd, static_cast<off_t>(run.written)) != 0) {|if (false) {"
  "demo-target-not-looked-at-again|demo/DemoRecorder.cpp|if (step == nullptr && !MayRecordInto(run.path, taken)) {|if (false) {"
  "demo-tick-keeps-flush-to-zero|app/Game.cpp|    UseStandardArithmetic();\n    const long tick|    const long tick"
  "demo-check-passed-over|demo/DemoPlayback.cpp|if (line.kind != DemoLineKind::Keys) break;|if (line.kind != DemoLineKind::Keys) continue;"
  "demo-headless-escape-ignored|app/Game.cpp|if (leaveAsked) return|if (false) return"
  "options-size-unbounded|app/CommandLine.cpp|kMinVideoSide, kMaxWindowSide, w)|kMinVideoSide, 100 * kMaxWindowSide, w)"
  "arithmetic-sine-of-one-degree|mesh/Arithmetic.cpp|0x0p+0f, 0x1.1df0b2p-6f, 0x1.1de58cp-5f|0x0p+0f, 0x1.1df0b4p-6f, 0x1.1de58cp-5f"
  "arithmetic-sine-of-pi-is-zero|mesh/Arithmetic.cpp|    table[180] = 0x1.1a6264p-53f;\n|"
  "arithmetic-cosine-a-degree-late|mesh/Arithmetic.cpp|sine[(d + 90) % 360]|sine[(d + 89) % 360]"
  "arithmetic-sine-unmirrored|mesh/Arithmetic.cpp|inHalf <= 90 ? inHalf : 180 - inHalf|inHalf <= 90 ? inHalf : 90"
  "arithmetic-spawn-ring-swapped|mesh/Field.cpp|const float c = kRingCos[place];|const float c = kRingSin[place];"
  "arithmetic-sphere-one-size|mesh/Sphere.cpp|&kSphereAngles[n - kFewestFacets]|&kSphereAngles[0]"
  "tap-lost|input/Input.cpp|presses.keys[k] & !before.keys[k];|0;"
  "tap-after-a-held-tick-read-as-down|input/Input.cpp|presses.keys[k] & !before.keys[k];|presses.keys[k];"
  "tap-presses-kept-for-the-next-tick|input/Input.cpp|    presses = KeySet{};\n|"
  "tap-rule-not-in-the-tick|input/Input.cpp|return TapRule(LiveKeys(), before, KeyPresses());|return LiveKeys();"
  "tap-key-press-not-kept|input/Input.cpp|KeyboardKeys().keys[key] = KeyPresses().keys[key] = 1;|KeyboardKeys().keys[key] = 1;"
  "tap-arrow-press-not-kept|input/Input.cpp|KeyboardKeys().arrows[slot] = KeyPresses().arrows[slot] = 1;|KeyboardKeys().arrows[slot] = 1;"
  "tap-pad-presses-dropped|platform/Pad.cpp|    MergeKeys(presses, pressed);\n|"
  "tap-pad-presses-without-the-focus|input/Input.cpp|    if (presses != nullptr) *presses = KeySet{};\n|"
  "tap-pad-stick-push-not-a-press|platform/Pad.cpp|                if (events[i].caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) move.stickY = events[i].caxis.value;\n|"
  "settings-out-of-range-taken|app/Settings.cpp|f.low, f.high, number)|f.low, 2 * f.high, number)"
  "settings-foreign-name-taken|app/Settings.cpp|+ name;\n    return 0;|+ name;\n    return 1;"
  "settings-written-when-unchanged|app/Settings.cpp|now == onDisk) return true;|now != now) return true;"
  "settings-damaged-file-half-taken|app/Settings.cpp|    settings = Settings{};\n    if (line < 0)|    if (line < 0)"
  "settings-in-the-folder-when-installed|app/Settings.cpp|if (rankingPath[0] != '/') return|if (rankingPath[0] == '/') return"
  "levels-mute-not-heard|audio/SoundLevels.cpp|    if (muted) return 0;\n|"
  "levels-effects-at-the-music-level|audio/SoundLevels.cpp|Mix_Volume(-1, MixerVolume(current.effects, current.muted));|Mix_Volume(-1, MixerVolume(current.music, current.muted));"
  "levels-step-past-the-top|audio/SoundLevels.cpp|level = std::clamp(level + by, 0, kTopSoundLevel);|level = std::max(level + by, 0);"
  "levels-key-leaves-it-muted|audio/SoundLevels.cpp|        levels.muted = false;\n|"
  "levels-overlay-never-goes|scenes/LevelOverlay.cpp|if (overlay.ticksLeft > 0) --overlay.ticksLeft;|if (overlay.ticksLeft > 1) --overlay.ticksLeft;"
  "pause-game-runs-on|scenes/GameScene.cpp|    if (paused) return;\n|"
  "pause-focus-loss-resumes|scenes/Pause.cpp|if (focusLost) return true;|if (focusLost) return !paused;"
  "pause-pad-start-does-not|input/Input.cpp|{PadStart, kPauseKey}, |"
  "window-restored-below-the-floor|app/WindowKeys.cpp|const WindowSize size = ClampWindowSize(kept.width, kept.height);|const WindowSize size{kept.width, kept.height, false};"
  "window-restored-off-the-screen|app/WindowKeys.cpp|place.x = std::clamp(place.x, 0, std::max(0, screenWidth - place.width));|"
  "window-focus-polled-rarely-with-a-key-down|app/WindowKeys.cpp|bool keyDown) { return keyDown|bool keyDown) { return !keyDown && keyDown"
  "replays-index-ignores-the-score|scenes/Replays.cpp|score != table[slot]|score < table[slot]"
  "replays-index-keeps-a-place-named-twice|scenes/Replays.cpp|        if (twice[slot]) runs[slot].clear();\n|"
  "replays-index-takes-capitals|scenes/Replays.cpp|(c >= 'a' && c <= 'f')|(c >= 'A' && c <= 'f')"
  "replays-run-above-equal-scores|scenes/Replays.cpp|while (i < kRankingSlots && table[i] >= score) ++i;|while (i < kRankingSlots && table[i] > score) ++i;"
  "replays-runs-stay-when-scores-move|scenes/Replays.cpp|    for (int slot = kRankingSlots - 1; slot > i; --slot) runs[slot] = runs[slot - 1];\n|"
  "replays-orphans-kept|scenes/Replays.cpp|if (IsRunName(run) && !named) ::unlinkat|if (IsRunName(run) && named) ::unlinkat"
  "replays-last-run-not-kept|scenes/RankingSave.cpp|if (!lastRun.empty() && !KeepLastRun(|if (false && !KeepLastRun("
  "replays-save-forgets-the-old-runs|scenes/RankingSave.cpp|RunNames places = LoadRuns(path, table);|RunNames places;"
  "replays-journal-drops-the-runs|scenes/RankingSave.cpp|said += KeepWaiting(path, left, runs);|said += KeepWaiting(path, left, {});"
  "replays-merge-drops-journal-runs|scenes/RankingSave.cpp|insert(waiting.scores[i], waiting.runs[i]);|insert(waiting.scores[i], \"\");"
  "replays-merge-keeps-no-last-run|scenes/RankingSave.cpp|texts.emplace_back(name, run), last = run;|texts.emplace_back(name, run);"
  "replays-journal-run-to-the-wrong-score|scenes/RankingJournal.cpp|kept[static_cast<std::size_t>(item - 1)]|kept[0]"
  "replays-journal-run-past-the-end|scenes/RankingJournal.cpp|text.size() - end - 1 < static_cast<std::size_t>(bytes)|text.size() - end < static_cast<std::size_t>(bytes)"
  "replays-journal-run-needs-no-head|scenes/RankingJournal.cpp|text.compare(at, 5,|0 && text.compare(at, 5,"
  "replays-score-saved-before-its-run|scenes/RankingSave.cpp|        if (queue.holdForRuns) {|        if (false) {"
  "replays-watch-from-the-first-game|demo/DemoRecorder.cpp|if (game && !inGame) start = line.tick;|if (game) start = line.tick;"
  "replays-watch-pause-ignored|app/Watch.cpp|    if (control.paused) return 0;\n|"
  "replays-watch-fastest-too-slow|app/Watch.h|kWatchSpeeds[] = {1, 2, 4, 8};|kWatchSpeeds[] = {1, 2, 4, 6};"
  "replays-watch-escape-held-returns|app/Watch.cpp|const bool leave = Pressed(control, live, 27);|const bool leave = live.keys[27];"
  "replays-board-choice-off-the-board|scenes/RankingScene.cpp|return std::clamp(chosen + step, 0, kRankingSlots - 1);|return std::clamp(chosen + step, 0, kRankingSlots);"
  "replays-pad-west-not-r|input/Input.cpp|{PadWest, 'r'}|{PadWest, 'p'}"
  "watchlabel-pace-over-the-word|scenes/ReplayLabel.cpp|layout.paceX = layout.labelX + labelWidth;|layout.paceX = layout.labelX;"
  "watchlabel-pace-width-ignored|scenes/ReplayLabel.cpp|windowWidth - kReplayMargin - paceWidth - labelWidth|windowWidth - kReplayMargin - labelWidth"
  "watchlabel-paused-says-nothing|scenes/ReplayLabel.cpp|case 0: return \"replay_paused\";|case 0: return nullptr;"
  "watchpace-paused-shows-the-speed|app/Watch.h|return control.paused ? 0 : kWatchSpeeds[control.speed];|return kWatchSpeeds[control.speed];"
  "watchpace-state-line-gives-the-place|app/StateLine.cpp|\" watchpace=\" + std::to_string(pace)|\" watchpace=\" + std::to_string(place)"
)

die() { echo "mutation-check: $*" >&2; exit 2; }

# Replaces the one occurrence of $FIND in file $1 by $PUT (both with \n for line breaks).
apply_fault() {
  FIND="$2" PUT="$3" perl -0777 -i -pe '
    BEGIN { ($f, $p) = map { s/\\n/\n/gr } @ENV{qw(FIND PUT)}; }
    $n = () = /\Q$f\E/g;
    die "found $n times, not once\n" if $n != 1;
    s/\Q$f\E/$p/;
  ' "$1"
}

selected() {
  [ $# -le 1 ] && return 0
  local name="$1" word
  shift
  for word in "$@"; do [[ "$name" == *"$word"* ]] && return 0; done
  return 1
}

# Every fault's text must be there before anything is built.
for fault in "${faults[@]}"; do
  IFS='|' read -r name file find put <<<"$fault"
  [ -f "$repo/$file" ] || die "$name: no file $file"
  tmp=$(mktemp)
  cp "$repo/$file" "$tmp"
  apply_fault "$tmp" "$find" "$put" 2>"$tmp.err" || { rm -f "$tmp"; die "$name: the text to change in $file is $(cat "$tmp.err")"; }
  rm -f "$tmp" "$tmp.err"
done

echo "scratch copy: $scratch"
mkdir -p "$src" "$log"
# The source as it stands in the working tree, without git's store and build folders.
find "$repo" -mindepth 1 -maxdepth 1 ! -name .git ! -name 'build*' -exec cp -a {} "$src/" \;

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR="$scratch"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVINEL_BENCH=OFF "${launcher[@]}" \
  >"$log/configure.txt" 2>&1 || die "configure failed; see $log/configure.txt"

build_tests() { cmake --build "$build" -j2 --target unit_tests gl_tests audio_tests >"$1" 2>&1; }
run_tests() { (cd "$build" && ctest -L 'unit|gl|audio' -j2 --timeout 300 --output-on-failure) >"$1" 2>&1; }

build_tests "$log/baseline-build.txt" || die "the unchanged source does not build; see $log/baseline-build.txt"
run_tests "$log/baseline-tests.txt" || die "the unchanged source fails its tests; see $log/baseline-tests.txt"

caught=0
missed=0
for fault in "${faults[@]}"; do
  IFS='|' read -r name file find put <<<"$fault"
  selected "$name" "$@" || continue
  cp -p "$src/$file" "$scratch/original"
  apply_fault "$src/$file" "$find" "$put"
  if ! build_tests "$log/$name-build.txt"; then
    verdict="MISSED (does not build; see $log/$name-build.txt)"
    missed=$((missed + 1))
  elif run_tests "$log/$name-tests.txt"; then
    verdict="MISSED"
    missed=$((missed + 1))
  else
    failing=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log/$name-tests.txt" || echo "tests failed")
    verdict="caught ($failing)"
    caught=$((caught + 1))
  fi
  # Back to the original bytes; touched so the next build compiles it again.
  cp "$scratch/original" "$src/$file"
  touch "$src/$file"
  printf '%-32s %-24s %s\n' "$name" "$file" "$verdict"
done

echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ]
