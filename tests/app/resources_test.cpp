// The committed frame bitmaps and icons: right formats and sizes, and (where
// the generator is built) exactly what the generator draws.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
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

struct IconCase {
  const char* file;
  int size_in_use;  // the size the windows ask for
};

const IconCase kIcons[] = {{"product.ico", 48},    {"disk.ico", 60},   {"folder.ico", 55},
                           {"information.ico", 18}, {"browse.ico", 29}, {"warning.ico", 82}};

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

TEST(SkinResources, IconsHoldThe32BitImageOfTheSizeInUse) {
  for (const IconCase& c : kIcons) {
    SCOPED_TRACE(c.file);
    std::vector<uint8_t> b = ReadBytes(kSkinDir + c.file);
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(Le16(b, 0) * 10 + Le16(b, 2), 1u);  // reserved 0, type 1 (icon)
    const uint32_t count = Le16(b, 4);
    ASSERT_TRUE(count >= 2 && b.size() >= 6 + 16 * count);
    std::set<int> sizes;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t entry = 6 + 16 * i;
      const int size = b[entry] == 0 ? 256 : b[entry];
      const uint32_t bytes = Le32(b, entry + 8), offset = Le32(b, entry + 12);
      ASSERT_LE(static_cast<size_t>(offset) + bytes, b.size());
      const uint32_t mask_row = ((static_cast<uint32_t>(size) + 31) / 32) * 4;
      // Square, 32 bits; the image a 32-bit bitmap of twice the height
      // (colour + mask) of exactly the listed length.
      EXPECT_EQ(std::vector<uint32_t>({b[entry + 1], Le16(b, entry + 6), Le32(b, offset), Le32(b, offset + 4),
                                       Le32(b, offset + 8), Le16(b, offset + 14), bytes}),
                std::vector<uint32_t>({b[entry], 32u, 40u, static_cast<uint32_t>(size), 2u * size, 32u,
                                       40 + static_cast<uint32_t>(size * size * 4) + mask_row * size}));
      // Not an empty picture: some pixels are opaque, the corners clear.
      int opaque = 0;
      for (int p = 0; p < size * size; ++p) opaque += b[offset + 40 + p * 4 + 3] == 255;
      EXPECT_GT(opaque, size * size / 5);
      EXPECT_EQ(b[offset + 40 + 3], 0) << "bottom-left corner";
      sizes.insert(size);
    }
    EXPECT_TRUE(sizes.count(c.size_in_use)) << "no image of " << c.size_in_use << " pixels";
    EXPECT_TRUE(sizes.count(16) || sizes.count(32));
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
  for (const IconCase& c : kIcons) files.push_back(c.file);
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
