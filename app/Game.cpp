#include "app/Game.h"

#include "app/StateLine.h"
#include "audio/Music.h"
#include "mesh/Arithmetic.h"
#include "render/Registry.h"
#include "scenes/RankingSave.h"

TickOutcome RunGameTick(Game& game, const KeySet& live) {
    DemoRun& demo = game.demo;
    if (PlayingBack(game)) {
        // The player's own Escape, held as in the game, is the only key playback takes from them.
        const bool down = live.keys[27] != 0;
        const bool held = down && game.escapeBefore;
        game.escapeBefore = down;
        if (held) return TickOutcome::Leave;
        if (DemoPlayedOut(demo)) return TickOutcome::DemoEnded;
    }
    CopyInputHistory();
    // A save that finished since the last tick shows its merged table from this tick on, never
    // in the middle of an Update or a drawing.
    ApplySavedRanking();
    UseStandardArithmetic();
    const long tick = demo.tick;
    demo.inTick = true;
    const KeySet& played = DemoTickKeys(demo, live);
    if (game.remake != nullptr) game.remake->inTick = true;
    GatherInput(game.remake != nullptr ? DemoTickKeys(*game.remake, played) : played);
    leaveAsked = false;
    game.step();
    if (leaveAsked) return PlayingBack(game) ? TickOutcome::DemoEnded : TickOutcome::Leave;
    // Tests run scenes without the music; the game always has it after start-up.
    if (MusicPlayer* music = Registry<MusicPlayer>().Get("BGM")) music->RestartIfEnded();
    const bool inStep = DemoAfterStep(demo, currentScene, RankingTable);
    demo.inTick = false;
    ++demo.tick;
    if (game.remake != nullptr) {
        DemoAfterStep(*game.remake, currentScene, RankingTable);
        game.remake->inTick = false;
        ++game.remake->tick;
    }
    StateLineTick(tick, currentScene);
    return inStep ? TickOutcome::Stepped : TickOutcome::OutOfStep;
}
