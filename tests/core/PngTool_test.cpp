// verid-tool on PNG files: the property lines, alpha in decoded PAM files and the PNG
// writer options of convert.
#include <gtest/gtest.h>

#include "imaging/ZUDIRA.h"
#include "support/ImageBuilders.h"
#include "support/PngBuilder.h"
#include "support/TempDir.h"

using namespace verid;
using namespace verid::test;

namespace {

std::string RunTool(const std::string& args, const TempDir& dir, int* status = nullptr) {
  int rc =
      Run(std::string("'") + VERID_TOOL_PATH + "' " + args + " >'" + dir / "out.txt" + "' 2>&1");
  if (status) *status = rc;
  std::vector<uint8_t> out = ReadAll(dir / "out.txt");
  return std::string(out.begin(), out.end());
}

}  // namespace

TEST(PngTool, InfoDecodeAndConvert) {
  if (std::string(VERID_TOOL_PATH).empty()) GTEST_SKIP() << "verid-tool is not built";
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell";
  TempDir dir;
  PngBuilder b;
  b.Ihdr(2, 1, 8, 6, 1).Chunk("bKGD", Concat({Be16(1), Be16(2), Be16(3)}));
  b.Text("Comment", "one")
      .Text("Comment", "two")
      .Idat({0, 10, 20, 30, 255, 0, 40, 50, 60, 0})
      .Iend();  // Adam7 passes 1 and 6
  std::string src = dir.Write("a.png", b.Bytes());

  std::string info = RunTool("info '" + src + "'", dir);
  for (const char* line :
       {"format: PNG\n", "interlaced: yes\n", "grayscale: no\n", "has_alpha: yes\n",
        "transparent_key: none\n", "background: #010203\n", "gamma: 0.00000\n", "source_bits: 24\n",
        "comment: one\\r\\n\\r\\ntwo\\r\\n\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << " in\n" << info;

  // The fourth sample is the pixel's alpha, not the plane's inverted byte.
  RunTool("decode '" + src + "' '" + dir / "a.pam" + "' --alpha", dir);
  std::vector<uint8_t> pam = ReadAll(dir / "a.pam");
  std::string text(pam.begin(), pam.end());
  ASSERT_NE(text.find("TUPLTYPE RGB_ALPHA"), std::string::npos);
  std::vector<uint8_t> pixels(pam.end() - 8, pam.end());
  EXPECT_EQ(pixels, (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 0}));

  int status = 0;
  RunTool("convert '" + src + "' '" + dir / "b.png" + "' --filter 5 --interlace --idat 256", dir,
          &status);
  ASSERT_EQ(status, 0);
  std::vector<uint8_t> out = ReadAll(dir / "b.png");
  EXPECT_EQ(ListChunks(out)[0].Data[12], 1);  // Adam7
  std::vector<uint8_t> rows = ImageData(out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], 4);  // Paeth
  RunTool("convert '" + src + "' '" + dir / "c.bmp" + "' --filter 2", dir, &status);
  EXPECT_NE(status, 0);
}
