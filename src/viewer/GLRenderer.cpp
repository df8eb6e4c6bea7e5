#include "viewer/GLRenderer.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>

#include <algorithm>
#include <numeric>

#include "DrawBatches.h"
#include "TextureImages.h"

namespace viewer {

namespace {

constexpr int MaxLights = 8;

// Lighting as the retained-mode device does it: ambient plus diffuse light on
// the face colour, a specular highlight seen from far away, emissive on top.
// The number of directional lights is built into each program: a loop of known
// length runs much faster on a software rasterizer than one of uniform length.
const char* LightingSource = R"(
uniform vec3 ambient;
uniform vec3 lightDirections[LIGHT_ARRAY];
uniform vec3 lightColors[LIGHT_ARRAY];
uniform vec4 faceColor;
uniform float power;
uniform vec3 specular;
uniform vec3 emissive;

vec4 Lit(vec3 n) {
    vec3 diffuse = ambient;
    vec3 highlight = vec3(0.0);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        vec3 towardsLight = -lightDirections[i];
        float d = max(dot(n, towardsLight), 0.0);
        diffuse += lightColors[i] * d;
        if (power > 0.0 && d > 0.0) {
            vec3 h = normalize(towardsLight + vec3(0.0, 0.0, -1.0));
            highlight += lightColors[i] * pow(max(dot(n, h), 0.0), power);
        }
    }
    return vec4(clamp(emissive + faceColor.rgb * diffuse + specular * highlight, 0.0, 1.0), faceColor.a);
}
)";

// One program per render quality. Gouraud lights every vertex, and for
// two-sided drawing its back as well; flat lights every face with the normal
// of its plane facing the camera, found from the screen-space slopes of the
// position; wireframe is not lit.
// A textured material's texel modulates the lit colour (texture coordinates as
// in .x: (0, 0) is the image's top-left corner, its first row).
const char* TextureSource = R"(
uniform bool textured;
uniform sampler2D image;
vec4 Texel(vec2 uv) { return textured ? texture(image, uv) : vec4(1.0); }
)";

const char* GouraudVertexSource = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoord;
uniform mat4 modelViewProjection;
uniform mat3 normalMatrix;
uniform bool twoSided;
out vec4 vertexColor;
out vec4 backColor;
out vec2 uv;
void main() {
    gl_Position = modelViewProjection * vec4(position, 1.0);
    vec3 n = normalize(normalMatrix * normal);
    vertexColor = Lit(n);
    backColor = twoSided ? Lit(-n) : vertexColor;
    uv = texCoord;
}
)";

const char* ColorFragmentSource = R"(
in vec4 vertexColor;
in vec4 backColor;
in vec2 uv;
out vec4 color;
void main() { color = (gl_FrontFacing ? vertexColor : backColor) * Texel(uv); }
)";

const char* FlatVertexSource = R"(
layout(location = 0) in vec3 position;
layout(location = 2) in vec2 texCoord;
uniform mat4 modelViewProjection;
uniform mat4 modelView;
out vec3 viewPosition;
out vec2 uv;
void main() {
    gl_Position = modelViewProjection * vec4(position, 1.0);
    viewPosition = (modelView * vec4(position, 1.0)).xyz;
    uv = texCoord;
}
)";

const char* FlatFragmentSource = R"(
in vec3 viewPosition;
in vec2 uv;
out vec4 color;
void main() {
    vec3 n = normalize(cross(dFdx(viewPosition), dFdy(viewPosition)));
    if (dot(n, viewPosition) > 0.0) n = -n;
    color = Lit(n) * Texel(uv);
}
)";

const char* UnlitVertexSource = R"(
layout(location = 0) in vec3 position;
uniform mat4 modelViewProjection;
void main() { gl_Position = modelViewProjection * vec4(position, 1.0); }
)";

const char* UnlitFragmentSource = R"(
out vec4 color;
void main() { color = faceColor; }
)";

struct ProgramSource {
    const char* vertex;
    const char* fragment;
};

// Indexed by GLRenderer::Shading.
const ProgramSource ProgramSources[] = {
    {GouraudVertexSource, ColorFragmentSource},
    {FlatVertexSource, FlatFragmentSource},
    {UnlitVertexSource, UnlitFragmentSource},
};

QMatrix4x4 ToQt(const Matrix4& m) { return QMatrix4x4(&m.m[0][0]).transposed(); }

}  // namespace

struct GLRenderer::Lighting {
    Vec3 ambient;
    std::vector<Vec3> directions, colors;
};

GLRenderer::~GLRenderer() {
    if (!gl_ || !QOpenGLContext::currentContext()) return;
    for (auto& [builder, mesh] : meshes_) Release(mesh);
}

bool GLRenderer::Initialize() {
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(QOpenGLContext::currentContext());
    if (gl_ && !Program(Shading::Gouraud, 1)) gl_ = nullptr;
    return gl_ != nullptr;
}

QOpenGLShaderProgram* GLRenderer::Program(Shading shading, int lightCount) {
    auto& program = programs_[{shading, lightCount}];
    if (program) return program.get();
    const QByteArray header = QByteArray("#version 330 core\n#define LIGHT_COUNT ") +
                              QByteArray::number(lightCount) + "\n#define LIGHT_ARRAY " +
                              QByteArray::number(std::max(lightCount, 1)) + "\n" + LightingSource + TextureSource;
    const ProgramSource& source = ProgramSources[static_cast<std::size_t>(shading)];
    program = std::make_unique<QOpenGLShaderProgram>();
    const bool built = program->addShaderFromSourceCode(QOpenGLShader::Vertex, header + source.vertex) &&
                       program->addShaderFromSourceCode(QOpenGLShader::Fragment, header + source.fragment) &&
                       program->link();
    if (!built) program.reset();
    return program.get();
}

void GLRenderer::Collect(const Frame& frame, const Matrix4& view, Lighting& lighting,
                         std::vector<Visual>& visuals) const {
    const Matrix4 world = frame.WorldTransform();
    for (const Light* light : frame.Lights()) {
        if (light->type == LightType::Ambient) {
            lighting.ambient += {light->color.red, light->color.green, light->color.blue};
        } else if (lighting.directions.size() < MaxLights) {
            lighting.directions.push_back(Normalize(TransformDirection(world.Row(2), view)));
            lighting.colors.push_back({light->color.red, light->color.green, light->color.blue});
        }
    }
    for (const MeshBuilder* builder : frame.Visuals())
        if (!builder->Triangles().empty()) visuals.push_back({builder, world * view});
    for (const auto& child : frame.Children()) Collect(*child, view, lighting, visuals);
}

void GLRenderer::Render(const Frame& scene, const Viewport& viewport, const Device& device) {
    if (!gl_) return;
    const Color3 background = scene.GetSceneBackground();
    gl_->glViewport(0, 0, viewport.width, viewport.height);
    gl_->glClearColor(background.red, background.green, background.blue, device.transparentBackground ? 0.0f : 1.0f);
    gl_->glDepthMask(GL_TRUE);
    gl_->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    Lighting lighting;
    std::vector<Visual> visuals;
    Collect(scene, viewport.ViewMatrix(), lighting, visuals);
    const Matrix4 projection = viewport.ProjectionMatrix();

    gl_->glEnable(GL_DEPTH_TEST);
    gl_->glDepthFunc(GL_LEQUAL);
    if (device.twoSided)
        gl_->glDisable(GL_CULL_FACE);
    else
        gl_->glEnable(GL_CULL_FACE);
    gl_->glFrontFace(GL_CW);
    gl_->glCullFace(GL_BACK);
    gl_->glDisable(GL_BLEND);
    for (auto& [builder, mesh] : meshes_) mesh.used = false;
    for (const Visual& visual : visuals)
        DrawOpaque(visual, projection, lighting, Upload(*visual.builder), device.twoSided);
    if (device.renderMode & RenderModeBlendedTransparency) {
        gl_->glEnable(GL_BLEND);
        // Over a transparent background the coverage adds up, so that a glass
        // pane over nothing stays partly transparent.
        if (device.transparentBackground)
            gl_->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        else
            gl_->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        gl_->glDepthMask(GL_FALSE);
    }
    for (const Visual& visual : visuals)
        DrawTransparent(visual, projection, lighting, meshes_[visual.builder],
                        device.renderMode & RenderModeSortedTransparency, device.twoSided);
    gl_->glDepthMask(GL_TRUE);
    gl_->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl_->glBindVertexArray(0);
    gl_->glUseProgram(0);
    for (auto it = meshes_.begin(); it != meshes_.end();) {
        if (it->second.used) {
            ++it;
        } else {
            Release(it->second);
            it = meshes_.erase(it);
        }
    }
}

QOpenGLShaderProgram* GLRenderer::UseProgram(const Visual& visual, const Matrix4& projection,
                                             const Lighting& lighting, bool twoSided) {
    const std::uint32_t quality = visual.builder->GetQuality();
    const Shading shading = quality == RenderGouraud ? Shading::Gouraud
                            : quality == RenderFlat  ? Shading::Flat
                                                     : Shading::Unlit;
    const auto lightCount = static_cast<int>(lighting.directions.size());
    QOpenGLShaderProgram* found = Program(shading, lightCount);
    if (!found) return nullptr;
    QOpenGLShaderProgram& program = *found;
    program.bind();
    program.setUniformValue("ambient", lighting.ambient.x, lighting.ambient.y, lighting.ambient.z);
    program.setUniformValueArray("lightDirections", &lighting.directions.data()->x, lightCount, 3);
    program.setUniformValueArray("lightColors", &lighting.colors.data()->x, lightCount, 3);
    program.setUniformValue("modelViewProjection", ToQt(visual.modelView * projection));
    program.setUniformValue("modelView", ToQt(visual.modelView));
    program.setUniformValue("normalMatrix", ToQt(visual.modelView).normalMatrix());
    program.setUniformValue("twoSided", static_cast<GLint>(twoSided));
    gl_->glPolygonMode(GL_FRONT_AND_BACK, shading == Shading::Unlit ? GL_LINE : GL_FILL);
    return found;
}

void GLRenderer::SetMaterial(QOpenGLShaderProgram& program, const Material& m) {
    program.setUniformValue("faceColor", m.faceColor[0], m.faceColor[1], m.faceColor[2], m.faceColor[3]);
    program.setUniformValue("power", m.power);
    program.setUniformValue("specular", m.specular.red, m.specular.green, m.specular.blue);
    program.setUniformValue("emissive", m.emissive.red, m.emissive.green, m.emissive.blue);
}

namespace {

// The corners of the builder as GL vertices (position, normal, texture
// coordinates) and the vertex of each corner. Corners share a vertex when they
// share position and normal.
constexpr int VertexFloats = 8;

struct VertexData {
    std::vector<float> interleaved;
    std::vector<std::uint32_t> cornerVertices;

    void Add(const MeshBuilder& builder, std::uint32_t position, const Vec3& normal) {
        const Vec3& p = builder.Positions()[position];
        const auto& uvs = builder.TextureCoordinates();
        const Vec2 uv = position < uvs.size() ? uvs[position] : Vec2{};
        interleaved.insert(interleaved.end(), {p.x, p.y, p.z, normal.x, normal.y, normal.z, uv.u, uv.v});
    }
};

VertexData BuildVertices(const MeshBuilder& builder) {
    VertexData data;
    const auto& triangles = builder.Triangles();
    const bool normalPerPosition =
        builder.Normals().size() == builder.Positions().size() &&
        std::all_of(triangles.begin(), triangles.end(),
                    [](const Triangle& t) { return t.normals == t.vertices; });
    data.cornerVertices.reserve(triangles.size() * 3);
    if (normalPerPosition) {
        data.interleaved.reserve(builder.Positions().size() * VertexFloats);
        for (std::size_t i = 0; i < builder.Positions().size(); ++i)
            data.Add(builder, static_cast<std::uint32_t>(i), builder.Normals()[i]);
        for (const Triangle& t : triangles)
            data.cornerVertices.insert(data.cornerVertices.end(), t.vertices.begin(), t.vertices.end());
        return data;
    }
    std::unordered_map<std::uint64_t, std::uint32_t> vertices;
    for (const Triangle& t : triangles)
        for (int i = 0; i < 3; ++i) {
            const std::uint64_t key = std::uint64_t{t.vertices[i]} << 32 | t.normals[i];
            const auto [it, added] =
                vertices.emplace(key, static_cast<std::uint32_t>(data.interleaved.size() / VertexFloats));
            if (added) data.Add(builder, t.vertices[i], builder.Normals()[t.normals[i]]);
            data.cornerVertices.push_back(it->second);
        }
    return data;
}

}  // namespace

GLRenderer::GpuMesh& GLRenderer::Upload(const MeshBuilder& builder) {
    GpuMesh& mesh = meshes_[&builder];
    mesh.used = true;
    if (mesh.revision == builder.Revision()) return mesh;
    Release(mesh);
    try {
        LoadTextures(builder, mesh);
        const VertexData data = BuildVertices(builder);
        const std::vector<std::uint32_t> opaqueIndices = ArrangeDraws(builder, data.cornerVertices, mesh);
        CreateBuffers(mesh, data.interleaved, opaqueIndices);
    } catch (...) {
        // Half a mesh is not kept as the builder's: the next picture starts again.
        Release(mesh);
        throw;
    }
    mesh.revision = builder.Revision();
    return mesh;
}

// Opaque triangles go into batches of one look; transparent ones are kept
// apart, with their centres, for sorting at every picture.
std::vector<std::uint32_t> GLRenderer::ArrangeDraws(const MeshBuilder& builder,
                                                    const std::vector<std::uint32_t>& cornerVertices,
                                                    GpuMesh& mesh) {
    DrawBatches plan = PlanDraws(builder, mesh.textures);
    std::vector<std::uint32_t> opaqueIndices;
    opaqueIndices.reserve(plan.opaque.size() * 3);
    for (const std::uint32_t t : plan.opaque)
        opaqueIndices.insert(opaqueIndices.end(), cornerVertices.begin() + 3 * t, cornerVertices.begin() + 3 * t + 3);
    for (const DrawBatch& batch : plan.batches)
        mesh.opaque.push_back({batch.material, 3 * batch.first, 3 * batch.count});
    const auto& p = builder.Positions();
    for (const std::uint32_t t : plan.transparent) {
        mesh.transparentTriangles.insert(mesh.transparentTriangles.end(), cornerVertices.begin() + 3 * t,
                                         cornerVertices.begin() + 3 * t + 3);
        const auto& v = builder.Triangles()[t].vertices;
        mesh.transparentCentres.push_back((p[v[0]] + p[v[1]] + p[v[2]]) * (1.0f / 3));
    }
    mesh.transparentMaterials = std::move(plan.transparentMaterials);
    return opaqueIndices;
}

void GLRenderer::CreateBuffers(GpuMesh& mesh, const std::vector<float>& interleaved,
                               const std::vector<std::uint32_t>& opaqueIndices) {
    gl_->glGenVertexArrays(1, &mesh.vertexArray);
    gl_->glBindVertexArray(mesh.vertexArray);
    gl_->glGenBuffers(1, &mesh.vertexBuffer);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    gl_->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(interleaved.size() * sizeof(float)),
                      interleaved.data(), GL_STATIC_DRAW);
    constexpr GLsizei stride = VertexFloats * sizeof(float);
    gl_->glEnableVertexAttribArray(0);
    gl_->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    gl_->glEnableVertexAttribArray(1);
    gl_->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    gl_->glEnableVertexAttribArray(2);
    gl_->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(6 * sizeof(float)));
    gl_->glGenBuffers(1, &mesh.indexBuffer);
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    gl_->glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                      static_cast<GLsizeiptr>(opaqueIndices.size() * sizeof(std::uint32_t)),
                      opaqueIndices.data(), GL_STATIC_DRAW);
    gl_->glGenBuffers(1, &mesh.transparentBuffer);
}

void GLRenderer::Release(GpuMesh& mesh) {
    if (mesh.vertexArray) gl_->glDeleteVertexArrays(1, &mesh.vertexArray);
    const unsigned buffers[] = {mesh.vertexBuffer, mesh.indexBuffer, mesh.transparentBuffer};
    for (unsigned buffer : buffers)
        if (buffer) gl_->glDeleteBuffers(1, &buffer);
    std::vector<unsigned> textures = mesh.textures;  // materials of one image share its texture
    std::sort(textures.begin(), textures.end());
    textures.erase(std::unique(textures.begin(), textures.end()), textures.end());
    for (unsigned texture : textures)
        if (texture) gl_->glDeleteTextures(1, &texture);
    const bool used = mesh.used;
    mesh = GpuMesh{};
    mesh.used = used;
}

void GLRenderer::DrawOpaque(const Visual& visual, const Matrix4& projection, const Lighting& lighting,
                            const GpuMesh& mesh, bool twoSided) {
    QOpenGLShaderProgram* program = UseProgram(visual, projection, lighting, twoSided);
    if (!program) return;
    gl_->glBindVertexArray(mesh.vertexArray);
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    for (const DrawRange& range : mesh.opaque) {
        SetMaterial(*program, visual.builder->Materials()[range.material]);
        UseTexture(*program, mesh, range.material);
        gl_->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(range.count), GL_UNSIGNED_INT,
                            reinterpret_cast<const void*>(std::uintptr_t{range.first} * sizeof(std::uint32_t)));
    }
}

void GLRenderer::DrawTransparent(const Visual& visual, const Matrix4& projection, const Lighting& lighting,
                                 GpuMesh& mesh, bool sorted, bool twoSided) {
    const std::size_t count = mesh.transparentCentres.size();
    if (count == 0) return;
    QOpenGLShaderProgram* program = UseProgram(visual, projection, lighting, twoSided);
    if (!program) return;
    // Farthest first, by the depth of each triangle's centre.
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    if (sorted) {
        std::vector<float> depth(count);
        for (std::size_t i = 0; i < count; ++i) depth[i] = TransformPoint(mesh.transparentCentres[i], visual.modelView).z;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return depth[a] > depth[b]; });
    }
    std::vector<std::uint32_t> indices;
    indices.reserve(count * 3);
    for (std::uint32_t t : order)
        indices.insert(indices.end(), mesh.transparentTriangles.begin() + 3 * t, mesh.transparentTriangles.begin() + 3 * t + 3);
    gl_->glBindVertexArray(mesh.vertexArray);
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.transparentBuffer);
    gl_->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                      indices.data(), GL_STREAM_DRAW);
    // Runs of one look in drawing order.
    std::size_t first = 0;
    while (first < count) {
        const std::uint32_t material = mesh.transparentMaterials[order[first]];
        std::size_t last = first + 1;
        while (last < count && mesh.transparentMaterials[order[last]] == material) ++last;
        SetMaterial(*program, visual.builder->Materials()[material]);
        UseTexture(*program, mesh, material);
        gl_->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * (last - first)), GL_UNSIGNED_INT,
                            reinterpret_cast<const void*>(first * 3 * sizeof(std::uint32_t)));
        first = last;
    }
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
}

void GLRenderer::LoadTextures(const MeshBuilder& builder, GpuMesh& mesh) {
    const auto& materials = builder.Materials();
    mesh.textures.assign(materials.size(), 0);
    if (builder.TextureFolder().empty() || builder.TextureCoordinates().size() != builder.Positions().size()) return;
    TextureImages images(builder.TextureFolder(), builder.ModelFile(), TextureImages::DefaultMaxBytes,
                         &builder.EmbeddedImages(), builder.TexturePaths());
    std::map<const QImage*, unsigned> uploaded;  // one texture for every material of one image
    for (std::size_t m = 0; m < materials.size(); ++m) {
        // A missing or unreadable image leaves the material colour alone.
        const QImage* image = materials[m].textureFileName.empty() ? nullptr : images.Find(materials[m].textureFileName);
        if (!image) continue;
        const auto [known, added] = uploaded.try_emplace(image, 0);
        if (added) known->second = UploadTexture(*image);
        mesh.textures[m] = known->second;
    }
}

unsigned GLRenderer::UploadTexture(const QImage& image) {
    // A side past the largest the GPU takes would leave the texture incomplete,
    // sampled as black: such an image is scaled down to fit, each side on its own.
    GLint largest = 0;
    gl_->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const QImage fitted = largest > 0 && (image.width() > largest || image.height() > largest)
                              ? image.scaled(std::min(image.width(), largest), std::min(image.height(), largest),
                                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_RGBA8888)
                              : image;
    unsigned texture = 0;
    gl_->glGenTextures(1, &texture);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, fitted.width(), fitted.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      fitted.constBits());
    gl_->glGenerateMipmap(GL_TEXTURE_2D);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl_->glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void GLRenderer::UseTexture(QOpenGLShaderProgram& program, const GpuMesh& mesh, std::uint32_t material) {
    const unsigned texture = material < mesh.textures.size() ? mesh.textures[material] : 0;
    program.setUniformValue("textured", static_cast<GLint>(texture != 0));
    if (texture == 0) return;
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    program.setUniformValue("image", 0);
}

}  // namespace viewer
