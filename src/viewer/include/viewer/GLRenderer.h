#pragma once
// Draws the retained-mode scene with OpenGL 3.3 core into the framebuffer that
// is bound: Gouraud and flat shading lit by the scene's lights, wireframe
// unlit, transparent materials blended after the opaque ones, back to front.
// Opaque triangles of materials that draw alike are drawn together, whichever
// mesh they came from (DrawBatches.h).
// Faces wound clockwise on the screen are the front faces, as in the scene's
// left-handed system; back faces are culled unless the device draws both
// sides. A material's texture (an image file found and read as
// TextureImages.h says) is modulated by its lit colour, as
// Direct3D does by default. Needs a current OpenGL 3.3 core context for every call.
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>

#include <map>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "viewer/Frame.h"
#include "viewer/MeshBuilder.h"
#include "viewer/Viewport.h"

class QImage;

namespace viewer {

class GLRenderer {
public:
    GLRenderer() = default;
    ~GLRenderer();
    GLRenderer(const GLRenderer&) = delete;
    GLRenderer& operator=(const GLRenderer&) = delete;

    // False when the context cannot run the shaders; Render then does nothing.
    bool Initialize();
    // Raises std::bad_alloc when a mesh cannot be made ready for drawing; the
    // mesh is then tried afresh at the next call.
    void Render(const Frame& scene, const Viewport& viewport, const Device& device);

private:
    struct DrawRange {
        std::uint32_t material, first, count;
    };
    // A builder's geometry on the GPU.
    struct GpuMesh {
        std::uint64_t revision = 0;
        unsigned vertexArray = 0, vertexBuffer = 0, indexBuffer = 0, transparentBuffer = 0;
        std::vector<DrawRange> opaque;  // batches of one look in indexBuffer (DrawBatches.h)
        std::vector<std::uint32_t> transparentTriangles;  // three vertex indices each
        std::vector<Vec3> transparentCentres;
        std::vector<std::uint32_t> transparentMaterials;  // the first material of each one's look
        std::vector<unsigned> textures;  // per material; 0 for none
        bool used = false;
    };
    struct Lighting;
    struct Visual {
        const MeshBuilder* builder;
        Matrix4 modelView;
    };

    void Collect(const Frame& frame, const Matrix4& view, Lighting& lighting,
                 std::vector<Visual>& visuals) const;
    GpuMesh& Upload(const MeshBuilder& builder);
    static std::vector<std::uint32_t> ArrangeDraws(const MeshBuilder& builder,
                                                   const std::vector<std::uint32_t>& cornerVertices,
                                                   GpuMesh& mesh);
    void CreateBuffers(GpuMesh& mesh, const std::vector<float>& interleaved,
                       const std::vector<std::uint32_t>& opaqueIndices);
    // A texture for each material whose image loads; none without texture coordinates.
    void LoadTextures(const MeshBuilder& builder, GpuMesh& mesh);
    unsigned UploadTexture(const QImage& image);
    // Binds the material's texture, or tells the program that there is none.
    void UseTexture(QOpenGLShaderProgram& program, const GpuMesh& mesh, std::uint32_t material);
    void Release(GpuMesh& mesh);
    enum class Shading { Gouraud, Flat, Unlit };

    // The program for a shading and a number of directional lights, built on
    // first use; none when it cannot be built.
    QOpenGLShaderProgram* Program(Shading shading, int lightCount);
    // Binds the program of the visual's render quality, lit and placed for it.
    QOpenGLShaderProgram* UseProgram(const Visual& visual, const Matrix4& projection, const Lighting& lighting,
                                     bool twoSided);
    static void SetMaterial(QOpenGLShaderProgram& program, const Material& material);
    void DrawOpaque(const Visual& visual, const Matrix4& projection, const Lighting& lighting,
                    const GpuMesh& mesh, bool twoSided);
    void DrawTransparent(const Visual& visual, const Matrix4& projection, const Lighting& lighting,
                         GpuMesh& mesh, bool sorted, bool twoSided);

    QOpenGLFunctions_3_3_Core* gl_ = nullptr;
    std::map<std::pair<Shading, int>, std::unique_ptr<QOpenGLShaderProgram>> programs_;
    std::unordered_map<const MeshBuilder*, GpuMesh> meshes_;
};

}  // namespace viewer
