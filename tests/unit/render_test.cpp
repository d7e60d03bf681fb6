// The arithmetic of drawing, apart from GL: the registry, the tube and gem geometry, the checks a
// picture passes before it is decoded, and the window icon made from pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <opencv2/imgcodecs.hpp>

#include "TestSupport.h"
#include "app/WindowIcon.h"
#include "render/MeshMath.h"
#include "render/Registry.h"
#include "render/TextureMath.h"

namespace {

std::vector<std::string> released;
struct Gadget {
    int value = 7;
    std::string tag;
};
void ReleaseResource(Gadget* gadget) { released.push_back(gadget->tag), delete gadget; }

}  // namespace

TEST(Registry, NamesOwnOneObjectEachReleasedOnce) {
    {
        ResourceRegistry<Gadget> registry;
        Gadget* score = registry.Create("score");
        score->value = 42;
        EXPECT_TRUE(registry.Create("score") == score && score->value == 42);  // handed back untouched
        EXPECT_EQ(registry.Get("finish"), nullptr);                            // Get never inserts
        for (const char* name : {"score", "pressspace", "MyCamera", "dot"}) registry.Create(name)->tag = name;
        EXPECT_EQ(registry.Size(), 4u);
        registry.Remove("dot");
        registry.Remove("dot");  // already gone: nothing happens
        EXPECT_EQ(released, std::vector<std::string>{"dot"});
    }
    // The rest at the registry's end, once each, in name order.
    EXPECT_EQ(released, (std::vector<std::string>{"dot", "MyCamera", "pressspace", "score"}));
}

TEST(MeshGeometry, TubeStripAndGemFaces) {
    Surface surface;
    surface.scroll = 0.05;
    const auto strip = SurfaceStrip(surface);
    for (int v = 0; v < kStripVertices; ++v) {
        SCOPED_TRACE(v);
        const int pair = v / 2;
        const bool ringB = v % 2 == 1;
        // A(i) has s (i + 1) / 6, B(i) has i / 6; the closing pair has 13/6 and 11/6.
        EXPECT_NEAR(strip[v].s, pair < 12 ? (pair + (ringB ? 0 : 1)) / 6.0 : (ringB ? 11 : 13) / 6.0, 1e-6);
        EXPECT_DOUBLE_EQ(strip[v].t, 0.05 + (ringB ? 15.0 : 0.0));
        // Rings of radius 3 at heights 0 and 150; normals unit, level and facing the axis.
        const Vec3 p = strip[v].position, n = strip[v].normal;
        EXPECT_TRUE(std::fabs(std::hypot(p.x, p.z) - 3.0) < 1e-5 && p.y == (ringB ? 150.0f : 0.0f));
        EXPECT_TRUE(std::fabs(std::hypot(n.x, n.z) - 1.0) < 1e-5 && std::fabs(n.y) < 1e-6);
        EXPECT_LT((n.x * p.x + n.z * p.z) / 3.0f, -0.9f);
    }
    // Pair 0 takes A(11) as its preceding point (the panel near -15 degrees); the closing pair repeats it.
    EXPECT_NEAR(strip[0].normal.z, -std::sin(-15.0 * M_PI / 180), 2e-3);
    EXPECT_TRUE(strip[24].normal.x == strip[0].normal.x && strip[25].normal.z == strip[0].normal.z);

    Model model;
    model.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}};
    // Counter-clockwise from +z, collinear, collapsed, and one naming a vertex that is not there.
    model.faces = {{0, 1, 2}, {0, 1, 3}, {0, 0, 0}, {0, 1, 4}};
    model.faceIsSurface = {true, true, false, true};
    const Vec3 keep{0.0f, 0.6f, 0.8f}, n = ModelFaceNormal(model, 0, keep);
    EXPECT_TRUE(n.x == 0.0f && n.y == 0.0f && n.z == 1.0f);
    for (int face : {1, 2}) EXPECT_EQ(ModelFaceNormal(model, face, keep).y, keep.y) << "no direction: the fallback";
    EXPECT_TRUE(ModelFaceValid(model, 0) && !ModelFaceValid(model, 3) && !ModelFaceValid(model, 4));
    // A cut-face vertex (1, 0, -1) maps to (0, -0.5, -1); the outer skin uses the position.
    EXPECT_EQ(ModelTexCoord({1.0f, 0.0f, -1.0f}, false), (std::array<double, 3>{0.0, -0.5, -1.0}));
    EXPECT_EQ(ModelTexCoord({1.0f, 0.0f, -1.0f}, true), (std::array<double, 3>{1.0, 0.0, -1.0}));
}

// Pictures are measured from their header before they are decoded: what is too large for the
// driver or the game is refused unread. A damaged one is the game's one line, with the decoder's
// words in it and none of its own noise.
TEST(PictureLimits, SizeIsReadFromTheHeaderAndCheckedBeforeDecoding) {
    const auto Encoded = [](const char* type) {
        std::vector<unsigned char> bytes;
        cv::imencode(type, cv::Mat(2, 3, CV_8UC3, cv::Scalar(9, 9, 9)), bytes);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string png = Encoded(".png"), jpeg = Encoded(".jpg");
    const std::size_t ihdr = 16, sof = jpeg.find("\xFF\xC0") + 5, idat = png.find("IDAT") + 4;
    // The file with bytes written over it: a header claiming another size, or damaged data.
    const auto Patched = [](std::string file, std::size_t at, const std::string& bytes) { return file.replace(at, bytes.size(), bytes); };
    const struct { std::string bytes; long long maxSide; const char* why; } cases[] = {
        {Patched(png, ihdr, std::string("\0\0\x75\x30\0\0\x75\x30", 8)), 16384, "too large: 30000 x 30000 pixels"},
        {Patched(png, ihdr, std::string("\0\0\x13\x88\0\0\x13\x88", 8)), 16384, "too large: 5000 x 5000"},  // budget
        {Patched(jpeg, sof, "\x01\x2c\x4e\x20"), 16384, "too large: 20000 x 300"},
        {png, 2, "too large: 3 x 2"},  // wider than a small driver takes
        {"GIF89a", 16384, "not a PNG or JPEG"},
        // A deflate window larger than allowed (its check byte kept right).
        {Patched(png, idat, "\x88\x1c"), 16384, "the decoder could not read it: libpng error: IDAT: invalid window size"},
        {png, 3, ""},
        {png.substr(0, png.size() - 12), 16384, ""},  // only the end chunk is missing: drawn
        {png.substr(0, idat + 10), 16384, "the PNG file is cut short"},
        {png.substr(0, idat - 8), 16384, "the PNG file is cut short"},  // before any image data
    };
    const testsupport::TempFolder folder;
    const std::string said = testsupport::Stderr([&] {
        for (const auto& c : cases) {
            cv::Mat decoded;
            std::string why;
            EXPECT_EQ(DecodeImageFile(testsupport::WriteFile(folder / "picture", c.bytes).c_str(), c.maxSide, decoded, why),
                      *c.why == '\0') << c.why;
            EXPECT_EQ(why.find(c.why), 0u) << why;
        }
    });
    EXPECT_EQ(said, "");
}

// The window manager's icon: pixels as 0xAARRGGBB, top row first, opaque without alpha. Of the
// icon files, a missing size is left out without a word and a damaged one is named once.
TEST(WindowIcon, PicturesBecomeArgbCardinalsAndOnlyADamagedFileIsMentioned) {
    // One pixel in each layout a PNG decodes to: grey, grey and alpha, BGR, BGRA, 16-bit BGRA.
    const struct { cv::Mat pixel; std::uint32_t argb; } cases[] = {
        {cv::Mat(1, 1, CV_8UC1, cv::Scalar(0x40)), 0xFF404040u},
        {cv::Mat(1, 1, CV_8UC2, cv::Scalar(0x40, 0x80)), 0x80404040u},
        {cv::Mat(1, 1, CV_8UC3, cv::Scalar(0x10, 0x20, 0x30)), 0xFF302010u},
        {cv::Mat(1, 1, CV_8UC4, cv::Scalar(0x10, 0x20, 0x30, 0x40)), 0x40302010u},
        {cv::Mat(1, 1, CV_16UC4, cv::Scalar(0x1010, 0x2020, 0x3030, 0xFFFF)), 0xFF302010u},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> cardinals{7};
        EXPECT_TRUE(AppendIconCardinals(c.pixel, cardinals));
        EXPECT_EQ(cardinals, (std::vector<std::uint32_t>{7, 1, 1, c.argb}));
    }
    // 48 pixels: a 2 x 3 picture, black but for a half-transparent blue top right; 64: missing.
    const testsupport::TempFolder folder;
    for (const char* size : {"48x48", "128x128"}) testsupport::fs::create_directory(folder / size);
    cv::Mat picture(3, 2, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    picture.at<cv::Vec4b>(0, 1) = cv::Vec4b(0xFF, 0, 0, 0x80);
    cv::imwrite(folder / "48x48/torvinel.png", picture);
    const std::string damaged = testsupport::WriteFile(folder / "128x128/torvinel.png", "GIF89a");
    std::vector<std::uint32_t> icon;
    const std::string said = testsupport::Stderr([&] { icon = LoadWindowIcon(folder.path.string()); });
    EXPECT_EQ(icon, (std::vector<std::uint32_t>{2, 3, 0xFF000000u, 0x800000FFu, 0xFF000000u, 0xFF000000u,
                                                0xFF000000u, 0xFF000000u}));
    EXPECT_EQ(said, "torvinel: cannot use the window icon \"" + damaged + "\": not a PNG or JPEG picture\n");
}
