#include "app/Profile.h"

#include <GL/glew.h>
#include <cstdlib>
#include <ctime>
#include <string>
#include <typeinfo>

#include "platform/GlContext.h"
#include "platform/Say.h"
#include "scene/Scene.h"

std::FILE* profileFile = nullptr;

namespace {

bool countObjects = false;
unsigned long tickIndex = 0;
double shaderMs = 0.0;
PFNGLCOMPILESHADERPROC realCompileShader = nullptr;
PFNGLLINKPROGRAMPROC realLinkProgram = nullptr;

double ClockMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void GLAPIENTRY TimedCompileShader(GLuint shader) {
    const double start = ProfileNowMs();
    realCompileShader(shader);
    shaderMs += ProfileNowMs() - start;
}

void GLAPIENTRY TimedLinkProgram(GLuint program) {
    const double start = ProfileNowMs();
    realLinkProgram(program);
    shaderMs += ProfileNowMs() - start;
}

const char* SceneName(const Scene* scene) {
    if (scene == nullptr) return "none";
    const char* name = typeid(*scene).name();
    while (*name >= '0' && *name <= '9') ++name;  // drop the length prefix of the mangled name
    return name;
}

long ResidentKb() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) return -1;
    long size = 0, resident = 0;
    const int read = std::fscanf(statm, "%ld %ld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * 4 : -1;  // pages of 4 KiB
}

// Names are handed out from 1 upwards and reused after deletion, so a leak shows up as live
// names here; a name that was only generated but never bound does not count, as in GL itself.
void LogLiveObjects() {
    constexpr GLuint kProbe = 16384;
    int textures = 0, programs = 0;
    for (GLuint name = 1; name <= kProbe; ++name) {
        if (glIsTexture(name)) ++textures;
        if (glIsProgram(name)) ++programs;
    }
    std::fprintf(profileFile, "objects %lu %d %d %ld\n", tickIndex, textures, programs, ResidentKb());
}

}  // namespace

void ProfileStart() {
    const char* path = std::getenv("TORVINEL_PROFILE");
    if (path == nullptr || path[0] == '\0') return;
    profileFile = std::fopen(path, "w");
    if (profileFile == nullptr) {
        Say("cannot write the profile \"%s\"; running without it\n", path);
        return;
    }
    static char buffer[1 << 20];
    std::setvbuf(profileFile, buffer, _IOFBF, sizeof buffer);
    const char* gl = std::getenv("TORVINEL_PROFILE_GL");
    countObjects = gl != nullptr && gl[0] == '1';
    std::fprintf(profileFile, "start %.3f\n", ClockMs(CLOCK_REALTIME));
}

double ProfileNowMs() { return ClockMs(CLOCK_MONOTONIC); }
double ProfileThreadCpuMs() { return ClockMs(CLOCK_THREAD_CPUTIME_ID); }
double ProfileProcessCpuMs() { return ClockMs(CLOCK_PROCESS_CPUTIME_ID); }

void ProfilePhase(const char* name, double startMs) {
    if (profileFile == nullptr) return;
    const double ms = ProfileNowMs() - startMs;
    if (realCompileShader != nullptr && std::string(name) == "scene_init") {
        std::fprintf(profileFile, "phase shaders %.3f\n", shaderMs);
    }
    std::fprintf(profileFile, "phase %s %.3f\n", name, ms);
}

void ProfileWatchShaderBuilds() {
    if (profileFile == nullptr || glCompileShader == nullptr || glLinkProgram == nullptr) return;
    realCompileShader = glCompileShader;
    realLinkProgram = glLinkProgram;
    glCompileShader = TimedCompileShader;
    glLinkProgram = TimedLinkProgram;
}

void ProfiledStep(void (*step)()) {
    if (profileFile == nullptr) {
        step();
        return;
    }
    if (tickIndex == 0) std::fprintf(profileFile, "first_tick %.3f\n", ClockMs(CLOCK_REALTIME));
    if (tickIndex == 0 && GlContextCurrent()) {
        std::fprintf(profileFile, "gl %s | %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                     reinterpret_cast<const char*>(glGetString(GL_VERSION)));
        if (countObjects) LogLiveObjects();
    }
    const bool switching = currentScene != nullptr && currentScene->finished;
    const double start = ProfileNowMs();
    const double cpuStart = ProfileThreadCpuMs();
    step();
    const double cpu = ProfileThreadCpuMs() - cpuStart;
    const double wall = ProfileNowMs() - start;
    // tick <index> <start ms> <update cpu ms> <update wall ms> <process cpu ms so far>
    std::fprintf(profileFile, "tick %lu %.3f %.3f %.3f %.3f\n", tickIndex, start, cpu, wall,
                 ProfileProcessCpuMs());
    if (switching) {
        std::fprintf(profileFile, "switch %lu %s\n", tickIndex, SceneName(currentScene));
        if (countObjects && GlContextCurrent()) LogLiveObjects();
        // Switches are rare; flushing here lets a script follow the scenes as they change.
        std::fflush(profileFile);
    }
    if (tickIndex == 0) std::fflush(profileFile);
    ++tickIndex;
}

void ProfiledDisplay(void (*draw)(), void (*swap)()) {
    if (profileFile == nullptr) {
        draw();
        swap();
        return;
    }
    const double start = ProfileNowMs();
    const double cpuStart = ProfileThreadCpuMs();
    draw();
    const double cpu = ProfileThreadCpuMs() - cpuStart;
    const double drawn = ProfileNowMs();
    swap();
    // draw <draw cpu ms> <draw wall ms> <swap wall ms>
    std::fprintf(profileFile, "draw %.3f %.3f %.3f\n", cpu, drawn - start, ProfileNowMs() - drawn);
}
