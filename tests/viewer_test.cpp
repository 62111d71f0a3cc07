// The windowed viewer's parts: the model reader, both rasterisers and their picking buffer, the status
// font, and the host side that runs session lines against the real plug-in. The OpenGL rasteriser draws
// into a window of SDL's offscreen driver, so no display is needed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Annotations.h"
#include "Fit.h"
#include "Font.h"
#include "Format.h"
#include "GlRasteriser.h"
#include "IdBuffer.h"
#include "Mesh.h"
#include "Parse.h"
#include "PlugInWatch.h"
#include "Raster.h"
#include "TouchInput.h"
#include "ViewLayout.h"
#include "ViewState.h"
#include "ViewerHost.h"
#include "rzk/AnnoSet.h"
#include "support/TestFolder.h"

namespace {

namespace fs = std::filesystem;

class ModelFiles : public testing_support::TestFolder {
protected:
    ModelFiles() : TestFolder("viewer_test") {}
};

// A glTF of one triangle in two nodes, the second moved 5 along x: its buffer is the triangle's three
// corners, (0,0,0), (1,0,0), (0,1,0), as 36 bytes of base64.
const char* const TWO_TRIANGLES_GLTF = R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0, 1]}],
  "nodes": [{"mesh": 0, "name": "left"}, {"mesh": 1, "name": "right", "translation": [5, 0, 0]}],
  "meshes": [{"name": "left", "primitives": [{"attributes": {"POSITION": 0}}]},
             {"name": "right", "primitives": [{"attributes": {"POSITION": 0}}]}],
  "buffers": [{"byteLength": 36,
               "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
  "bufferViews": [{"buffer": 0, "byteLength": 36}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                 "min": [0, 0, 0], "max": [1, 1, 0]}]
})";

TEST_F(ModelFiles, EachMeshOfAnyFormatIsAPartAndPolygonsOfAnySizeAreTriangles) {
    viewer::Mesh mesh;
    auto error = viewer::LoadModel(Write("two.obj",
                                         "o plate\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"
                                         "o wedge\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf -3 -2 -1\n"),
                                   mesh);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(mesh.parts, (std::vector<std::string>{"plate", "wedge"}));
    ASSERT_EQ(mesh.triangles.size(), 3u);
    EXPECT_EQ(mesh.triangles[0].part, 0u);
    EXPECT_EQ(mesh.triangles[1].part, 0u);
    EXPECT_EQ(mesh.triangles[2].part, 1u);
    // Relative indices count back from the last vertex read: the wedge lies at z = 1.
    EXPECT_FLOAT_EQ(mesh.vertices[mesh.triangles[2].a].z, 1.0f);
    EXPECT_FLOAT_EQ(mesh.vertices[mesh.triangles[2].c].y, 1.0f);

    // A face of 300 corners (more than a byte counts) is 298 triangles, all of its one part.
    std::string big = "o disc\n";
    std::string face = "f";
    for (int i = 0; i < 300; ++i) {
        const double angle = 2 * 3.14159265358979 * i / 300;
        big += "v " + std::to_string(std::cos(angle)) + " " + std::to_string(std::sin(angle)) + " 0\n";
        face += " " + std::to_string(i + 1);
    }
    error = viewer::LoadModel(Write("disc.obj", big + face + "\n"), mesh);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(mesh.triangles.size(), 298u);
    EXPECT_EQ(mesh.parts.size(), 1u);

    error = viewer::LoadModel(Write("two.gltf", TWO_TRIANGLES_GLTF), mesh);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(mesh.parts, (std::vector<std::string>{"left", "right"}));
    ASSERT_EQ(mesh.triangles.size(), 2u);
    EXPECT_EQ(mesh.triangles[1].part, 1u);
    EXPECT_FLOAT_EQ(mesh.vertices[mesh.triangles[1].b].x, 6.0f);  // (1,0,0) moved by its node

    error = viewer::LoadModel(Write("wedge.stl",
                                    "solid wedge\n"
                                    " facet normal 0 0 1\n  outer loop\n"
                                    "   vertex 0 0 0\n   vertex 1 0 0\n   vertex 0 1 0\n"
                                    "  endloop\n endfacet\n"
                                    " facet normal 0 0 1\n  outer loop\n"
                                    "   vertex 1 0 0\n   vertex 1 1 0\n   vertex 0 1 0\n"
                                    "  endloop\n endfacet\nendsolid wedge\n"),
                              mesh);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(mesh.triangles.size(), 2u);
    EXPECT_EQ(mesh.parts.size(), 1u);
}

TEST_F(ModelFiles, BrokenFilesAreRefusedWithOneLineAndLeaveTheMeshAlone) {
    const viewer::Mesh before = viewer::MakeCube();
    const struct {
        const char* name;
        const char* text;
        const char* reason;
    } cases[] = {
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2", "cut off"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1", "cut off"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "cannot read"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "cannot read"},
        {"bad.obj", "", "cannot read"},
        {"bad.stl", "solid x\n facet normal 0 0 1\n  outer loop\n   vertex 0 0", "'vertex' with 2 of 3"},
        {"bad.stl",
         "solid x\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n   vertex 0 1 0\n"
         "  endloop\n endfacet\n facet",
         "does not end with 'endsolid'"},
        {"bad.stl", "solid x\nendsolid x\n", "cannot read"},
        {"bad.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [", "cannot read"},
        {"bad.xyz", "not a model at all\n", "cannot read"},
    };
    for (const auto& bad : cases) {
        viewer::Mesh mesh = before;
        const auto error = viewer::LoadModel(Write(bad.name, bad.text), mesh);
        ASSERT_TRUE(error) << bad.text;
        EXPECT_NE(error->find(bad.reason), std::string::npos) << *error;
        EXPECT_EQ(error->find('\n'), std::string::npos) << *error;
        EXPECT_EQ(mesh.triangles.size(), before.triangles.size());
    }
    viewer::Mesh mesh;
    const auto missing = viewer::LoadModel((dir_ / "missing.obj").string(), mesh);
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->find("cannot read"), std::string::npos);
    EXPECT_TRUE(viewer::LoadModel(dir_.string(), mesh));
}

// Two squares facing the viewer, the first behind the second, each its own part.
viewer::Mesh TwoSquares() {
    viewer::Mesh mesh;
    mesh.vertices = {{-1, -1, -0.5f}, {1, -1, -0.5f}, {1, 1, -0.5f}, {-1, 1, -0.5f},
                     {-1, -1, 0.5f},  {1, -1, 0.5f},  {1, 1, 0.5f},  {-1, 1, 0.5f}};
    // The nearer square first, so that a missing depth test would let the farther one win.
    mesh.triangles = {{4, 5, 6, 1}, {4, 6, 7, 1}, {0, 1, 2, 0}, {0, 2, 3, 0}};
    mesh.parts = {"back", "front"};
    return mesh;
}

struct Box {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    int Width() const { return right - left + 1; }
};

Box Silhouette(const viewer::Frame& frame) {
    Box box{frame.Width(), frame.Height(), -1, -1};
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            if (frame.InstanceAt(x, y) != 0) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
            }
        }
    }
    return box;
}

TEST(Rasteriser, TheNearestPartWinsAndTheCameraDecidesWhichIsNearest) {
    const viewer::Mesh mesh = TwoSquares();
    const viewer::Rasteriser rasteriser(mesh);
    viewer::Frame frame(200, 200);
    rasteriser.Render({}, {}, frame);
    EXPECT_EQ(frame.InstanceAt(100, 100), 2u);
    EXPECT_EQ(frame.InstanceAt(2, 2), 0u);
    EXPECT_EQ(frame.PixelAt(2, 2), viewer::BACKGROUND);

    frame.Clear(viewer::BACKGROUND);
    rasteriser.Render({180, 0, 1, 0, 0}, {}, frame);
    EXPECT_EQ(frame.InstanceAt(100, 100), 1u);
    frame.Clear(viewer::BACKGROUND);
    rasteriser.Render({0, 180, 1, 0, 0}, {}, frame);
    EXPECT_EQ(frame.InstanceAt(100, 100), 1u);
}

TEST(Rasteriser, ZoomScalesAndPanShiftsThePictureInWindowPixels) {
    const viewer::Mesh mesh = viewer::MakeCube();
    const viewer::Rasteriser rasteriser(mesh);
    viewer::Frame frame(300, 300);
    rasteriser.Render({}, {}, frame);
    const Box rest = Silhouette(frame);
    ASSERT_GT(rest.Width(), 50);

    frame.Clear(viewer::BACKGROUND);
    rasteriser.Render({0, 0, 1.5, 0, 0}, {}, frame);
    EXPECT_NEAR(Silhouette(frame).Width(), rest.Width() * 1.5, 2);

    frame.Clear(viewer::BACKGROUND);
    rasteriser.Render({0, 0, 1, 30, -20}, {}, frame);
    const Box panned = Silhouette(frame);
    EXPECT_EQ(panned.left, rest.left + 30);
    EXPECT_EQ(panned.top, rest.top - 20);

    // Turning a cube by 45 degrees shows it wider.
    frame.Clear(viewer::BACKGROUND);
    rasteriser.Render({45, 0, 1, 0, 0}, {}, frame);
    EXPECT_GT(Silhouette(frame).Width(), rest.Width() * 1.3);
}

TEST(Rasteriser, SelectedPartsAreHighlightedAndWireframeStillPicks) {
    const viewer::Mesh mesh = viewer::MakeAssembly();
    const viewer::Rasteriser rasteriser(mesh);
    viewer::Frame frame(240, 200);
    viewer::RenderOptions options;
    options.selected = {3};
    rasteriser.Render({}, options, frame);
    int highlighted = 0;
    int ballPixels = 0;
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            const std::uint32_t pixel = frame.PixelAt(x, y);
            const bool orange = (pixel & 0xff) == 0 && ((pixel >> 16) & 0xff) > ((pixel >> 8) & 0xff);
            highlighted += orange ? 1 : 0;
            ballPixels += frame.InstanceAt(x, y) == 3 ? 1 : 0;
            EXPECT_EQ(orange, frame.InstanceAt(x, y) == 3) << x << "," << y;
        }
    }
    EXPECT_GT(highlighted, 100);
    EXPECT_EQ(highlighted, ballPixels);

    frame.Clear(viewer::BACKGROUND);
    options.wireframe = true;
    options.selected.clear();
    rasteriser.Render({}, options, frame);
    const Box box = Silhouette(frame);
    const int x = (box.left + box.right) / 2;
    const int y = box.bottom - 3;  // inside the base, between its edges
    EXPECT_EQ(frame.InstanceAt(x, y), 1u);
    EXPECT_EQ(frame.PixelAt(x, y), viewer::BACKGROUND);
}

[[noreturn]] void EndChild(int code, const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::fflush(stderr);
    // Not exit: the leak check would then count the GL driver's own allocations.
    std::_Exit(code);
}

// What the child process of the OpenGL test does, ending it: exit 0 when OpenGL draws what the software
// rasteriser draws, or when there is no OpenGL here (said on standard error), 1 with the reasons otherwise.
[[noreturn]] void CompareOpenGlWithSoftware() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        EndChild(0, std::string("no OpenGL here: ") + SDL_GetError());
    }
    SDL_Window* window =
        SDL_CreateWindow("viewer_test", 0, 0, 240, 200, viewer::GlRasteriser::PrepareWindow());
    // The assembly's closed part, and the same with every face turned round: closed surfaces are drawn
    // without their far side, whichever way their faces turn.
    const viewer::Mesh mesh = viewer::MakeAssembly();
    viewer::Mesh turned = mesh;
    for (viewer::Triangle& t : turned.triangles) {
        std::swap(t.b, t.c);
    }
    std::unique_ptr<viewer::GlRasteriser> gl;
    std::unique_ptr<viewer::GlRasteriser> glTurned;
    std::optional<std::string> why =
        window ? viewer::GlRasteriser::Create(window, mesh, gl) : std::optional<std::string>(SDL_GetError());
    if (!why) {
        why = viewer::GlRasteriser::Create(window, turned, glTurned);
    }
    if (why) {
        EndChild(0, "no OpenGL here: " + *why);
    }
    const viewer::Rasteriser software(mesh);
    struct Case {
        int width, height;
        viewer::CameraState camera;
        std::vector<std::uint32_t> selected;
        viewer::GlRasteriser* gl;
    };
    std::string wrong;
    for (const Case& c :
         {Case{240, 200, {}, {3}, gl.get()}, Case{300, 260, {35, 20, 1.4, 12, -9}, {1, 2}, gl.get()},
          Case{240, 200, {-50, -30, 1.2, 0, 0}, {}, glTurned.get()}}) {
        SDL_SetWindowSize(window, c.width, c.height);
        viewer::RenderOptions options;
        options.areaHeight = c.height - 16;
        options.selected = c.selected;
        viewer::Frame expected(c.width, c.height);
        software.Render(c.camera, options, expected);
        viewer::Frame overlay(c.width, c.height);
        c.gl->Present(c.camera, options, overlay, options.areaHeight);
        viewer::Frame drawn(c.width, c.height);
        drawn.FillRect(0, options.areaHeight, c.width, 16, 0xff123456);
        c.gl->ReadBack(drawn, true);

        int parts = 0;
        int differ = 0;
        int shaded = 0;
        for (int y = 0; y < options.areaHeight; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const std::uint32_t id = expected.InstanceAt(x, y);
                parts += id != 0 ? 1 : 0;
                if (drawn.InstanceAt(x, y) != id) {
                    ++differ;
                    continue;
                }
                // A pixel on the edge between two faces of one part may show either face's shade.
                const std::uint32_t want = expected.PixelAt(x, y);
                const std::uint32_t got = drawn.PixelAt(x, y);
                for (int shift : {0, 8, 16}) {
                    if (std::abs(static_cast<int>((got >> shift) & 0xff) -
                                 static_cast<int>((want >> shift) & 0xff)) > 2) {
                        ++shaded;
                        break;
                    }
                }
            }
        }
        const std::string at = std::to_string(c.width) + "x" + std::to_string(c.height) + ": ";
        if (parts < 2000 || differ >= parts / 200 || shaded >= parts / 200) {
            wrong += at + std::to_string(parts) + " part pixels, " + std::to_string(differ) +
                     " show another part, " + std::to_string(shaded) + " another shade\n";
        }
        if (drawn.PixelAt(5, c.height - 1) != 0xff123456u || drawn.InstanceAt(5, c.height - 1) != 0) {
            wrong += at + "the rows below the drawing area were written\n";
        }
    }
    EndChild(wrong.empty() ? 0 : 1, wrong);
}

// OpenGL draws the picture the software rasteriser draws: the same part at almost every pixel (edges may
// fall to the other side of a pixel centre), the same shade within rounding (the selection's included),
// at any camera and after the window changes size, whichever way the faces turn; read back the right way
// up, with the rows below the drawing area left to the caller. In a child process, so that the GL
// driver's threads and allocations stay out of this one's sanitizers.
TEST(GlRasteriser, DrawsThePartsAndShadesTheSoftwareRasteriserDraws) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CompareOpenGlWithSoftware(), testing::ExitedWithCode(0), "");
}

TEST(Rasteriser, NothingIsDrawnBelowTheAreaEvenFarZoomedIn) {
    const viewer::Mesh mesh = viewer::MakeSphere();
    const viewer::Rasteriser rasteriser(mesh);
    viewer::Frame frame(120, 100);
    viewer::RenderOptions options;
    options.areaHeight = 84;
    for (bool wireframe : {false, true}) {
        frame.Clear(viewer::BACKGROUND);
        options.wireframe = wireframe;
        rasteriser.Render({10, 20, 1e6, 0, 0}, options, frame);
        rasteriser.Render({10, 20, 50, -3000, 9000}, options, frame);
        for (int y = 84; y < 100; ++y) {
            for (int x = 0; x < 120; ++x) {
                ASSERT_EQ(frame.InstanceAt(x, y), 0u) << wireframe;
            }
        }
    }
}

TEST(Rasteriser, DrawingsPanZoomAndPickTheirFilledShapes) {
    const viewer::Drawing drawing = viewer::MakeSampleDrawing();
    viewer::Frame frame(200, 200);
    viewer::RenderDrawing(drawing, {}, {}, frame);
    // The left room spans x -4..0, y -3..3 at 20 pixels a metre, around the centre.
    EXPECT_EQ(frame.InstanceAt(60, 100), 1u);
    EXPECT_EQ(frame.InstanceAt(140, 140), 2u);
    EXPECT_EQ(frame.InstanceAt(100, 5), 0u);

    frame.Clear(viewer::BACKGROUND);
    viewer::RenderDrawing(drawing, {0, 0, 2, 50, 0}, {}, frame);
    // 40 pixels a metre, the origin 50 pixels right of the centre: the gap between the rooms (0 to 0.5 m)
    // is now at pixels 150 to 170.
    EXPECT_EQ(frame.InstanceAt(145, 100), 1u);
    EXPECT_EQ(frame.InstanceAt(160, 100), 0u);
    EXPECT_EQ(frame.InstanceAt(175, 100), 2u);
}

// What workflows draw goes over the picture in its colour, clipped above the status line, whatever the
// coordinates; it is never picked.
TEST(Annotations, PolylinesRectanglesAndTextsAreDrawnOverThePictureAndClipped) {
    using Drawn = rzk::DrawnAnnotation;
    constexpr std::uint32_t RED = 0xffff0000;
    constexpr std::uint32_t GREEN = 0xff00ff00;
    viewer::Frame frame(100, 60);
    frame.Clear(viewer::BACKGROUND);
    const std::vector<du::SmartPtr<rzk::Annotation>> annotations = {
        Drawn::Polyline({{10, 10}, {50, 10}, {50, 15}}, RED),
        Drawn::Rectangle({40, 30}, {20, 20}, GREEN),
        Drawn::Text({5, 40}, "?", RED),
        Drawn::Polyline({{-2000000000, 35}, {2000000000, 35}}, GREEN),  // far off: only its visible part
        Drawn::Polyline({{90, 0}, {90, 59}}, RED),                      // into the status line
        Drawn::Text({5, 48}, "?", RED),                                 // would reach into the status line
        du::SmartPtr<rzk::Annotation>(new rzk::Annotation),             // no geometry: not drawn
        Drawn::Polyline({}, RED),
    };
    viewer::DrawAnnotations(annotations, 50, frame);
    EXPECT_EQ(frame.PixelAt(10, 10), RED);
    EXPECT_EQ(frame.PixelAt(30, 10), RED);
    EXPECT_EQ(frame.PixelAt(50, 15), RED);
    EXPECT_EQ(frame.PixelAt(51, 16), viewer::BACKGROUND);
    for (const auto& [x, y] : {std::pair{20, 20}, std::pair{40, 20}, std::pair{40, 30}, std::pair{20, 25}}) {
        EXPECT_EQ(frame.PixelAt(x, y), GREEN) << x << "," << y;
    }
    EXPECT_EQ(frame.PixelAt(30, 25), viewer::BACKGROUND);  // an outline, not filled
    EXPECT_EQ(frame.PixelAt(0, 35), GREEN);
    EXPECT_EQ(frame.PixelAt(99, 35), GREEN);
    EXPECT_EQ(frame.PixelAt(90, 49), RED);
    viewer::Frame text(100, 60);
    text.Clear(viewer::BACKGROUND);
    viewer::DrawText(text, 5, 40, "?", RED);
    for (int y = 0; y < 60; ++y) {
        EXPECT_EQ(frame.PixelAt(90, y) == RED, y < 50) << y;
        for (int x = 0; x < 100; ++x) {
            if (y >= 50) {
                ASSERT_EQ(frame.PixelAt(x, y), viewer::BACKGROUND) << x << "," << y;
            }
            ASSERT_EQ(frame.InstanceAt(x, y), 0u);
            if (x < 11 && y >= 40 && y < 47) {
                ASSERT_EQ(frame.PixelAt(x, y), text.PixelAt(x, y)) << x << "," << y;
            }
        }
    }
}

// Fitting frames a part: its box from PartsBox, then the zoom and pan that the example zoom sets for it
// bring the drawn part to the middle of the picture, filling nine tenths of it.
TEST(Fit, APartsBoxFramedByZoomAndPanFillsThePictureAsDrawn) {
    viewer::Mesh mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0}, {4, 1, 0}, {3, 1, 0}};
    mesh.triangles = {{0, 1, 2, 0}, {0, 2, 3, 0}, {4, 5, 6, 1}, {4, 6, 7, 1}};
    mesh.parts = {"left", "right"};
    EXPECT_FALSE(viewer::PartsBox(mesh, 0, 0, {9}, 200, 200));
    const auto all = viewer::PartsBox(mesh, 0, 0, {}, 200, 200);
    const auto right = viewer::PartsBox(mesh, 30, 20, {2}, 200, 200);
    ASSERT_TRUE(all && right);
    EXPECT_NEAR(all->left, -all->right, 1e-9);  // the model is centred
    EXPECT_GT(right->left, 0);

    const double zoom =
        0.9 * std::min(200 / (right->right - right->left), 200 / (right->bottom - right->top));
    const viewer::CameraState camera{30, 20, zoom, -zoom * (right->left + right->right) / 2,
                                     -zoom * (right->top + right->bottom) / 2};
    viewer::Frame frame(200, 200);
    viewer::Rasteriser(mesh).Render(camera, {}, frame);
    const Box drawn = Silhouette(frame);
    EXPECT_EQ(frame.InstanceAt(100, 100), 2u);
    EXPECT_NEAR(drawn.left + drawn.right, 200, 2);
    EXPECT_NEAR(drawn.top + drawn.bottom, 200, 2);
    EXPECT_NEAR(std::max(drawn.Width(), drawn.bottom - drawn.top + 1), 180, 2);
}

TEST(Font, GlyphsStayInTheirCellsAndUnknownCharactersShowAsQuestionMarks) {
    viewer::Frame frame(40, 10);
    viewer::DrawText(frame, 1, 1, "|", 0xffffffff);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool lit = frame.PixelAt(x, y) == 0xffffffff;
            EXPECT_EQ(lit, x == 3 && y >= 1 && y <= 7) << x << "," << y;
        }
    }
    viewer::Frame unknown(10, 10);
    viewer::Frame question(10, 10);
    viewer::DrawText(unknown, 0, 0, "\x01", 0xffffffff);
    viewer::DrawText(question, 0, 0, "?", 0xffffffff);
    EXPECT_EQ(unknown.Pixels(), question.Pixels());
    viewer::DrawText(question, -3, 8, "clipped at every edge", 0xffffffff);  // must not write outside
}

TEST(ViewerHost, SessionLinesMoveTheCameraThroughTheExampleWorkflowsAndPicksDecideSelection) {
    viewer::ViewerHost host;
    ASSERT_FALSE(host.Start("/nonexistent/libworkflow.so", "shape") == std::nullopt);
    viewer::ViewerHost real;
    ASSERT_EQ(real.Start(WORKFLOW_PLUGIN_PATH, "shape"), std::nullopt);
    real.SetSearchDirs(".", WORKFLOW_BUILD_DIR);
    std::string out;
    auto run = [&](int line, const std::string& text) {
        session::Script script;
        session::ScriptError error;
        EXPECT_TRUE(session::Parse("test", text, script, error)) << error.ToString();
        out.clear();
        return real.Execute(script.lines.at(0).command, line, out);
    };
    EXPECT_EQ(run(1, "load " EXAMPLES_PLUGIN_PATH), std::nullopt);
    EXPECT_EQ(run(2, "add orbit"), std::nullopt);
    EXPECT_EQ(run(3, "add select"), std::nullopt);
    for (const char* line : {"pick 50 50 2", "down left 50 50", "up left 50 50", "down left 10 10",
                             "move 30 15", "up left 30 15"}) {
        EXPECT_EQ(run(4, line), std::nullopt) << line;
    }
    EXPECT_EQ(run(5, "print camera"), std::nullopt);
    EXPECT_EQ(out, "camera \"yaw 20.00 pitch 5.00 zoom 1.0000 pan 0.00 0.00\"");
    EXPECT_EQ(run(6, "expect selection 2"), std::nullopt);
    EXPECT_EQ(out, "line 6: ok");
    EXPECT_EQ(run(7, "expect cursor rotate"), std::nullopt);
    EXPECT_EQ(out, "line 7: FAILED: expected cursor \"rotate\", seen \"default\"");

    EXPECT_TRUE(run(8, "view drawing"));
    EXPECT_TRUE(run(9, "query QuerySelectionController"));
    EXPECT_TRUE(run(10, "load no-such-plugins/"));

    // What a reload works from: the stack as the manager reported it, the names a plug-in file makes, and
    // names taken out of the loader, which no view can install after.
    real.Settle();
    EXPECT_EQ(real.Installed(0), (std::map<unsigned int, std::string>{{100, "orbit"}, {130, "select"}}));
    std::vector<std::string> names;
    EXPECT_EQ(real.WorkflowsOf(EXAMPLES_PLUGIN_PATH, names), std::nullopt);
    EXPECT_NE(std::find(names.begin(), names.end(), "measure"), names.end());
    EXPECT_TRUE(real.WorkflowsOf(WORKFLOW_PLUGIN_PATH, names));  // no workflow plug-in
    real.ForgetWorkflows({"measure"});
    EXPECT_TRUE(run(11, "add measure"));
    EXPECT_EQ(run(12, "remove 100"), std::nullopt);
    EXPECT_EQ(run(13, "add pan 100"), std::nullopt);
    real.Settle();
    EXPECT_EQ(real.Installed(0), (std::map<unsigned int, std::string>{{100, "pan"}, {130, "select"}}));
    real.Stop();
}

// The view answers "what is under this point" for every point and "what is inside this rectangle" from the
// last picture's id buffer; a session's pick line still decides its own point.
TEST(ViewerHost, TheViewPicksPointsAndRectanglesFromWhatWasDrawn) {
    const viewer::Mesh mesh = TwoSquares();
    viewer::Frame frame(200, 200);
    viewer::Rasteriser(mesh).Render({0, 0, 0.5, -50, 0}, {}, frame);  // the front square, left of centre
    const viewer::IdBuffer drawn{frame.Width(), frame.Height(), frame.Instances()};
    const int left = Silhouette(frame).left;
    const int right = Silhouette(frame).right;
    ASSERT_GT(left, 0);
    EXPECT_EQ(drawn.At(left, 100), 2u);
    EXPECT_EQ(drawn.At(left - 1, 100), 0u);
    EXPECT_EQ(drawn.At(-1, 100), 0u);
    EXPECT_EQ(drawn.At(200, 100), 0u);
    EXPECT_EQ(drawn.Inside(left - 1, 0, 0, 199), (std::vector<std::uint32_t>{}));
    EXPECT_EQ(drawn.Inside(1000, 1000, left, 100), (std::vector<std::uint32_t>{2}));  // corners in any order
    EXPECT_EQ(viewer::IdBuffer{}.Inside(0, 0, 10, 10), (std::vector<std::uint32_t>{}));

    viewer::ViewerHost host;
    ASSERT_EQ(host.Start(WORKFLOW_PLUGIN_PATH, "shape"), std::nullopt);
    unsigned int instance = 7;
    ASSERT_TRUE(host.View().PickInstance(right, 100, instance));
    EXPECT_EQ(instance, 0u);  // nothing drawn yet
    host.SetDrawn(drawn);
    host.SetPick(left + 1, 100, 9);
    for (const auto& [x, expected] :
         {std::pair{right, 2u}, std::pair{right + 1, 0u}, std::pair{left + 1, 9u}}) {
        ASSERT_TRUE(host.View().PickInstance(x, 100, instance));
        EXPECT_EQ(instance, expected) << x;
    }
    std::vector<unsigned int> inside;
    ASSERT_TRUE(host.View().PickInstancesInside(0, 0, 199, 199, inside));
    EXPECT_EQ(inside, (std::vector<unsigned int>{2}));
    host.Stop();
}

// Two views side by side, four in a grid, as press(x, y) -> view (x, y) in it:
//   press(10, 10) -> 0 (10, 10), move(500, 300) -> 0 (500, 300), release(500, 300) -> 0 (500, 300)
//   move(500, 300) -> 1 (99, 300), the first view told the pointer left
TEST(ViewRouter, PointerInputGoesToTheViewUnderItInItsOwnCoordinatesAndADragStaysWithItsView) {
    const std::vector<viewer::ViewRect> one = viewer::SplitWindow(1, 800, 600, 16);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].width, 800);
    EXPECT_EQ(one[0].height, 600);  // the one view is the whole window, as it always was
    EXPECT_EQ(one[0].areaHeight, 584);
    for (int count : {2, 4}) {
        const std::vector<viewer::ViewRect> views = viewer::SplitWindow(count, 801, 617, 16);
        ASSERT_EQ(views.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < views.size(); ++i) {
            EXPECT_EQ(views[i].width, views[0].width);  // one picture size for all
            EXPECT_EQ(views[i].height, views[0].height);
            EXPECT_EQ(views[i].areaHeight, views[i].height);
            EXPECT_LE(views[i].x + views[i].width, 801);
            EXPECT_LE(views[i].y + views[i].height, 601);  // above the status line
            for (std::size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(views[j].Contains(views[i].x, views[i].y)) << i << " overlaps " << j;
            }
        }
    }

    viewer::ViewRouter single(one);
    EXPECT_EQ(single.Press(-20, 700).view, 0);  // nothing of the window is outside its one view
    EXPECT_EQ(single.Release(-20, 700).view, 0);

    viewer::ViewRouter router(viewer::SplitWindow(2, 801, 617, 16));
    const int second = router.Views()[1].x;
    ASSERT_EQ(second, 401);
    auto is = [](const viewer::ViewRouter::Target& target, int view, int x, int y) {
        return target.view == view && target.x == x && target.y == y;
    };
    EXPECT_TRUE(is(router.Move(10, 10, false), 0, 10, 10));
    EXPECT_TRUE(is(router.Press(10, 10), 0, 10, 10));
    EXPECT_TRUE(is(router.Move(500, 300, true), 0, 500, 300));  // dragged across: still the first view's
    EXPECT_TRUE(is(router.Press(500, 300), 0, 500, 300));       // a second button joins the drag
    EXPECT_EQ(router.Pointer(), 0);
    EXPECT_TRUE(is(router.Release(500, 300), 0, 500, 300));
    EXPECT_TRUE(is(router.Release(500, 300), 0, 500, 300));
    const viewer::ViewRouter::Target over = router.Move(500, 300, false);
    EXPECT_TRUE(is(over, 1, 500 - second, 300));
    EXPECT_EQ(over.left, 0);
    EXPECT_TRUE(is(router.At(second + 3, 4), 1, 3, 4));
    EXPECT_EQ(router.Pointer(), 1);
    EXPECT_EQ(router.Active(), 0);  // moving over a view does not activate it
    EXPECT_EQ(router.Leave(), 1);

    // A capture whose release never came ends with the first move that holds no button.
    router.Press(10, 10);
    EXPECT_EQ(router.Move(500, 300, false).view, 1);
}

TEST(ViewRouter, APressIntoAnInactiveViewActivatesItOnceAndThePressesInTheGapGoNowhere) {
    viewer::ViewRouter router(viewer::SplitWindow(4, 800, 616, 16));
    const viewer::ViewRect fourth = router.Views()[3];
    viewer::ViewRouter::Target press = router.Press(fourth.x + 5, fourth.y + 6);
    EXPECT_TRUE(press.activates);
    EXPECT_EQ(press.view, 3);
    EXPECT_EQ(press.x, 5);
    EXPECT_EQ(press.y, 6);
    EXPECT_EQ(router.Active(), 3);
    EXPECT_FALSE(router.Release(fourth.x + 5, fourth.y + 6).activates);
    EXPECT_FALSE(router.Press(fourth.x + 5, fourth.y + 6).activates);  // the second click is the view's
    router.Release(fourth.x + 5, fourth.y + 6);

    // The gap between views and the status line belong to no view, nor does the release of a press there.
    for (const auto& [x, y] : {std::pair{fourth.x - 1, fourth.y + 6}, std::pair{fourth.x + 5, 610}}) {
        press = router.Press(x, y);
        EXPECT_EQ(press.view, -1) << x << "," << y;
        EXPECT_FALSE(press.activates);
        EXPECT_EQ(router.Release(10, 10).view, -1);
    }
    EXPECT_EQ(router.Active(), 3);
}

// Two views of one model: each has its own workflows and camera, the selection is the document's. The
// activating click into the second view is dropped by its window observer's activation rule, so it selects
// nothing; the next click there selects.
TEST(ViewerHost, TheFirstClickIntoAnInactiveViewOnlyActivatesItAndTheNextSelects) {
    viewer::ViewerHost host;
    ASSERT_EQ(host.Start(WORKFLOW_PLUGIN_PATH, "shape", 2), std::nullopt);
    ASSERT_EQ(host.ViewCount(), 2u);
    std::string out;
    ASSERT_EQ(host.Execute(session::Load{EXAMPLES_PLUGIN_PATH}, 1, out), std::nullopt);
    for (std::size_t view : {0u, 1u}) {
        for (const char* name : {"orbit", "select"}) {
            ASSERT_EQ(host.Execute(session::HostCall(session::Add{name, std::nullopt, false}), 2, out, view),
                      std::nullopt);
        }
    }
    EXPECT_TRUE(host.View(0).IsActive());
    EXPECT_FALSE(host.View(1).IsActive());
    auto click = [&](std::size_t view, int x, int y) {
        for (const session::Command& command :
             {session::Command(session::WindowInput(session::Down{session::Button::Left, x, y})),
              session::Command(session::WindowInput(session::Up{session::Button::Left, x, y}))}) {
            ASSERT_EQ(host.Execute(command, 3, out, view), std::nullopt);
        }
        host.Settle();
    };
    host.SetPick(50, 50, 2, 1);
    host.Activate(1);
    click(1, 50, 50);
    EXPECT_EQ(host.Active(), 1u);
    EXPECT_FALSE(host.View(0).IsActive());
    EXPECT_TRUE(host.View(1).IsActive());
    EXPECT_EQ(apps::SelectionText(host.View(1)), "none");
    click(1, 50, 50);
    EXPECT_EQ(apps::SelectionText(host.View(1)), "2");
    EXPECT_EQ(apps::SelectionText(host.View(0)), "2");  // one document, one selection

    // A drag in the active view turns its own camera only.
    for (const char* line : {"down left 10 10", "move 30 15", "up left 30 15"}) {
        session::Script script;
        session::ScriptError error;
        ASSERT_TRUE(session::Parse("test", line, script, error)) << error.ToString();
        ASSERT_EQ(host.Execute(script.lines.at(0).command, 4, out, 1), std::nullopt);
    }
    host.Settle();
    EXPECT_EQ(apps::CameraText(*host.View(1).GetCamera()), "yaw 20.00 pitch 5.00 zoom 1.0000 pan 0.00 0.00");
    EXPECT_EQ(apps::CameraText(*host.View(0).GetCamera()), "yaw 0.00 pitch 0.00 zoom 1.0000 pan 0.00 0.00");
    EXPECT_TRUE(host.Execute(session::Print{session::State::Camera}, 5, out, 2));  // there is no third view
    host.Stop();
}

// Fingers on the window become touch events of every finger down, which the examples read as a pinch.
TEST(ViewerHost, FingersOnTheWindowPinchTheExamplesZoomAndLiftCleanly) {
    viewer::ViewerHost host;
    ASSERT_EQ(host.Start(WORKFLOW_PLUGIN_PATH, "shape"), std::nullopt);
    host.SetSearchDirs(".", WORKFLOW_BUILD_DIR);
    std::string out;
    for (const session::Command& command :
         {session::Command(session::Load{EXAMPLES_PLUGIN_PATH}),
          session::Command(session::HostCall(session::Add{"zoom", std::nullopt, false}))}) {
        ASSERT_EQ(host.Execute(command, 1, out), std::nullopt);
    }
    viewer::TouchInput fingers;
    std::vector<std::string> lines;
    auto post = [&](const std::optional<session::Touch>& touch) {
        ASSERT_TRUE(touch);
        lines.push_back(session::Format(session::WindowInput(*touch)));
        EXPECT_EQ(host.Execute(session::WindowInput(*touch), 2, out), std::nullopt);
    };
    // SDL's finger ids are large and arbitrary; the window sees 1, 2, ...
    post(fingers.Down(7001, 350, 300, 0));
    post(fingers.Down(7002, 450, 300, 10));
    post(fingers.Move(7001, 300, 300, 20));
    post(fingers.Move(7002, 500, 300, 30));
    post(fingers.Up(7002, 500, 300, 40));
    EXPECT_FALSE(fingers.Move(9999, 1, 1, 50));  // a finger that never came down
    post(fingers.Up(7001, 300, 300, 50));
    EXPECT_EQ(fingers.Fingers(), 0u);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "touch 1 1 1 350 300 0 2", "touch 1 2 1 350 300 0 1 2 450 300 10 2",
                         "touch 1 2 1 300 300 20 1 2 450 300 10 1", "touch 1 2 1 300 300 20 1 2 500 300 30 1",
                         "touch 1 2 1 300 300 20 1 2 500 300 40 4", "touch 1 1 1 300 300 50 4"}));
    ASSERT_EQ(host.Execute(session::Print{session::State::Camera}, 3, out), std::nullopt);
    EXPECT_EQ(out, "camera \"yaw 0.00 pitch 0.00 zoom 2.0000 pan 0.00 0.00\"");
    // The next touch numbers its fingers from 1 again.
    EXPECT_EQ(fingers.Down(8000, 1, 1, 60)->points[0].id, 1);
    host.Stop();
}

class ViewerProgram : public testing_support::TestFolder {
protected:
    ViewerProgram() : TestFolder("viewer_test") {}

    int Run(const std::string& command) {
        const int status = std::system((command + " >" + (dir_ / "out.txt").string() + " 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Read(const std::string& name) const {
        std::stringstream text;
        text << std::ifstream(dir_ / name).rdbuf();
        return text.str();
    }
};

// The viewer's live input (a drag it feeds itself as window events) is recorded as commands; the session
// host replays the recording to the camera and selection the viewer ended with, which close it as
// expectations.
TEST_F(ViewerProgram, ARecordingOfLiveInputReplaysInTheSessionHostToTheSameState) {
    const std::string recording = (dir_ / "drag.session").string();
    // SDL's video drivers keep allocations to the end, which a leak check under the sanitizers reports; the
    // thread checker is told to leave the software GL's own threads alone.
    ASSERT_EQ(Run("SDL_VIDEODRIVER=offscreen ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=suppressions=" +
                  std::string(VIEWER_TSAN_SUPPRESSIONS) + " " + std::string(VIEWER_PATH) +
                  " --measure --record " + recording),
              0);
    std::stringstream text;
    text << std::ifstream(recording).rdbuf();
    EXPECT_NE(text.str().find("\ndown left "), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\nexpect camera "), std::string::npos) << text.str();
    EXPECT_EQ(Run(std::string(SESSION_HOST_PATH) + " " + recording), 0) << text.str();
}

// An author's plug-in loaded with --load and a workflow installed with --add at a priority of their choice;
// a library that is no workflow plug-in, or a name nobody makes, ends the viewer at once with one line.
TEST_F(ViewerProgram, LoadAndAddInstallTheAuthorsWorkflowsOrFailWithOneLine) {
    const std::string viewer =
        "SDL_VIDEODRIVER=offscreen ASAN_OPTIONS=detect_leaks=0 " + std::string(VIEWER_PATH);
    const std::string check =
        Write("check.session", "expect workflow 2500 measure\nexpect workflow 130 select\n");
    EXPECT_EQ(Run(viewer + " --load " + EXAMPLES_PLUGIN_PATH +
                  " --add measure@2500 --quit-after-session --session " + check),
              0)
        << Read("out.txt");
    auto oneErrorLine = [&](const std::string& arguments, const std::string& reason) {
        EXPECT_NE(Run(viewer + " --quit-after-session --session " + check + " " + arguments), 0) << arguments;
        const std::string out = Read("out.txt");
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_NE(out.find("error: "), std::string::npos) << out;
        EXPECT_NE(out.find(reason), std::string::npos) << out;
    };
    oneErrorLine(std::string("--load ") + WORKFLOW_PLUGIN_PATH, "no workflow plug-in loaded from");
    oneErrorLine("--add nosuch", "no loaded workflow plug-in makes a workflow named 'nosuch' (known: ");
    oneErrorLine("--add measure@x", "NAME@PRIORITY");
    oneErrorLine(std::string("--workflows ") + WORKFLOW_PLUGIN_PATH, "no workflow plug-in loaded from");
}

}  // namespace

namespace {

class PlugInFiles : public testing_support::TestFolder {
protected:
    PlugInFiles() : TestFolder("viewer_watch") {}
};

// A rebuild is reported once, only after the file has stopped changing; a build that deletes the file before
// writing it is waited for; a copy for loading is a new file each time, the same bytes.
TEST_F(PlugInFiles, ARebuildIsReportedOnceAfterItSettlesAndEachLoadGetsAFreshCopy) {
    using namespace std::chrono_literals;
    const std::string path = Write("author.so", "build 1");
    viewer::PlugInWatch watch(300ms);
    watch.Add(path);
    const auto t0 = viewer::PlugInWatch::Clock::time_point() + 1h;
    EXPECT_TRUE(watch.Changed(t0).empty());

    Write("author.so", "build 2, longer");
    EXPECT_TRUE(watch.Changed(t0 + 10ms).empty());  // just seen
    Write("author.so", "build 2, longer still");    // the linker is still writing
    EXPECT_TRUE(watch.Changed(t0 + 200ms).empty());
    EXPECT_TRUE(watch.Changed(t0 + 499ms).empty());
    EXPECT_EQ(watch.Changed(t0 + 500ms), std::vector<std::string>{path});
    EXPECT_TRUE(watch.Changed(t0 + 2s).empty());

    fs::remove(path);
    EXPECT_TRUE(watch.Changed(t0 + 3s).empty());
    EXPECT_TRUE(watch.Changed(t0 + 10s).empty());  // missing: nothing to load
    Write("author.so", "build 3");
    EXPECT_TRUE(watch.Changed(t0 + 11s).empty());
    EXPECT_EQ(watch.Changed(t0 + 12s), std::vector<std::string>{path});

    std::string first;
    std::string second;
    ASSERT_EQ(viewer::FreshCopy(path, dir_.string(), first), std::nullopt);
    ASSERT_EQ(viewer::FreshCopy(path, dir_.string(), second), std::nullopt);
    EXPECT_NE(first, second);
    std::stringstream bytes;
    bytes << std::ifstream(second).rdbuf();
    EXPECT_EQ(bytes.str(), "build 3");
    std::string none;
    EXPECT_NE(viewer::FreshCopy((dir_ / "missing.so").string(), dir_.string(), none), std::nullopt);
}

}  // namespace
