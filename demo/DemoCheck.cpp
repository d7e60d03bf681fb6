#include "demo/DemoCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "demo/DemoFile.h"
#include "mesh/Field.h"
#include "render/MeshDraw.h"

namespace {

// FNV-1a over the bytes of every value that steers the stream, each value's bytes taken lowest
// first, so the figure is the same on every machine.
struct Hash {
    std::uint32_t value = kRunHashStart;
    void Byte(unsigned char byte) { value = (value ^ byte) * 16777619u; }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) Byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void F64(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Point(const Vec3& p) { F32(p.x), F32(p.y), F32(p.z); }
};

// The stream: the tube's scroll, the spawning pace and every gem, as format 1 has always hashed it.
void AddStream(Hash& hash, const SceneCheck& check) {
    if (check.surface != nullptr) hash.F64(check.surface->scroll);
    hash.F32(spawnTravel);
    if (check.field == nullptr) return;
    for (const Model* model : check.field->models) {
        hash.Byte(model->cuttable ? 1 : 0);
        hash.Point(model->position);
        hash.Point(model->velocity);
        hash.U64(model->faces.size());
        for (const auto& vertex : model->vertices)
            for (float c : vertex) hash.F32(c);
        for (const auto& face : model->faces)
            for (int index : face) hash.I32(index);
        for (bool surface : model->faceIsSurface) hash.Byte(surface ? 1 : 0);
    }
}

std::string Float(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string CheckLine(const SceneCheck& check, int format, std::uint32_t run) {
    Hash stream;
    AddStream(stream, check);
    const std::size_t gems = check.field != nullptr ? check.field->models.size() : 0;
    std::string line = std::string(check.scene) + " angle=" + std::to_string(check.angle) +
                       " speed=" + Float(check.orbitSpeed) + " gems=" + std::to_string(gems) + " field=" + Hex(stream.value);
    if (check.game)
        line += " score=" + std::to_string(check.score) + " time=" + std::to_string(check.timeLeft) +
                " blade=" + std::to_string(check.bladeYaw) + "/" + Float(check.bladeLift) +
                " sparks=" + std::to_string(check.sparks);
    if (check.ranking)
        line += " score=" + std::to_string(check.score) + " banner=" + std::to_string(check.banner) +
                " slide=" + std::to_string(check.slideIn);
    if (format >= 2) line += " run=" + Hex(run);
    return line;
}

std::uint32_t FoldTick(std::uint32_t run, const SceneCheck& check) {
    Hash hash{run};
    for (const char* c = check.scene; *c != '\0'; ++c) hash.Byte(static_cast<unsigned char>(*c));
    hash.I32(check.angle);
    hash.F32(check.orbitSpeed);
    hash.U64(check.field != nullptr ? check.field->models.size() : 0);
    AddStream(hash, check);
    hash.I32(check.score);
    hash.I32(check.timeLeft);
    hash.I32(check.bladeYaw);
    hash.F32(check.bladeLift);
    hash.I32(check.banner);
    hash.I32(check.slideIn);
    if (check.blade != nullptr) {
        for (const Vec3& p : check.blade->hitTriangle) hash.Point(p);
        for (const Vec3& p : check.blade->cutTriangle) hash.Point(p);
    }
    if (check.particles != nullptr) {
        hash.U64(check.particles->size());
        for (const Particle& spark : *check.particles) {
            for (double c : spark.position) hash.F64(c);
            for (double c : spark.velocity) hash.F64(c);
            hash.I32(spark.life);
        }
    }
    return hash.value;
}

std::string CheckDifference(const std::string& played, const std::string& recorded) {
    const std::vector<std::string> a = DemoWords(played), b = DemoWords(recorded);
    if (a.empty() || b.empty() || a[0] != b[0])
        return "the " + (a.empty() ? std::string("none") : a[0]) + " scene, where the recording is in the " +
               (b.empty() ? std::string("none") : b[0]) + " scene";
    for (std::size_t i = 1; i < std::max(a.size(), b.size()); ++i) {
        const std::string mine = i < a.size() ? a[i] : "", theirs = i < b.size() ? b[i] : "";
        if (mine == theirs) continue;
        const std::size_t eq = mine.find('=');
        const std::string name = mine.substr(0, eq);
        const std::string value = eq == std::string::npos ? mine : mine.substr(eq + 1);
        const std::size_t theirEq = theirs.find('=');
        const std::string recordedValue = theirEq == std::string::npos ? theirs : theirs.substr(theirEq + 1);
        // Every value of a recorded check passed its shape's test when the demo was read, so it
        // is shown as it is. The running hash alone differing means a tick since the last check.
        const std::string since = name == "run" ? " (the play differed on a tick since the last check)" : "";
        return name + " is " + value + ", the recording says " + recordedValue + since;
    }
    return "nothing differs";
}
