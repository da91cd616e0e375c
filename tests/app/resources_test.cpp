// The committed frame bitmaps and icons: bitmaps of the frame's sizes, and
// (where the generator is built) exactly what the generator draws. Icons are
// loaded at every size the windows ask for in tests/ui/skin_frame_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kSkinDir = std::string(ORVANE_TEST_DATA_DIR) + "/../../src/resources/skin/";

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | (Le16(b, at + 2) << 16); }

struct BitmapCase {
  const char* file;
  int width;
  int height;
};

const BitmapCase kBitmaps[] = {
    {"TIL.bmp", 511, 47},  {"TILcmd.bmp", 431, 47}, {"RLI.bmp", 8, 335},    {"RRE.bmp", 8, 335},
    {"RUT.bmp", 511, 8},   {"RUTcmd.bmp", 432, 8},  {"MINHO.bmp", 29, 20},  {"EXTHO.bmp", 47, 20},
};

const char* const kIcons[] = {"product.ico", "disk.ico", "folder.ico", "information.ico", "browse.ico", "warning.ico"};

TEST(SkinResources, BitmapsAreUncompressed24BitOfTheirFrameSizes) {
  for (const BitmapCase& c : kBitmaps) {
    SCOPED_TRACE(c.file);
    std::vector<uint8_t> b = ReadBytes(kSkinDir + c.file);
    ASSERT_GE(b.size(), 54u);
    const uint32_t row = (static_cast<uint32_t>(c.width) * 3 + 3) & ~3u;
    // "BM", file size, info header of 40 bytes, width, height (positive:
    // bottom-up), 24 bits, no compression, pixel rows right after the headers.
    EXPECT_EQ(std::vector<uint32_t>({b[0], b[1], Le32(b, 2), Le32(b, 14), Le32(b, 18), Le32(b, 22), Le16(b, 28),
                                     Le32(b, 30), Le32(b, 10) + row * c.height}),
              std::vector<uint32_t>({'B', 'M', static_cast<uint32_t>(b.size()), 40u, static_cast<uint32_t>(c.width),
                                     static_cast<uint32_t>(c.height), 24u, 0u, static_cast<uint32_t>(b.size())}));
  }
}

#ifdef ORVANE_RESGEN
TEST(SkinResources, CommittedFilesAreWhatTheGeneratorDraws) {
  char pattern[] = "/tmp/orvane-resgen-XXXXXX";
  char* folder = mkdtemp(pattern);
  ASSERT_NE(folder, nullptr);
  std::string command = std::string("\"") + ORVANE_RESGEN + "\" \"" + folder + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> files;
  for (const BitmapCase& c : kBitmaps) files.push_back(c.file);
  for (const char* icon : kIcons) files.push_back(icon);
  for (const std::string& file : files) {
    std::vector<uint8_t> drawn = ReadBytes(std::string(folder) + "/" + file);
    EXPECT_FALSE(drawn.empty()) << file;
    EXPECT_TRUE(drawn == ReadBytes(kSkinDir + file)) << file << " differs: run scripts/regen-resources";
    std::remove((std::string(folder) + "/" + file).c_str());
  }
  std::remove(folder);
}
#endif

}  // namespace
