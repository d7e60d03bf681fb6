#include "app/Export.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <vector>

#include "app/App.h"
#include "app/Game.h"
#include "app/WindowKeys.h"
#include "audio/Music.h"
#include "audio/SoundMix.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/GlContext.h"
#include "platform/Say.h"
#include "scene/Scene.h"
#include "scenes/GameScene.h"
#include "scenes/RankingFile.h"
#include "video/SoundFile.h"
#include "video/VideoFile.h"

namespace {

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr) return path;
    return std::string(folder) + "/" + path;
}

// A new empty file beside `path` that the video is written into, with the permissions a file
// made there would have; empty when the folder cannot take it.
std::string TempBeside(const std::string& path, std::string& why) {
    const std::size_t slash = path.rfind('/');
    std::string temp = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        why = std::string("cannot write there (") + std::strerror(errno) + ")";
        return "";
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return temp;
}

// The video's file beside its name, until it is put in place: an export stopped by Ctrl+C or a
// kill leaves nothing behind.
char unfinished[4096];
void RemoveUnfinished(int signal) {
    unlink(unfinished);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

long stepsTaken = 0;
void CountedStep() {
    ++stepsTaken;
    StepScenes();
}

// The sounds the ticks name, decoded once each; a file that cannot be decoded stays silent.
const StereoSamples* EffectSamples(const char* path) {
    static std::map<std::string, StereoSamples> decoded;
    if (path == nullptr) return nullptr;
    auto found = decoded.find(path);
    if (found == decoded.end()) {
        std::string why;
        StereoSamples samples;
        if (!DecodeSoundFile(path, samples, why))
            Say("the sound \"%s\": %s; the video goes on without it\n", path, why.c_str());
        found = decoded.emplace(path, std::move(samples)).first;
    }
    return &found->second;
}

}  // namespace

std::string ExportProgress(long done, long total) {
    const long percent = total > 0 ? done * 100 / total : 100;
    return "exporting " + std::to_string(done) + "/" + std::to_string(total) + " ticks (" +
           std::to_string(percent) + "%)";
}

bool ProgressDue(long done, long total, unsigned nowMs, unsigned shownMs) {
    return done <= 1 || done >= total || nowMs - shownMs >= kProgressMs;
}

bool MakeOffscreen(Offscreen& off, int width, int height) {
    if (!GLEW_ARB_framebuffer_object && !GLEW_VERSION_3_0) return false;
    off.width = width, off.height = height;
    glGenFramebuffers(1, &off.frame);
    glGenRenderbuffers(1, &off.colour);
    glGenRenderbuffers(1, &off.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, off.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, off.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, off.frame);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, off.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, off.depth);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void FreeOffscreen(Offscreen& off) {
    if (off.frame == 0) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glDeleteFramebuffers(1, &off.frame);
    glDeleteRenderbuffers(1, &off.colour);
    glDeleteRenderbuffers(1, &off.depth);
    off = Offscreen{};
}

void DrawOffscreen(const Offscreen& off, unsigned char* rgba) {
    glBindFramebuffer(GL_FRAMEBUFFER, off.frame);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (currentScene != nullptr) currentScene->Draw();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, off.width, off.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

bool ExportDemo(DemoRun& run, VideoFile& video, int width, int height, std::string& why) {
    Offscreen offscreen;
    if (!MakeOffscreen(offscreen, width, height)) {
        FreeOffscreen(offscreen);
        why = "this OpenGL cannot draw offscreen (no framebuffer objects)";
        return false;
    }
    StereoSamples music;
    if (!DecodeSoundFile(kMusicTrackPath, music, why))
        Say("the music \"%s\": %s; the video goes on without it\n", kMusicTrackPath, why.c_str());
    SetGameGlState();
    SetDrawingSize(width, height);
    StartHeadlessPlay(run.demo.seed, run.demo.table);
    Game game;
    game.demo = std::move(run);
    game.demo.mode = DemoMode::Play;
    game.step = CountedStep;
    // The music starts with the game, as the first title comes up.
    SoundMix mix{&music, 0, nullptr, -1};
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    std::vector<float> sound(2 * kTickFrames);
    const long total = game.demo.demo.lastTick + 1, first = stepsTaken;
    unsigned shown = 0;
    bool ok = true;
    for (TickOutcome outcome = TickOutcome::Stepped;
         ok && outcome != TickOutcome::DemoEnded && outcome != TickOutcome::Leave;) {
        const long before = stepsTaken;
        outcome = RunGameTick(game, KeySet{});
        if (stepsTaken == before) continue;
        DrawOffscreen(offscreen, pixels.data());
        const TickSounds& played = SoundsThisTick();
        MixTick(mix, played, music, EffectSamples(played.effect), CurrentSoundLevels(), sound.data());
        ok = WriteVideoFrame(video, pixels.data(), why) && WriteVideoSound(video, sound.data(), kTickFrames, why);
        const unsigned now = MonotonicMs();
        if (ProgressDue(stepsTaken - first, total, now, shown)) {
            shown = now;
            std::fprintf(stderr, "\r%s%s", kSayPrefix, ExportProgress(stepsTaken - first, total).c_str());
        }
    }
    std::fputc('\n', stderr);  // ends the progress line
    run = std::move(game.demo);
    EndScenes();
    FreeOffscreen(offscreen);
    return ok;
}

int RunExport(const CommandChoice& command) {
    const std::string demoFile = AbsolutePath(command.demoPath), out = AbsolutePath(command.videoPath);
    const int width = command.width > 0 ? command.width : 1280, height = command.width > 0 ? command.height : 720;
    std::string rankingPath, why;
    if (!EnterDataFolder(rankingPath)) return 1;
    // The player's sound levels are heard in the video, and nothing of the player's is written.
    StartPlayerSettings(rankingPath, false);
    SetRankingPath("");
    DemoRun run;
    if (!LoadDemo(run, demoFile, why)) {
        Say("cannot export the demo %s: %s\n", command.demoPath.c_str(), why.c_str());
        return 1;
    }
    run.path = command.demoPath;
    if (!OpenDisplayCheck()) {
        Say("cannot export without an X display (for its OpenGL); run it under xvfb-run -a\n");
        return 1;
    }
    const std::string temp = TempBeside(out, why);
    if (!temp.empty() && temp.size() < sizeof unfinished) {
        std::snprintf(unfinished, sizeof unfinished, "%s", temp.c_str());
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, RemoveUnfinished);
    }
    VideoFile* video = temp.empty() ? nullptr : OpenVideo(temp, width, height, why);
    if (video == nullptr) {
        if (!temp.empty()) unlink(temp.c_str());
        Say("cannot export to %s: %s\n", command.videoPath.c_str(), why.c_str());
        return 1;
    }
    // A window of one pixel, never shown, only for the GL context; the scenes draw offscreen.
    int glutArgc = 1;
    char name[] = "torvinel", *glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    CloseDisplayCheck();
    glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(1, 1);
    glutCreateWindow("Torvinel export");
    glutHideWindow();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    bool ok = glewInit() == GLEW_OK;
    if (!ok) why = "cannot initialise GLEW";
    if (ok) ok = ExportDemo(run, *video, width, height, why);
    ok = ok ? FinishVideo(video, why) : (DropVideo(video), false);
    if (ok && std::rename(temp.c_str(), out.c_str()) != 0) {
        why = std::string("cannot put it in place (") + std::strerror(errno) + ")";
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        Say("cannot export to %s: %s\n", command.videoPath.c_str(), why.c_str());
    }
    glFinish();
    return ok ? 0 : 1;
}
