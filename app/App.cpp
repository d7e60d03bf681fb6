#include "app/App.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <SDL2/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/CommandLine.h"
#include "app/Globals.h"
#include "app/Input.h"
#include "app/Profile.h"
#include "app/Tick.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/GlContext.h"
#include "platform/KeyboardFocus.h"
#include "render/Camera.h"
#include "render/Registry.h"
#include "scene/Scene.h"
#include "scenes/RankingFile.h"

namespace {

TickPacer pacer;

std::uint32_t NowTickMs() { return TickMsFrom(NowUtcFields()); }

void StepScenesMaybeProfiled() { ProfiledStep(StepScenes); }

void DrawCurrentScene() {
    if (currentScene != nullptr) currentScene->Draw();
}

// Joystick and mouse history advance per idle call; the short rest keeps an idle game from
// spinning a whole core between ticks.
void OnIdleAndRest() {
    OnIdle();
    RestBriefly();
}

void SetFixedGlState() {
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
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    StartScenes();
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
    // Asked once a tick, and only while a key is down, so an idle game costs the X server nothing.
    if (AnyKeyDown() && !GameWindowHasKeyboard()) ReleaseAllKeys();
    // A save that finished since the last tick shows its merged table from this tick on, never
    // in the middle of an Update or a drawing.
    ApplySavedRanking();
    const TickHooks hooks{NowTickMs, SleepMs, StepScenesMaybeProfiled, stdout};
    RunTick(pacer, hooks);
    glutPostRedisplay();
    glutTimerFunc(1, OnTimer, 0);
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
    Camera* camera = Registry<Camera>().Get("MyCamera");
    if (camera != nullptr) {
        camera->width = size.width;
        camera->height = size.height;
        glViewport(0, 0, size.width, size.height);
    }
}

void OnExit() {
    EndRateLine(pacer, stdout);
    // A score still on its way to the disk is waited for, a few seconds at most.
    FinishRankingSaves(kExitSaveWaitMs);
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
    const CommandChoice command = ParseCommandLine(argc, argv);
    switch (command.action) {
        case CommandAction::Help:
            PrintUsage(stdout, program);
            return 0;
        case CommandAction::Version:
            PrintVersion(stdout, program);
            return 0;
        case CommandAction::Refuse:
            std::fprintf(stderr, "%s: unknown option '%s'\n", program, command.refused.c_str());
            PrintUsage(stderr, program);
            return 2;
        case CommandAction::Play:
            break;
    }

    std::atexit(OnExit);
    ProfileStart();
    const double windowStart = ProfileNowMs();
    // Joystick and sound come through SDL, which would otherwise swallow SIGTERM and SIGINT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    fullScreenMode = fullScreen;
    std::string rankingPath;
    if (!EnterDataFolder(rankingPath)) return 1;
    SetRankingPath(rankingPath);
    // The first game's board ranks its score into this table while the save runs.
    LoadRanking();
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
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("Torvinel");
    // A held key must read as held: X11's auto-repeat would otherwise send release/press pairs.
    glutIgnoreKeyRepeat(1);
    if (fullScreen) {
        // A borderless window over the whole desktop.
        screenWidth = glutGet(GLUT_SCREEN_WIDTH);
        screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
        glutPositionWindow(0, 0);
        glutFullScreen();
        windowWidth = screenWidth;
        windowHeight = screenHeight;
    }
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
    glutSpecialFunc(OnSpecialKeyDown);
    glutKeyboardFunc(OnKeyDown);
    glutSpecialUpFunc(OnSpecialKeyUp);
    glutKeyboardUpFunc(OnKeyUp);
    glutMouseFunc(OnMouse);
    glutMotionFunc(OnMouseMove);
    glutPassiveMotionFunc(OnMouseMove);
    glutIdleFunc(OnIdleAndRest);

    const double scenesStart = ProfileNowMs();
    SetFixedGlState();
    ProfilePhase("start_scenes", scenesStart);
    glutTimerFunc(1, OnTimer, 0);
    glutMainLoop();
    return 0;
}
