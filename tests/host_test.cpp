#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dg/XmlElem.h"
#include "rzk/SceneObjects.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzloader/Loader.h"

namespace {

using rzloader::Loader;
using Component = du::SmartPtr<du::RefCounted>;

// A component that tells which factory made it.
struct Made : du::RefCounted {
    explicit Made(const char* by) : by(by) {}
    std::string by;
};

rzloader::ComponentFactory MakerNamed(const char* by) {
    return [by] { return Component(new Made(by)); };
}

std::string MadeBy(const Component& component) {
    auto* made = dynamic_cast<Made*>(component.Get());
    return made ? made->by : "";
}

TEST(Loader, ExactViewTypeWinsOverWildcardAndEveryLoadMakesANewComponent) {
    du::SmartPtr<Loader> loader(new Loader);
    loader->RegisterFactory(Loader::ANY_VIEW_TYPE, "workflow", "Pan", MakerNamed("any"));
    loader->RegisterFactory(rzk::ShapeView::ACTOR_TYPE, "workflow", "Pan", MakerNamed("shape"));

    Component first, second;
    EXPECT_TRUE(loader->LoadModule(rzk::ShapeView::ACTOR_TYPE, "workflow", "Pan", first));
    EXPECT_TRUE(loader->LoadModule(rzk::ShapeView::ACTOR_TYPE, "workflow", "Pan", second));
    EXPECT_EQ(MadeBy(first), "shape");
    EXPECT_NE(first, second);

    EXPECT_TRUE(loader->LoadModule(rzk::DrawingView::ACTOR_TYPE, "workflow", "Pan", first));
    EXPECT_EQ(MadeBy(first), "any");

    // A failed load clears what the result held before.
    EXPECT_FALSE(loader->LoadModule(rzk::DrawingView::ACTOR_TYPE, "animation", "Pan", first));
    EXPECT_TRUE(first.IsNull());
}

TEST(Loader, FactoryMakingNothingFailsWithoutFallingBackToTheWildcard) {
    du::SmartPtr<Loader> loader(new Loader);
    loader->RegisterFactory(Loader::ANY_VIEW_TYPE, "workflow", "Zoom", MakerNamed("any"));
    loader->RegisterFactory("imageview", "workflow", "Zoom", [] { return Component(); });

    Component result(new Made("stale"));
    EXPECT_FALSE(loader->LoadModule(rzk::ImageView::ACTOR_TYPE, "workflow", "Zoom", result));
    EXPECT_TRUE(result.IsNull());

    loader->RegisterFactory("imageview", "workflow", "Zoom", nullptr);  // removes the registration
    EXPECT_TRUE(loader->LoadModule(rzk::ImageView::ACTOR_TYPE, "workflow", "Zoom", result));
    EXPECT_EQ(MadeBy(result), "any");
}

TEST(Loader, FactoryMayLoadFromTheSameLoader) {
    du::SmartPtr<Loader> loader(new Loader);
    loader->RegisterFactory(Loader::ANY_VIEW_TYPE, "part", "Inner", MakerNamed("inner"));
    loader->RegisterFactory(Loader::ANY_VIEW_TYPE, "workflow", "Outer", [raw = loader.Get()] {
        Component inner;
        raw->LoadModule("shapeview", "part", "Inner", inner);
        return inner;
    });
    Component result;
    EXPECT_TRUE(loader->LoadModule("shapeview", "workflow", "Outer", result));
    EXPECT_EQ(MadeBy(result), "inner");
}

TEST(LoaderPlugins, PluginDirectoryRegistersItsComponentsAndSkipsWhatIsNoPlugin) {
    namespace fs = std::filesystem;
    fs::path directory = fs::temp_directory_path() / ("host_test_plugins_" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    std::ofstream(directory / "broken.so") << "not a library";
    std::ofstream(directory / "readme.txt") << "not a library either";

    du::SmartPtr<Loader> loader(new Loader);
    std::string error;
    EXPECT_FALSE(loader->LoadPlugins(directory.string(), &error));
    EXPECT_NE(error.find("broken.so"), std::string::npos) << error;

    fs::copy_file(SAMPLE_PLUGIN_PATH, directory / "sample.so");
    EXPECT_TRUE(loader->LoadPlugins(directory.string(), &error));
    EXPECT_NE(error.find("broken.so"), std::string::npos) << error;
    fs::remove_all(directory);

    Component result;
    EXPECT_TRUE(loader->LoadModule(rzk::ImageView::ACTOR_TYPE, "workflow", "SampleAnnotation", result));
    EXPECT_NE(dynamic_cast<rzk::Annotation*>(result.Get()), nullptr);
    EXPECT_TRUE(loader->LoadModule(rzk::ShapeView::ACTOR_TYPE, "workflow", "SampleSelectionItem", result));
    EXPECT_NE(dynamic_cast<rzk::SelectionItem*>(result.Get()), nullptr);
    EXPECT_FALSE(loader->LoadModule(rzk::DrawingView::ACTOR_TYPE, "workflow", "SampleSelectionItem", result));
}

TEST(LoaderPlugins, MissingFileOrLibraryWithoutEntryPointLoadsNothing) {
    du::SmartPtr<Loader> loader(new Loader);
    std::string error;
    EXPECT_FALSE(loader->LoadPlugins("/nonexistent/plugin.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(loader->LoadPlugins(RZHOST_LIBRARY_PATH, &error));
    EXPECT_NE(error.find("RZRegisterComponents"), std::string::npos) << error;
    EXPECT_TRUE(loader->LoadPlugins(SAMPLE_PLUGIN_PATH, &error));
    EXPECT_EQ(error, "");
}

TEST(ParseXml, ReadsTheTagAndAttributesOfOneElement) {
    auto elem = dg::ParseXml(R"(<MsgMouseWheel mouseX="40" mouseY="12" mouseDelta="-120"/>)", false, nullptr);
    ASSERT_NE(elem, nullptr);
    EXPECT_EQ(elem->GetTag(), du::Symbol("MsgMouseWheel"));
    EXPECT_EQ(elem->GetAttributeCount(), 3u);
    EXPECT_EQ(elem->GetAttributeInt(elem->FindAttribute("mouseX")), 40);
    EXPECT_EQ(elem->GetAttributeInt(elem->FindAttribute("mouseDelta")), -120);
    EXPECT_EQ(elem->GetAttributeName(1), "mouseY");

    EXPECT_EQ(elem->FindAttribute("mousex"), dg::XmlElem::npos);
    EXPECT_EQ(elem->GetAttributeInt(dg::XmlElem::npos), 0);
    EXPECT_EQ(elem->GetAttributeString(dg::XmlElem::npos), "");
    EXPECT_FALSE(elem->GetAttributeBool(dg::XmlElem::npos));
}

TEST(ParseXml, RefusesTextThatIsNotExactlyOneElement) {
    for (const char* text :
         {"", "   ", "MsgMouseLeave", "<a/><b/>", "text<a/>", "<a/>text", "<a>", "<a x=1/>",
          R"(<MsgKeyPress utf8Key=""" systemKey=""/>)", "<!-- only a comment -->"}) {
        std::string error;
        EXPECT_EQ(dg::ParseXml(text, false, &error), nullptr) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    for (const char* text : {" <a/>\n", "<?xml version=\"1.0\"?><a/>", "<a><b/>content</a>"}) {
        auto elem = dg::ParseXml(text);
        ASSERT_NE(elem, nullptr) << text;
        EXPECT_EQ(elem->GetTag(), du::Symbol("a"));
    }
}

TEST(ParseXml, ValuesKeepQuotesAngleBracketsAndBlanks) {
    // Trace lines write keys without escaping; those that still parse must give the key back unchanged.
    auto keys = dg::ParseXml(R"(<MsgKeyPress utf8Key="<" systemKey=">" quote='"' amp="&amp;" raw="&"/>)");
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->GetAttributeString(keys->FindAttribute("utf8Key")), "<");
    EXPECT_EQ(keys->GetAttributeString(keys->FindAttribute("systemKey")), ">");
    EXPECT_EQ(keys->GetAttributeString(keys->FindAttribute("quote")), "\"");
    EXPECT_EQ(keys->GetAttributeString(keys->FindAttribute("amp")), "&");
    EXPECT_EQ(keys->GetAttributeString(keys->FindAttribute("raw")), "&");

    const char* spaced = R"(<MsgKeyPress utf8Key=" " systemKey=" a  b "/>)";
    auto kept = dg::ParseXml(spaced, false, nullptr);
    auto normalized = dg::ParseXml(spaced, true, nullptr);
    EXPECT_EQ(kept->GetAttributeString(0), " ");
    EXPECT_EQ(kept->GetAttributeString(1), " a  b ");
    EXPECT_EQ(normalized->GetAttributeString(1), "a b");
}

TEST(XmlElem, IntegersReadLikeStrtolAndBooleansAreTrueYesOrOne) {
    auto elem =
        dg::ParseXml(R"(<n a="-7" b=" 12px" c="px12" d="" e="99999999999" f="-99999999999" g="+3"/>)");
    ASSERT_NE(elem, nullptr);
    std::vector<int> ints;
    for (std::size_t i = 0; i < elem->GetAttributeCount(); ++i) {
        ints.push_back(elem->GetAttributeInt(i));
    }
    EXPECT_EQ(ints, (std::vector<int>{-7, 12, 0, 0, INT_MAX, INT_MIN, 3}));

    auto flags = dg::ParseXml(
        R"(<f a="true" b="TRUE" c=" yes " d="1" e="false" f="on" g="2" h="" i="truer" j="Yes"/>)");
    ASSERT_NE(flags, nullptr);
    std::vector<bool> bools;
    for (std::size_t i = 0; i < flags->GetAttributeCount(); ++i) {
        bools.push_back(flags->GetAttributeBool(i));
    }
    EXPECT_EQ(bools, (std::vector<bool>{true, true, true, true, false, false, false, false, false, true}));
}

}  // namespace
