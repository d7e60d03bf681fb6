#include "app/App.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/CommandLine.h"
#include "app/Demo.h"
#include "app/Globals.h"
#include "app/Input.h"
#include "app/Profile.h"
#include "app/StateLine.h"
#include "app/Tick.h"
#include "app/WindowIcon.h"
#include "app/WindowKeys.h"
#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/Desktop.h"
#include "platform/GlContext.h"
#include "platform/Pad.h"
#include "platform/Rest.h"
#include "render/Camera.h"
#include "render/Registry.h"
#include "scene/Scene.h"
#include "scenes/RankingSave.h"

namespace {

TickPacer pacer;
DemoRun demo;
bool liveEscapeBefore = false;  // playback: the player's own Escape at the previous tick
TimeDemoFigures figures;
double timeDemoStartMs = 0.0, timeDemoCpuStartMs = 0.0;

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return path;
    return std::string(folder) + "/" + path;
}

bool PlayingBack() { return demo.mode == DemoMode::Play || demo.mode == DemoMode::TimeDemo; }

// The end of a demo's playback, by its own end or by its recorded Escape: the last scores are
// compared and a timedemo gives its figures. The exit status to leave with.
int EndOfPlayback() {
    const bool inStep = FinishPlayback(demo, RankingTable);
    if (demo.mode != DemoMode::TimeDemo) return 0;
    figures.ticks = demo.tick;
    figures.seconds = (ProfileNowMs() - timeDemoStartMs) / 1000.0;
    figures.cpuMs = ProfileProcessCpuMs() - timeDemoCpuStartMs;
    std::printf("%s\n", TimeDemoSummary(demo.path, figures, inStep, demo.report).c_str());
    std::fflush(stdout);
    return inStep ? 0 : kOutOfStepStatus;
}

// A recording ends with the game: saved and put in place, or said why not (status 1).
int EndOfRecording() {
    std::string why;
    if (FinishRecording(demo, RankingTable, why)) return 0;
    if (!why.empty()) std::fprintf(stderr, "torvinel: could not save the demo %s (%s)\n", demo.path.c_str(), why.c_str());
    return 1;
}

// One tick of play: this tick's keys reach the scenes, the scenes step, and the demo records or
// checks what came of it.
void PlayOneTick() {
    PollPads(PadKeys(), KeyPresses());
    const long tick = demo.tick;
    const bool inStep = DemoTick(demo, TickKeys(), [] { ProfiledStep(StepScenes); });
    StateLineTick(tick, currentScene);
    // A timedemo is a check: there is no point running on once it has gone out of step.
    if (!inStep && demo.mode == DemoMode::TimeDemo) std::exit(EndOfPlayback());
}

// Before a tick of playback: the player's own Escape (or a pad's Back), held as in the game,
// leaves; it is the only key playback takes from the player. A recording played out ends the game.
void LeaveOrEndPlayback() {
    const bool down = LiveKeys().keys[27] != 0;
    if (down && liveEscapeBefore) std::exit(0);
    liveEscapeBefore = down;
    if (DemoPlayedOut(demo)) std::exit(EndOfPlayback());
}

void DrawCurrentScene() {
    if (currentScene != nullptr) currentScene->Draw();
    DrawLevelOverlay();
}

// Whenever GLUT has nothing for the game: the tick once it is due, and until then a rest in the
// kernel that only X input cuts short.
void OnIdleRest() {
    const RestHooks hooks{MonotonicMs, RestUntilInput, [] { OnTimer(0); }};
    RestOrTick(pacer, hooks);
}

void SetFixedGlState(unsigned seed, bool music) {
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
    SeedGameRandom(seed);
    StartScenes(music);
}

// A timedemo's heartbeat, called whenever GLUT is idle: a tick and its drawing, with no wait.
void OnTimeDemoFrame() {
    const double start = ProfileNowMs();
    if (demo.tick == 0) timeDemoStartMs = start, timeDemoCpuStartMs = ProfileProcessCpuMs();
    LeaveOrEndPlayback();
    PlayOneTick();
    // A paused tick changes nothing on screen: it is passed over, not drawn or timed.
    const bool paused = currentScene != nullptr && currentScene->Paused();
    if (!paused) OnDisplay();
    CopyInputHistory();
    if (paused) ++figures.pausedTicks;
    else figures.frameMs.push_back(ProfileNowMs() - start);
}

}  // namespace

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
    if (PlayingBack()) LeaveOrEndPlayback();
    // A save that finished since the last tick shows its merged table from this tick on, never
    // in the middle of an Update or a drawing.
    ApplySavedRanking();
    const TickHooks hooks{MonotonicMs, SleepUntilMs, PlayOneTick, stdout};
    RunTick(pacer, hooks);
    glutPostRedisplay();
    CopyInputHistory();
}

void OnDisplay() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    ProfiledDisplay(DrawCurrentScene, glutSwapBuffers);
}

void OnReshape(int width, int height) {
    const WindowSize size = ClampWindowSize(width, height);
    if (size.raised) glutReshapeWindow(size.width, size.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, static_cast<double>(size.width) / static_cast<double>(size.height), 1.0, 100.0);
    windowWidth = size.width;
    windowHeight = size.height;
    NoteWindowSize(size.width, size.height);
    Camera* camera = Registry<Camera>().Get("MyCamera");
    if (camera != nullptr) {
        camera->width = size.width;
        camera->height = size.height;
        glViewport(0, 0, size.width, size.height);
    }
}

void OnExit() {
    if (demo.mode == DemoMode::Record) EndOfRecording();  // unless Escape has ended it already
    EndRateLine(pacer, stdout);
    // A score still on its way to the disk is waited for, a few seconds at most; what is still
    // waiting then is kept beside the ranking for the next start.
    FinishRankingSaves(kExitSaveWaitMs);
    SaveSettingsAtExit();
    if (currentScene != nullptr) {
        currentScene->Finalize();
        delete currentScene;
        currentScene = nullptr;
    }
    // Shared by every scene, so freed only once the last one is gone.
    FreeSharedStream();
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
            std::fprintf(stderr, "%s: %s\n", program, command.problem.c_str());
            PrintUsage(stderr, program);
            return 2;
        case CommandAction::Play:
            break;
    }
    // Named from where the game was started, before it moves into its data folder.
    const std::string demoFile = AbsolutePath(command.demoPath);

    std::atexit(OnExit);
    ProfileStart();
    StateLineStart();
    const double windowStart = ProfileNowMs();
    // Joystick and sound come through SDL, which would otherwise swallow SIGTERM and SIGINT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string rankingPath;
    if (!EnterDataFolder(rankingPath)) return 1;
    SetRankingPath(rankingPath);
    // A playback or a window of a chosen size is a check, not the player's choice: nothing is kept.
    const bool playback = command.demo == DemoMode::Play || command.demo == DemoMode::TimeDemo;
    StartPlayerSettings(rankingPath, !playback && command.width == 0);
    fullScreenMode = StartsFullScreen(fullScreen);
    KeptWindowSize(windowWidth, windowHeight);
    // The first game's board ranks its score into this table while the save runs; a recording
    // starts from it too.
    LoadRanking();
    unsigned seed = static_cast<unsigned>(std::time(nullptr));
    std::string why;
    if (command.demo == DemoMode::Play || command.demo == DemoMode::TimeDemo) {
        if (!LoadDemo(demo, demoFile, why)) {
            std::fprintf(stderr, "%s: cannot play the demo %s: %s\n", program, command.demoPath.c_str(), why.c_str());
            return 1;
        }
        demo.mode = command.demo;
        demo.path = command.demoPath;
        if (!demo.demo.ended)
            std::fprintf(stderr, "%s: the demo %s was cut short at tick %ld; it plays that far\n", program,
                         command.demoPath.c_str(), demo.demo.lastTick);
        // The player's own ranking is never touched: the board starts from the recorded table and
        // keeps it in memory.
        SetRankingPath("");
        std::copy(demo.demo.table.begin(), demo.demo.table.end(), RankingTable);  // eight places
        seed = demo.demo.seed;
        quitStatus = EndOfPlayback;
        if (demo.mode == DemoMode::TimeDemo) cutSoundPlayer = [](const char*) {};
    } else if (command.demo == DemoMode::Record) {
        if (!StartRecording(demo, demoFile, seed, RankingTable, std::string(program) + " " + GameVersion(), why)) {
            std::fprintf(stderr, "%s: cannot record into %s: %s\n", program, command.demoPath.c_str(), why.c_str());
            return 1;
        }
        // Leaving says whether the whole run was saved, in the exit status too.
        quitStatus = EndOfRecording;
    }
    // Scores an earlier run could not save before it ended join the ranking, on the save's worker
    // (never for a playback, which keeps the ranking in memory only).
    MergeWaitingScores();
    if (!OpenDisplayCheck()) {
        const char* display = std::getenv("DISPLAY");
        const std::string which = display == nullptr ? std::string("(DISPLAY is not set)")
                                                     : "'" + std::string(display) + "' (DISPLAY)";
        std::fprintf(stderr,
                     "%s: cannot open the X display %s; to play without a screen, run it under "
                     "xvfb-run, e.g. xvfb-run -a %s\n",
                     program, which.c_str(), program);
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
        std::fprintf(stderr, "torvinel: cannot initialise GLEW: %s\n",
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
