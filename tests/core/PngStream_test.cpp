// The buffered reader and writer under the PNG codec.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "imaging/DEZStream.h"
#include "support/TempDir.h"

using namespace verid;
using verid::test::TempDir;

namespace {

class Reader : public TQBZCustomReadStream {
 public:
  std::vector<int> Reported;

 protected:
  bool NotifyProgress(int percent) override {
    Reported.push_back(percent);
    return false;
  }
};

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + (i >> 8));
  return v;
}

uint32_t Be32At(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) << 24 | uint32_t(v[at + 1]) << 16 | uint32_t(v[at + 2]) << 8 | v[at + 3];
}

}  // namespace

// A file stream goes through the 64 KiB buffer, so values can straddle its end.
TEST(PngStream, BigEndianReadsStraddleTheBufferEnd) {
  TempDir dir;
  // 65534 bytes before the value: two of its bytes in the first buffer, two in the next.
  std::vector<uint8_t> data = Counting(65534 + 4);
  std::string path = dir.Write("a.bin", data);
  {
    TFileStream file(path, FileMode::Read);
    Reader r;
    r.CheckMacBinary = false;
    r.Begin(file);
    r.Skip(65534);
    EXPECT_EQ(r.ReadU32(), Be32At(data, 65534));
    EXPECT_FALSE(r.EndOfData());
    EXPECT_EQ(r.ReadByte(), 0);  // past the end now
    EXPECT_TRUE(r.EndOfData());
    r.End();
  }
  // The same with the data continuing, and a 16-bit read straddling as well.
  data = Counting(200000);
  path = dir.Write("b.bin", data);
  TFileStream file(path, FileMode::Read);
  Reader r;
  r.CheckMacBinary = false;
  r.Begin(file);
  std::vector<uint8_t> head(65535);
  r.ReadBytes(head.data(), 65535);
  EXPECT_EQ(head[65534], data[65534]);
  EXPECT_EQ(r.ReadU16(), uint16_t(data[65535] << 8 | data[65536]));
  EXPECT_EQ(r.ReadU32(), Be32At(data, 65537));
  // A request larger than the buffer goes partly straight to the destination.
  std::vector<uint8_t> big(100000);
  r.ReadBytes(big.data(), int64_t(big.size()));
  EXPECT_TRUE(std::equal(big.begin(), big.end(), data.begin() + 65541));
  EXPECT_EQ(r.ReadU32(), Be32At(data, 165541));
  r.End();
  EXPECT_EQ(file.Position(), 165545);
}

TEST(PngStream, LeavesTheStreamJustAfterTheConsumedBytes) {
  std::vector<uint8_t> data = Counting(1000);
  for (int inPlace = 0; inPlace < 2; ++inPlace) {
    TempDir dir;
    std::string path = dir.Write("c.bin", data);
    TMemoryStream mem{std::vector<uint8_t>(data)};
    TFileStream file(path, FileMode::Read);
    TStream& s = inPlace ? static_cast<TStream&>(mem) : file;
    s.SetPosition(100);
    Reader r;
    r.Begin(s);
    EXPECT_EQ(r.DataLength(), 900);
    EXPECT_EQ(r.ReadU32(), Be32At(data, 100));
    r.Skip(10);
    r.End();
    EXPECT_EQ(s.Position(), 114) << (inPlace ? "memory" : "file");
  }
}

TEST(PngStream, MacBinaryHeaderIsSkipped) {
  std::vector<uint8_t> data = Counting(200);
  data[0] = 0;
  data[74] = 0;
  TMemoryStream mem{std::vector<uint8_t>(data)};
  Reader r;
  r.Begin(mem);
  EXPECT_TRUE(r.MacBinaryFound());
  EXPECT_EQ(r.ReadByte(), data[128]);
  r.End();

  TMemoryStream again{std::vector<uint8_t>(data)};
  Reader off;
  off.CheckMacBinary = false;
  off.Begin(again);
  EXPECT_FALSE(off.MacBinaryFound());
  EXPECT_EQ(off.ReadByte(), 0);

  // Exactly 128 bytes of data is too short for the header check.
  TMemoryStream shortData{std::vector<uint8_t>(data.begin(), data.begin() + 128)};
  Reader r2;
  r2.Begin(shortData);
  EXPECT_FALSE(r2.MacBinaryFound());
}

TEST(PngStream, FlagsStopReadingSilently) {
  TempDir dir;
  std::string path = dir.Write("d.bin", Counting(300));
  TFileStream file(path, FileMode::Read);
  Reader r;
  r.CheckMacBinary = false;
  r.Begin(file);
  r.Skip(10);
  int64_t before = file.Position();
  r.Skip(1000);  // past the data: flag only, the stream does not move
  EXPECT_TRUE(r.EndOfData());
  EXPECT_EQ(file.Position(), before);
  EXPECT_EQ(r.ReadU32(), 0u);
  uint8_t b = 0x55;
  r.ReadBytes(&b, 1);
  EXPECT_EQ(b, 0x55);
  r.End();
  EXPECT_EQ(file.Position(), 10);

  TMemoryStream empty;
  Reader e;
  e.Begin(empty);
  EXPECT_TRUE(e.EndOfData());

  TMemoryStream mem{Counting(10)};
  Reader z;
  z.Begin(mem);
  z.ReadBytes(&b, 0);  // a zero count is a stop
  EXPECT_TRUE(z.Stopped());
  EXPECT_EQ(z.ReadByte(), 0);

  // A limit caps the data.
  TMemoryStream lim{Counting(100)};
  Reader l;
  l.Begin(lim, 6);
  l.ReadU32();
  EXPECT_EQ(l.ReadU16(), uint16_t(Counting(6)[4] << 8 | Counting(6)[5]));
  EXPECT_EQ(l.ReadByte(), 0);
  EXPECT_TRUE(l.EndOfData());
}

TEST(PngStream, ProgressStagesGrowAndEndAt100) {
  TMemoryStream mem{Counting(1000)};
  Reader r;
  r.CheckMacBinary = false;
  r.Begin(mem);
  r.ProgressStart();
  r.ProgressNewStage(TProgressMode::Bytes, 0, 30);  // 29 of the 99 points
  r.Skip(500);
  r.ProgressPoint();
  r.ProgressPoint();                                 // unchanged: not reported twice
  r.ProgressNewStage(TProgressMode::Items, 10, 98);  // 68 of the remaining 70
  for (int i = 1; i <= 10; ++i) r.ProgressPoint(i);
  r.ProgressNewStage(TProgressMode::Items, 0, 0);
  r.ProgressEnd();
  ASSERT_GE(r.Reported.size(), 4u);
  EXPECT_EQ(r.Reported.front(), 0);
  EXPECT_EQ(r.Reported[1], 14);  // half of 29
  EXPECT_EQ(r.Reported.back(), 100);
  EXPECT_EQ(r.Reported[r.Reported.size() - 2], 29 + 68);
  EXPECT_TRUE(std::is_sorted(r.Reported.begin(), r.Reported.end()));
}

TEST(PngStream, WriterBuffersAndPassesLargeBlocksThrough) {
  class Writer : public TQBZCustomWriteStream {};
  TMemoryStream out;
  Writer w;
  w.Begin(out);
  std::vector<uint8_t> data = Counting(70000);
  w.WriteU32(0x01020304);
  w.WriteBytes(data.data(), 1000);
  EXPECT_EQ(out.Size(), 0);  // still buffered
  w.WriteBytes(data.data(), 70000);
  w.WriteBytes(data.data(), 65000);
  w.Flush();
  ASSERT_EQ(out.Size(), 4 + 1000 + 70000 + 65000);
  EXPECT_EQ(Be32At(out.Bytes(), 0), 0x01020304u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), out.Bytes().begin() + 1004));
  EXPECT_EQ(w.TotalWritten(), out.Size());
  w.WriteBytes(data.data(), 0);
  EXPECT_TRUE(w.Stopped());
}
