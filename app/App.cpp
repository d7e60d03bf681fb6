#include "app/App.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/CommandLine.h"
#include "app/Export.h"
#include "app/Game.h"
#include "app/Globals.h"
#include "app/Profile.h"
#include "app/StateLine.h"
#include "app/Tick.h"
#include "app/Watch.h"
#include "app/WindowIcon.h"
#include "app/WindowKeys.h"
#include "audio/Music.h"
#include "input/Input.h"
#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/Desktop.h"
#include "platform/GlContext.h"
#include "platform/Joystick.h"
#include "platform/KeyboardFocus.h"
#include "platform/Pad.h"
#include "platform/Rest.h"
#include "platform/Say.h"
#include "render/Camera.h"
#include "render/DrawingArea.h"
#include "render/Registry.h"
#include "scene/Scene.h"
#include "scenes/GameScene.h"
#include "scenes/RankingSave.h"
#include "scenes/RankingScene.h"
#include "scenes/ReplayLabel.h"
#include "scenes/Replays.h"
#include "scenes/TitleScene.h"

namespace {

constexpr long kSkipTicksPerFrame = 200;

// Everything the game keeps between two GLUT callbacks.
Game game;

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return path;
    return std::string(folder) + "/" + path;
}

// The end of a demo's playback, by its own end or by its recorded Escape: the last scores are
// compared and a timedemo gives its figures. The exit status to leave with.
int EndOfPlayback() {
    DemoRun& demo = game.demo;
    const bool inStep = FinishPlayback(demo, RankingTable);
    if (demo.mode != DemoMode::TimeDemo) return 0;
    game.figures.ticks = demo.tick;
    game.figures.seconds = (ProfileNowMs() - game.timeDemoStartMs) / 1000.0;
    game.figures.cpuMs = ProfileProcessCpuMs() - game.timeDemoCpuStartMs;
    std::printf("%s\n", TimeDemoSummary(demo.path, game.figures, inStep, demo.report).c_str());
    std::fflush(stdout);
    return inStep ? 0 : kOutOfStepStatus;
}

// A recording ends with the game: saved and put in place, or said why not (status 1).
int EndOfRecording() {
    std::string why;
    if (FinishRecording(game.demo, RankingTable, why)) return 0;
    if (!why.empty()) Say("could not save the demo %s (%s)\n", game.demo.path.c_str(), why.c_str());
    return 1;
}

// Watching a ranked run from the board. The run plays through the same scenes as the game, so
// the game's own state is gone meanwhile; coming back, the session recorded so far is replayed
// headless from its start up to the tick that asked (quick: no drawing), which puts back every
// value the play reads exactly as it was, and checks it on the way.
struct Watching {
    bool on = false;
    bool fromCommandLine = false;  // --play-rank: the whole program watches, at normal speed
    Game run;
    WatchControl control;
    CutSoundFn sound = nullptr;
    std::string rankingPath;
    KeySet letGo{};  // keys held on coming back, kept from the board until let go
};
Watching watching;

bool RunEndsOn(const Demo& demo, int score) {
    return demo.ended && !demo.scores.empty() && demo.scores.back() == score;
}

void StartWatching(int place) {
    DemoRun run;
    std::string path, why;
    int score = 0;
    if (game.session.mode != DemoMode::Record) return;  // no way back to the board without it
    if (!FindRankedRun(RankingPath(), place, path, score, why) || !LoadDemo(run, path, why)) {
        Say("no run to play: %s\n", why.c_str());
        return;
    }
    if (!RunEndsOn(run.demo, score)) {
        Say("no run to play: the run kept for place %d does not end on its score %d\n", place, score);
        return;
    }
    watching.run = Game{};
    watching.run.demo = std::move(run);
    watching.run.demo.mode = DemoMode::Play;
    watching.run.skipTo = LastGameStart(watching.run.demo.demo);
    watching.control = WatchControl{};
    watching.control.before = LiveKeys();
    watching.sound = cutSoundPlayer;
    watching.rankingPath = RankingPath();
    StartHeadlessPlay(watching.run.demo.demo.seed, watching.run.demo.demo.table);
    cutSoundPlayer = watching.sound;
    StateLineWatching(place);
    watching.on = true;
}

void StopWatching() {
    watching.on = false;
    StateLineWatching(0);
    DemoRun session;
    std::string why;
    session.mode = DemoMode::Play;
    session.path = "(this session)";
    const DemoRun& live = game.session;
    StateLineMute(true);
    if (ParseDemo(SessionDemo(live, live.table.data()), session.demo, why)) PlayDemoHeadless(session, live.tick);
    else Say("cannot come back from watching: %s\n", why.c_str());
    StateLineMute(false);
    // The scene is built anew, the same in every value: not a switch for the recordings.
    game.session.lastScene = game.demo.lastScene = currentScene;
    SetRankingPath(watching.rankingPath);
    cutSoundPlayer = watching.sound;
    watching.letGo = LiveKeys();
}

void WatchOneFrame() {
    PollPads(PadKeys(), KeyPresses());
    KeySet live = LiveKeys();
    MergeKeys(live, KeyPresses());
    KeyPresses() = KeySet{};
    Game& run = watching.run;
    const int asked = WatchFrame(watching.control, live);
    // The session's earlier games pass unseen and silent, many ticks a frame.
    const long skipping = std::min(kSkipTicksPerFrame, run.skipTo - run.demo.tick);
    const long ticks = skipping > 0 ? skipping : asked;
    if (skipping > 0) cutSoundPlayer = [](const char*) {};
    bool ended = asked < 0;
    // A run played out, or ended by its own Escape, returns to the board as the player's does.
    // One state line for the frame, not one a tick: paused, the lines go on with the same tick.
    StateLineMute(true);
    for (long n = 0; n < ticks && !ended; ++n) ended = RunGameTick(run, KeySet{}) == TickOutcome::DemoEnded;
    StateLineMute(false);
    StateLineWatchFrame(run.demo.tick - 1, currentScene, WatchPace(watching.control), live);
    cutSoundPlayer = watching.sound;
    if (ended) StopWatching();
}

// The keys of the tick, less those still held from watching.
KeySet LiveTickKeys() {
    KeySet keys = TickKeys();
    const KeySet held = LiveKeys();
    for (int k = 0; k < 256; ++k) {
        if (!held.keys[k]) watching.letGo.keys[k] = 0;
        if (watching.letGo.keys[k]) keys.keys[k] = 0;
    }
    for (int a = 0; a < 4; ++a) {
        if (!held.arrows[a]) watching.letGo.arrows[a] = 0;
        if (watching.letGo.arrows[a]) keys.arrows[a] = 0;
    }
    return keys;
}

// One tick of play from the keyboard's and the pads' keys; the game leaves here when the tick
// says so.
void PlayOneTick() {
    if (watching.on) return WatchOneFrame();
    // Watching a ranked run: the games before it pass unseen and silent, many ticks a frame.
    const long skipping = std::min(kSkipTicksPerFrame, game.skipTo - game.demo.tick);
    const CutSoundFn sound = cutSoundPlayer;
    if (skipping > 0) cutSoundPlayer = [](const char*) {};
    for (long n = 0; n < std::max(skipping, 1L) && !watching.on; ++n) {
        PollPads(PadKeys(), KeyPresses());
        switch (RunGameTick(game, LiveTickKeys())) {
            case TickOutcome::Stepped:
                // r on the board: its run plays from the next frame.
                if (rankedRunAsked > 0 && !PlayingBack(game)) StartWatching(rankedRunAsked);
                continue;
            case TickOutcome::Leave:
                std::exit(game.demo.mode == DemoMode::Record ? EndOfRecording() : 0);
            case TickOutcome::DemoEnded:
                std::exit(EndOfPlayback());
            case TickOutcome::OutOfStep:
                // A timedemo is a check: there is no point running on once it has gone out of step.
                if (game.demo.mode == DemoMode::TimeDemo) std::exit(EndOfPlayback());
                continue;
        }
    }
    cutSoundPlayer = sound;
}

void DrawCurrentScene() {
    if (currentScene != nullptr) currentScene->Draw();
    if (watching.on) DrawReplayLabel(WatchPace(watching.control));
    else if (watching.fromCommandLine) DrawReplayLabel(WatchPace(WatchControl{}));
    DrawLevelOverlay();
}

// Whenever GLUT has nothing for the game: the tick once it is due, and until then a rest in the
// kernel that only X input cuts short.
void OnIdleRest() {
    const RestHooks hooks{MonotonicMs, RestUntilInput, [] { OnTimer(0); }};
    RestOrTick(game.pacer, hooks);
}

void SetFixedGlState(unsigned seed, bool music) {
    SetGameGlState();
    SeedGameRandom(seed);
    StartScenes(music);
}

// A timedemo's heartbeat, called whenever GLUT is idle: a tick and its drawing, with no wait.
void OnTimeDemoFrame() {
    const double start = ProfileNowMs();
    if (game.demo.tick == 0) game.timeDemoStartMs = start, game.timeDemoCpuStartMs = ProfileProcessCpuMs();
    PlayOneTick();
    // A paused tick changes nothing on screen: it is passed over, not drawn or timed.
    const bool paused = currentScene != nullptr && currentScene->Paused();
    if (!paused) OnDisplay();
    if (paused) ++game.figures.pausedTicks;
    else game.figures.frameMs.push_back(ProfileNowMs() - start);
}

int ArrowSlot(int glutKey) {
    switch (glutKey) {
        case GLUT_KEY_UP: return ArrowUp;
        case GLUT_KEY_DOWN: return ArrowDown;
        case GLUT_KEY_RIGHT: return ArrowRight;
        case GLUT_KEY_LEFT: return ArrowLeft;
        default: return -1;
    }
}

void RecordPointer(int x, int y) {
    MouseState& mouse = Mouse();
    if (fullScreenMode) {
        mouse.x = ScaleMouseX(x, screenWidth);
        mouse.y = ScaleMouseY(y, screenHeight);
    } else {
        mouse.x = x;
        mouse.y = y;
    }
}


}  // namespace

void OnKeyDown(unsigned char key, int, int) { PressKey(key); }

void OnKeyUp(unsigned char key, int, int) { ReleaseKey(key); }

void OnSpecialKeyDown(int key, int, int) { PressArrow(ArrowSlot(key)); }

void OnSpecialKeyUp(int key, int, int) { ReleaseArrow(ArrowSlot(key)); }

void OnMouse(int button, int state, int x, int y) {
    RecordPointer(x, y);
    MouseState& mouse = Mouse();
    const unsigned char down = state == GLUT_DOWN ? 1 : 0;
    if (button == GLUT_LEFT_BUTTON) mouse.left = down;
    if (button == GLUT_RIGHT_BUTTON) mouse.right = down;
}

void OnMouseMove(int x, int y) { RecordPointer(x, y); }

void PollJoystickAndMouse() {
    JoystickState& joystick = Joystick();
    joystick.record.size = 52;
    joystick.record.flags = 255;
    PollJoystick(joystick.record);
    ApplyJoystickRecord(joystick, joystick.record);
    MouseState& mouse = Mouse();
    mouse.prevLeft = mouse.left;
    mouse.prevRight = mouse.right;
}

void StartScenes(bool music) {
    ProfileWatchShaderBuilds();
    if (music) {
        const double musicStart = ProfileNowMs();
        MusicPlayer* player = Registry<MusicPlayer>().Create("BGM");
        player->Open();
        player->Play();
        ProfilePhase("music", musicStart);
    }
    // Start-up is measured in two parts: the first title scene (tube, field and its warm-up) and
    // its Init (every picture and shader).
    const double buildStart = ProfileNowMs();
    Scene* first = MakeFirstScene(std::make_shared<SceneContext>());
    ProfilePhase("scene_build", buildStart);
    const double initStart = ProfileNowMs();
    StartScenesWith(first);
    ProfilePhase("scene_init", initStart);
}

void SetGameGlState() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_FOG);
    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogi(GL_FOG_START, 31);
    glFogi(GL_FOG_END, 127);
}

void SetDrawingSize(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 100.0);
    windowWidth = width;
    windowHeight = height;
    Camera* camera = Registry<Camera>().Get("MyCamera");
    if (camera != nullptr) {
        camera->width = width;
        camera->height = height;
        glViewport(0, 0, width, height);
    }
}

WindowSize ClampWindowSize(int width, int height) {
    WindowSize size{width, height, false};
    if (width < 512 || height < 512) {
        size.raised = true;
        if (size.width < 512) size.width = 512;
        if (size.height < 512) size.height = 512;
    }
    return size;
}

void OnTimer(int) {
    WatchKeyboardFocus();
    StepLevelOverlay();
    PollJoystickAndMouse();
    const TickHooks hooks{MonotonicMs, SleepUntilMs, PlayOneTick, stdout};
    RunTick(game.pacer, hooks);
    glutPostRedisplay();
}

void OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    ProfiledDisplay(DrawCurrentScene, glutSwapBuffers);
}

void OnReshape(int width, int height) {
    const WindowSize size = ClampWindowSize(width, height);
    if (size.raised) glutReshapeWindow(size.width, size.height);
    SetDrawingSize(size.width, size.height);
    NoteWindowSize(size.width, size.height);
}

void OnExit() {
    if (game.demo.mode == DemoMode::Record) EndOfRecording();  // unless Escape has ended it already
    EndRateLine(game.pacer, stdout);
    // A score still on its way to the disk is waited for, a few seconds at most; what is still
    // waiting then is kept beside the ranking for the next start.
    FinishRankingSaves(kExitSaveWaitMs);
    SaveSettingsAtExit();
    EndScenes();
}

int RunGame(int argc, char** argv, bool fullScreen) {
    const char* program = fullScreen ? "torvinel" : "torvinel-windowed";
    const CommandChoice command = ParseCommandLine(argc, argv, !fullScreen);
    switch (command.action) {
        case CommandAction::Help:
            PrintUsage(stdout, program);
            return 0;
        case CommandAction::Version:
            PrintVersion(stdout, program);
            return 0;
        case CommandAction::Refuse:
            Say("%s\n", command.problem.c_str());
            PrintUsage(stderr, program);
            return 2;
        case CommandAction::Play:
            break;
    }
    if (!command.videoPath.empty()) return RunExport(command);
    // Named from where the game was started, before it moves into its data folder.
    std::string demoFile = AbsolutePath(command.demoPath);
    std::string demoName = command.demoPath;

    std::atexit(OnExit);
    ProfileStart();
    StateLineStart();
    const double windowStart = ProfileNowMs();
    std::string rankingPath;
    if (!EnterDataFolder(rankingPath)) return 1;
    SetRankingPath(rankingPath);
    int rankScore = 0;
    std::string why;
    if (command.rankPlace > 0 && !FindRankedRun(rankingPath, command.rankPlace, demoFile, rankScore, why)) {
        Say("no run to play: %s\n", why.c_str());
        return 1;
    }
    if (command.rankPlace > 0) demoName = demoFile;
    // A playback or a window of a chosen size is a check, not the player's choice: nothing is kept.
    const bool playback = command.demo == DemoMode::Play || command.demo == DemoMode::TimeDemo;
    StartPlayerSettings(rankingPath, !playback && command.width == 0);
    fullScreenMode = StartsFullScreen(fullScreen);
    KeptWindowSize(windowWidth, windowHeight);
    // The first game's board ranks its score into this table while the save runs; a recording
    // starts from it too.
    LoadRanking();
    unsigned seed = static_cast<unsigned>(std::time(nullptr));
    DemoRun& demo = game.demo;
    if (command.demo == DemoMode::Play || command.demo == DemoMode::TimeDemo) {
        if (!LoadDemo(demo, demoFile, why)) {
            Say("cannot play the demo %s: %s\n", demoName.c_str(), why.c_str());
            return 1;
        }
        // A run is the session up to its game's end: that game's score is its last.
        if (command.rankPlace > 0 && !RunEndsOn(demo.demo, rankScore)) {
            Say("no run to play: the run kept for place %d, %s, does not end on its score %d\n", command.rankPlace,
                demoName.c_str(), rankScore);
            return 1;
        }
        demo.mode = command.demo;
        demo.path = demoName;
        if (command.rankPlace > 0) {
            game.skipTo = LastGameStart(demo.demo);
            StateLineWatching(command.rankPlace);
            watching.fromCommandLine = true;
        }
        if (!demo.demo.ended)
            Say("the demo %s was cut short at tick %ld; it plays that far\n",
                demoName.c_str(), demo.demo.lastTick);
        // The player's own ranking is never touched: the board starts from the recorded table and
        // keeps it in memory.
        SetRankingPath("");
        std::copy(demo.demo.table.begin(), demo.demo.table.end(), RankingTable);  // eight places
        seed = demo.demo.seed;
        if (demo.mode == DemoMode::TimeDemo) cutSoundPlayer = [](const char*) {};
    } else if (command.demo == DemoMode::Record) {
        if (!StartRecording(demo, demoFile, seed, RankingTable, std::string(program) + " " + GameVersion(), why)) {
            Say("cannot record into %s: %s\n", command.demoPath.c_str(), why.c_str());
            return 1;
        }
    }
    // Every game's run is kept beside its score: the session is recorded in memory from here.
    if (!playback && !RankingPath().empty()) {
        StartSessionRecording(game.session, seed, RankingTable, std::string(program) + " " + GameVersion());
        HoldScoresForRuns(true);
    }
    // Scores an earlier run could not save before it ended join the ranking, on the save's worker
    // (never for a playback, which keeps the ranking in memory only).
    MergeWaitingScores();
    if (!OpenDisplayCheck()) {
        const char* display = std::getenv("DISPLAY");
        const std::string which = display == nullptr ? std::string("(DISPLAY is not set)")
                                                     : "'" + std::string(display) + "' (DISPLAY)";
        Say("cannot open the X display %s; to play without a screen, run it under xvfb-run, e.g. "
            "xvfb-run -a %s\n",
            which.c_str(), program);
        return 1;
    }

    // The game's own options are read; GLUT gets the program name only.
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    CloseDisplayCheck();
    // A recording's window closed leaves as Escape does, with the status saying whether it was saved.
    if (demo.mode == DemoMode::Record) glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    if (command.width > 0) windowWidth = command.width, windowHeight = command.height;
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("Torvinel");
    // At once, so that docks, switchers and the window manager see the game's name and icon as
    // early as they can, and the screen stays on from the first frame.
    const double desktopStart = ProfileNowMs();
    NameGameWindow(LoadWindowIcon());
    KeepScreenAwake();
    ProfilePhase("desktop", desktopStart);
    // A held key must read as held: X11's auto-repeat would otherwise send release/press pairs.
    glutIgnoreKeyRepeat(1);
    if (fullScreenMode) {
        // A borderless window over the whole desktop.
        screenWidth = glutGet(GLUT_SCREEN_WIDTH);
        screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
        glutPositionWindow(0, 0);
        glutFullScreen();
        windowWidth = screenWidth;
        windowHeight = screenHeight;
    }
    if (demo.mode == DemoMode::Record)
        RecordComment(demo, "window " + std::to_string(windowWidth) + "x" + std::to_string(windowHeight));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    const GLenum glew = glewInit();
    if (glew != GLEW_OK) {
        Say("cannot initialise GLEW: %s\n",
            reinterpret_cast<const char*>(glewGetErrorString(glew)));
        return -1;
    }
    ProfilePhase("window", windowStart);

    glutDisplayFunc(OnDisplay);
    glutReshapeFunc(OnReshape);
    glutSpecialFunc(OnWindowSpecialKeyDown);
    glutKeyboardFunc(OnWindowKeyDown);
    glutSpecialUpFunc(OnSpecialKeyUp);
    glutKeyboardUpFunc(OnKeyUp);
    glutMouseFunc(OnMouse);
    glutMotionFunc(OnMouseMove);
    glutPassiveMotionFunc(OnMouseMove);

    const double scenesStart = ProfileNowMs();
    const bool timeDemo = demo.mode == DemoMode::TimeDemo;
    // The first title fills the tube: already with the play's own arithmetic.
    UseStandardArithmetic();
    game.step = [] { ProfiledStep(StepScenes); };
    SetFixedGlState(seed, !timeDemo);
    ProfilePhase("start_scenes", scenesStart);
    if (timeDemo) {
        // As fast as the machine allows: a tick and its frame each time GLUT has nothing else to do.
        SwapWithoutWaiting();
        glutIdleFunc(OnTimeDemoFrame);
    } else {
        glutIdleFunc(OnIdleRest);
    }
    glutMainLoop();
    return demo.mode == DemoMode::Record ? EndOfRecording() : 0;
}
