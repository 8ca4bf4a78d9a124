#include <keyloom/design/resources.hpp>
#include <keyloom/formfile/document.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>

namespace keyloom {
namespace {

const std::filesystem::path Resources = std::filesystem::path(KEYLOOM_SOURCE_DIR) / "resources";

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

std::uint32_t BigEndian(std::string_view Bytes, std::size_t At) {
  std::uint32_t V = 0;
  for (std::size_t I = 0; I < 4; ++I) V = (V << 8) | static_cast<unsigned char>(Bytes[At + I]);
  return V;
}

struct TPicture {
  std::uint32_t Width = 0, Height = 0;
  int BitDepth = 0, ColourType = 0;
};

TPicture Header(std::string_view Png) {
  EXPECT_GE(Png.size(), 33u);
  EXPECT_EQ(Png.substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(Png.substr(12, 4), "IHDR");
  if (Png.size() < 33) return {};
  return {BigEndian(Png, 16), BigEndian(Png, 20), static_cast<unsigned char>(Png[24]),
          static_cast<unsigned char>(Png[25])};
}

TEST(Resources, EveryManifestEntryIsCompiledInAsItsFile) {
  std::ifstream Manifest(Resources / "resources.txt");
  std::string Line;
  std::vector<std::string> Names;
  while (std::getline(Manifest, Line)) {
    if (Line.empty() || Line[0] == '#') continue;
    std::istringstream Fields(Line);
    std::string Name, File;
    Fields >> Name >> File;
    Names.push_back(Name);
    EXPECT_EQ(LoadResource(Name), ReadFile(Resources / File)) << Name;
  }
  EXPECT_EQ(ResourceNames(), Names);
}

TEST(Resources, NamesAreFoundWithoutRegardToCaseAndMissingOnesAreReported) {
  EXPECT_TRUE(FindResource("tkeyloomform").has_value());
  EXPECT_FALSE(FindResource("TREE13").has_value());
  EXPECT_THROW(LoadResource("TREE13"), EResNotFound);
}

TEST(Resources, PicturesHaveTheirSizesInSixteenColours) {
  struct TRow {
    std::string Name;
    std::uint32_t Width, Height;
  };
  std::vector<TRow> Rows = {{"TKEYLOOM", 24, 24}};
  for (const char* Glyph : {"BCLEAR", "BCLEARALL", "BMOVEUP", "BMOVEDOWN", "BFIND", "BASSIGN", "BSETUP", "BABOUT",
                            "BCLOSE"})
    Rows.push_back({Glyph, 32, 16});  // normal and disabled, side by side
  for (int I = 0; I <= 12; ++I) Rows.push_back({(I < 10 ? "TREE0" : "TREE") + std::to_string(I), 24, 24});
  for (const TRow& Row : Rows) {
    SCOPED_TRACE(Row.Name);
    const TPicture P = Header(LoadResource(Row.Name));
    EXPECT_EQ(P.Width, Row.Width);
    EXPECT_EQ(P.Height, Row.Height);
    EXPECT_EQ(P.BitDepth, 4);
    EXPECT_EQ(P.ColourType, 3);  // palette
  }
}

TEST(Resources, TheWindowLayoutIsATextForm) {
  const auto Document = formfile::TDocument::Parse(std::string(LoadResource("TKEYLOOMFORM")), "TKEYLOOMFORM");
  EXPECT_EQ(Document.Root().FName, "KeyloomForm");
  EXPECT_EQ(Document.Root().FClassName, "TKeyloomForm");
}

}  // namespace
}  // namespace keyloom
