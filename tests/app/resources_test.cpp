// The committed frame bitmaps and icons: bitmaps of the sizes the frames
// place them at, and (where the generator is built) exactly what the
// generator draws. Icons are loaded at every size the windows ask for in
// tests/ui/skin_frame_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/skin_geometry.h"
#include "support/scratch_folder.h"
#include "text/text_helpers.h"

namespace orvane {
namespace {

const std::string kSkinDir = std::string(ORVANE_TEST_DATA_DIR) + "/../../src/resources/skin/";

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | (Le16(b, at + 2) << 16); }

TEST(SkinResources, BitmapsAreUncompressed24BitOfTheSizesTheFramesPlaceThemAt) {
  for (const SkinFrameParams& frame : {kMainFrame, kCommandFrame}) {
    for (const SkinPlacement& piece : {frame.title_band, frame.left_border, frame.right_border, frame.bottom_border,
                                       frame.minimise_highlight, frame.exit_highlight}) {
      const std::string file = WideToUtf8(piece.bitmap) + ".bmp";
      SCOPED_TRACE(file);
      std::vector<uint8_t> b = ReadBytes(kSkinDir + file);
      ASSERT_GE(b.size(), 54u);
      const uint32_t width = static_cast<uint32_t>(piece.width), height = static_cast<uint32_t>(piece.height);
      // "BM", file size, info header of 40 bytes, width, height (positive:
      // bottom-up), 24 bits, no compression, pixel rows right after the headers.
      EXPECT_EQ(std::vector<uint32_t>({b[0], b[1], Le32(b, 2), Le32(b, 14), Le32(b, 18), Le32(b, 22), Le16(b, 28),
                                       Le32(b, 30), Le32(b, 10) + ((width * 3 + 3) & ~3u) * height}),
                std::vector<uint32_t>({'B', 'M', static_cast<uint32_t>(b.size()), 40u, width, height, 24u, 0u,
                                       static_cast<uint32_t>(b.size())}));
    }
  }
}

#ifdef ORVANE_RESGEN
TEST(SkinResources, CommittedFilesAreWhatTheGeneratorDraws) {
  ScratchFolder drawn;
  const std::string folder = WideToUtf8(drawn.path());
  ASSERT_EQ(std::system(("\"" + std::string(ORVANE_RESGEN) + "\" \"" + folder + "\"").c_str()), 0);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(ReadBytes(entry.path().string()) == ReadBytes(kSkinDir + name))
        << name << " differs: run scripts/regen-resources";
    ++files;
  }
  const auto committed = std::filesystem::directory_iterator(kSkinDir);
  EXPECT_EQ(files, static_cast<size_t>(std::distance(begin(committed), end(committed))));
}
#endif

}  // namespace
}  // namespace orvane
