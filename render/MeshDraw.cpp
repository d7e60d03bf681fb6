#include <GL/glew.h>

#include "render/MeshDraw.h"

#include "mesh/Field.h"
#include "render/Camera.h"
#include "render/MeshMath.h"
#include "render/Registry.h"
#include "render/Texture.h"

namespace {

// Binds a registered texture, or texture 0 (no texturing) when it is absent or failed to load.
void BindNamedTexture(const char* name) {
    const Texture* texture = Registry<Texture>().Get(name);
    const bool usable = texture != nullptr && TextureLoaded(*texture);
    glBindTexture(GL_TEXTURE_2D, usable ? texture->id : 0);
}

// One pass over the faces of one kind. Degenerate faces keep the previous face's normal.
void DrawFaces(const Model& model, bool surfaceFaces, Vec3& lastNormal) {
    glBegin(GL_TRIANGLES);
    const int count = static_cast<int>(model.faces.size());
    for (int i = 0; i < count; ++i) {
        if (!ModelFaceValid(model, i) || model.faceIsSurface[i] != surfaceFaces) continue;
        lastNormal = ModelFaceNormal(model, i, lastNormal);
        glNormal3f(lastNormal.x, lastNormal.y, lastNormal.z);
        const std::array<int, 3>& f = model.faces[i];
        for (int corner : {f[1], f[0], f[2]}) {  // Q, P, R
            const std::array<float, 3>& v = model.vertices[corner];
            const std::array<double, 3> st = ModelTexCoord(v, surfaceFaces);
            glTexCoord3d(st[0], st[1], st[2]);
            glVertex3f(v[0], v[1], v[2]);
        }
    }
    glEnd();
}

}  // namespace

Surface::Surface() { FillSurfacePoints(points); }

void DrawSurface(const Surface& surface) {
    glDisable(GL_CULL_FACE);  // stays off: the gems drawn next are not culled either
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    BindNamedTexture("MySurface");
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 0.0f);
    glBegin(GL_QUAD_STRIP);
    for (const StripVertex& v : SurfaceStrip(surface)) {
        glNormal3f(v.normal.x, v.normal.y, v.normal.z);
        glTexCoord2d(v.s, v.t);
        glVertex3f(v.position.x, v.position.y, v.position.z);
    }
    glEnd();
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DrawModel(const Model* model) {
    if (model == nullptr) return;
    Vec3 lastNormal{0.0f, 1.0f, 0.0f};
    glActiveTexture(GL_TEXTURE0);
    BindNamedTexture("ModelA");
    glPushMatrix();
    glTranslatef(model->position.x, model->position.y, model->position.z);
    DrawFaces(*model, true, lastNormal);
    glActiveTexture(GL_TEXTURE0);
    BindNamedTexture("ModelB");
    DrawFaces(*model, false, lastNormal);
    glPopMatrix();
}

void DrawModels(const ModelField& field) {
    for (const Model* model : field.models) DrawModel(model);
}

void DrawStream(int angle, const Surface& surface, const ModelField& field) {
    BeginOrbitView(angle);
    DrawSurface(surface);
    DrawModels(field);
    glUseProgram(0);
}
